#include "TarvelApp.h"

#include "base/PathHelpers.h"
#include "app/RunReport.h"
#include "base/ShellFolders.h"
#include "base/SingleInstance.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"
#include "res/resource.h"
#include "ui/MainFrame.h"

#include <direct.h>

namespace {

CDocument* NewDocument() { return new CTarvelDoc; }
CFrameWnd* NewFrame() { return new CMainFrame; }
CView* NewView() { return new CTarvelView; }

int CopyJournal(const std::vector<CString>& list, CStringArray& out)
{
    const int count = static_cast<int>(list.size());
    for (int i = 0; i < count; ++i)
        out.SetAtGrow(i, list[static_cast<size_t>(i)]);
    return count;
}

} // namespace

CTarvelApp* TarvelApp()
{
    return static_cast<CTarvelApp*>(AfxGetApp());
}

CTarvelApp::CTarvelApp() = default;

void CTarvelApp::AddCreatedInstallFolder(CString folder)
{
    Changes.FolderCreated(Change::Area::Package, folder);
}

void CTarvelApp::AddCreatedSharedFolder(CString folder)
{
    Changes.FolderCreated(Change::Area::Shared, folder);
}

int CTarvelApp::GetCreatedInstallFolders(CStringArray& folders) const
{
    return CopyJournal(Changes.CreatedFolders(Change::Area::Package), folders);
}

int CTarvelApp::GetCreatedSharedFolders(CStringArray& folders) const
{
    return CopyJournal(Changes.CreatedFolders(Change::Area::Shared), folders);
}

BOOL CTarvelApp::AcquireSingleInstance()
{
    InstanceMutex = SingleInstance::Acquire();
    return InstanceMutex != nullptr;
}

CString CTarvelApp::InstallerFolderOf(const char* modulePath)
{
    return PathHelpers::FolderOf(modulePath);
}

BOOL CTarvelApp::InitInstance()
{
    Enable3dControlsStatic();

    if (!AcquireSingleInstance()) {
        ExitCode = EXIT_ANOTHER_INSTANCE;
        return FALSE;
    }

    SetRegistryKey("Zerdane");
    LoadStdProfileSettings(4);

    AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, NewDocument, NewFrame, NewView));

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;

    GetCurrentDirectoryA(sizeof(StartFolder), StartFolder);

    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, sizeof(modulePath));
    lstrcpynA(InstallerFolder, InstallerFolderOf(modulePath), sizeof(InstallerFolder));

    Switches = CommandLine::Parse(m_lpCmdLine);
    RunReport::StartFacts facts;
    facts.Version = TARVEL_VERSION;
    facts.CommandLine = m_lpCmdLine;
    facts.InstallerFolder = InstallerFolder;
    facts.StartFolder = StartFolder;
    facts.Owner = m_pMainWnd ? m_pMainWnd->GetSafeHwnd() : nullptr;
    if (!RunReport::Start(Switches, facts, Changes)) {
        ExitCode = EXIT_FAILED_BEFORE_COPY;
        return FALSE;
    }

    _chdir(InstallerFolder); // a failure shows later, as the missing setup script

    m_pMainWnd->SetWindowText("Tarvel");
    m_pMainWnd->ShowWindow(SW_SHOWMINIMIZED);
    m_pMainWnd->UpdateWindow();

    IsRunPosted = 0;
    return TRUE;
}

int CTarvelApp::Run()
{
    IsNtFamily = ShellFolders::IsNtFamily() ? 1 : 0;

    if (!IsRunPosted) {
        ::PostMessageA(m_pMainWnd->m_hWnd, WM_COMMAND, ID_RUN_SETUP, 0);
        IsRunPosted = 1;
    }
    return CWinApp::Run();
}

int CTarvelApp::ExitInstance()
{
    SingleInstance::Release(InstanceMutex);
    CWinApp::ExitInstance();
    RunReport::End(ExitCode);
    return ExitCode;
}

BOOL CTarvelApp::OnCmdMsg(UINT nID, int nCode)
{
    switch (nID) {
    case ID_APP_ABOUT:
        OnAppAbout();
        return TRUE;
    case ID_RUN_SETUP:
        OnRunSetup();
        return TRUE;
    }
    return CWinApp::OnCmdMsg(nID, nCode);
}

void CTarvelApp::OnRunSetup()
{
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(m_pMainWnd);
    CTarvelView* pView = pFrame ? dynamic_cast<CTarvelView*>(pFrame->GetActiveView()) : nullptr;
    if (pView) {
        IsRunning = 1;
        pView->RunSetup();
        IsRunning = 0;
    }
    _chdir(StartFolder);
    OnAppExit();
}

void CTarvelApp::OnAppAbout()
{
    CDialog about(IDD_ABOUTBOX);
    about.DoModal();
}
