// The application object, its message loop and the global accessors.
#include "afxwin.h"

#include "base/MessageBoxes.h"
#include "base/ScopedHandles.h"
#include "base/SystemLibraries.h"

namespace {

CWinApp* g_pApp = nullptr;

} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle()
{
    if (g_pApp && g_pApp->m_hInstance)
        return g_pApp->m_hInstance;
    return GetModuleHandleA(nullptr);
}

int AfxMessageBox(const char* pszText, UINT nType)
{
    CWnd* pMain = AfxGetMainWnd();
    const char* caption = (g_pApp && g_pApp->m_pszAppName) ? g_pApp->m_pszAppName : "";
    // Through the program's one box, so that it is logged and a silent run
    // that suppresses boxes gets the default answer.
    return MessageBoxes::Show(pMain ? pMain->m_hWnd : nullptr, pszText, caption, nType);
}

// An application object made while another one lives (a test's, beside the
// test program's own) is the application until it goes, then hands back.
CWinApp::CWinApp(const char* pszAppName) : m_pszAppName(pszAppName), m_pPreviousApp(g_pApp)
{
    g_pApp = this;
}

CWinApp::~CWinApp()
{
    delete m_pDocTemplate;
    if (g_pApp == this)
        g_pApp = m_pPreviousApp;
}

void CWinApp::SetRegistryKey(const char* pszRegistryKey)
{
    m_pszRegistryKey = pszRegistryKey;
}

void CWinApp::LoadStdProfileSettings(UINT)
{
    // The profile lives under HKCU\Software\<company>\<application>. Nothing
    // of the run is kept there, and reading it must leave no trace of a run
    // that changed nothing: the key is opened where it exists, never made.
    if (!m_pszRegistryKey || !m_pszAppName)
        return;
    CString path = CString("Software\\") + m_pszRegistryKey + "\\" + m_pszAppName;
    ScopedRegKey key;
    RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Receive());
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* pTemplate)
{
    delete m_pDocTemplate;
    m_pDocTemplate = pTemplate;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    // The installer takes no document file; its own switches ("/PSM", "/WD")
    // are read from the raw command line by the run, so every start is a new
    // (empty) document.
    rCmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
}

BOOL CWinApp::ProcessShellCommand(CCommandLineInfo& rCmdInfo)
{
    switch (rCmdInfo.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileNothing:
        return TRUE;
    default:
        return FALSE;
    }
}

void CWinApp::OnFileNew()
{
    if (m_pDocTemplate)
        m_pDocTemplate->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen()
{
    // No document files to open: the single document is the install run.
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd && m_pMainWnd->m_hWnd)
        ::SendMessageA(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
}

void CWinApp::Enable3dControlsStatic()
{
    // The system draws 3-D controls itself. The common controls that the
    // dialogs use (the progress bar) are registered by the first dialog that
    // is made, so that a run without dialogs never loads their library.
}

int CWinApp::Run()
{
    MSG msg = {};
    for (;;) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
        if (pFrame && pFrame->m_hWnd && pFrame->m_hAccelTable
            && TranslateAcceleratorA(pFrame->m_hWnd, pFrame->m_hAccelTable, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    m_nExitCode = static_cast<int>(msg.wParam);
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_nExitCode;
}

BOOL CWinApp::OnCmdMsg(UINT nID, int)
{
    switch (nID) {
    case ID_FILE_NEW:
        OnFileNew();
        return TRUE;
    case ID_FILE_OPEN:
        OnFileOpen();
        return TRUE;
    case ID_APP_EXIT:
        OnAppExit();
        return TRUE;
    }
    return FALSE;
}

int AfxWinMain(HINSTANCE hInstance, const char* lpCmdLine)
{
    // Before anything can load a library: see SystemLibraries.h.
    SystemLibraries::RestrictSearch();

    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine ? lpCmdLine : "";
    if (!pApp->m_pszAppName) {
        if (LoadStringA(hInstance, AFX_IDS_APP_TITLE, pApp->m_szAppTitle, sizeof(pApp->m_szAppTitle)) > 0)
            pApp->m_pszAppName = pApp->m_szAppTitle;
    }

    if (!pApp->InitInstance()) {
        if (pApp->m_pMainWnd && pApp->m_pMainWnd->m_hWnd)
            pApp->m_pMainWnd->DestroyWindow();
        return pApp->ExitInstance();
    }
    return pApp->Run();
}
