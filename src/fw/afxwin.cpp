#include "afxwin.h"

#include "base/SystemLibraries.h"

#include <map>

namespace {

// One GUI thread: a plain map from window handle to the object that handles it.
std::map<HWND, CWnd*>& HandleMap()
{
    static std::map<HWND, CWnd*> map;
    return map;
}

// The progress bar's window class lives in comctl32. Linked in, that library
// would load at every start, also in a silent run that never shows a
// dialog; so it is loaded just before the first dialog is made, and stays
// loaded for the dialogs after it. Loaded by its bare name it would come from
// the program's or the current folder first; it comes from System32 or, with
// the manifest's activation context, the side-by-side version 6.
void RegisterCommonControls()
{
    static bool registered = false;
    if (registered)
        return;
    using InitProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    HMODULE library = SystemLibraries::Load("comctl32.dll");
    auto init = library ? reinterpret_cast<InitProc>(GetProcAddress(library, "InitCommonControlsEx"))
                        : nullptr;
    if (!init)
        return; // the dialog that needs a common control then fails to be made
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    registered = init(&icc) != FALSE;
}

} // namespace

// ---------------------------------------------------------------- CCmdTarget

BOOL CCmdTarget::OnCmdMsg(UINT, int)
{
    return FALSE;
}

// ---------------------------------------------------------------------- CWnd

CWnd::~CWnd()
{
    // An object that still handles a live window must not leave a dangling
    // map entry behind; control wrappers (attached only) leave their control alone.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) {
        UnsubclassWindow();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    auto it = HandleMap().find(hWnd);
    return it == HandleMap().end() ? nullptr : it->second;
}

HWND CWnd::GetSafeOwner(CWnd* pParent)
{
    if (pParent && pParent->m_hWnd)
        return GetAncestor(pParent->m_hWnd, GA_ROOT);
    CWnd* pMain = AfxGetMainWnd();
    if (!pMain || !pMain->m_hWnd)
        return nullptr;
    return GetLastActivePopup(pMain->m_hWnd);
}

BOOL CWnd::Attach(HWND hWnd)
{
    m_hWnd = hWnd;
    return hWnd != nullptr;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!hWnd)
        return FALSE;
    m_hWnd = hWnd;
    HandleMap()[hWnd] = this;
    WNDPROC old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StandardWndProc)));
    // Already ours (a framework window class): keep the default procedure.
    if (old != StandardWndProc)
        m_pfnSuper = old;
    return TRUE;
}

HWND CWnd::UnsubclassWindow()
{
    HWND h = m_hWnd;
    if (!h)
        return nullptr;
    if (m_pfnSuper && ::IsWindow(h))
        SetWindowLongPtrA(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    HandleMap().erase(h);
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return h;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    return ::DestroyWindow(m_hWnd);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND && OnCommand(wParam, lParam))
        return 0;
    return Default(message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // Notifications from controls are the window's own business.
    if (lParam != 0)
        return FALSE;
    return OnCmdMsg(LOWORD(wParam), HIWORD(wParam));
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return DefWindowProcA(m_hWnd, message, wParam, lParam);
}

CWnd*& CWnd::WindowBeingCreated()
{
    static CWnd* pWnd = nullptr;
    return pWnd;
}

LRESULT CALLBACK CWnd::StandardWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = FromHandlePermanent(hWnd);
    if (!pWnd && WindowBeingCreated()) {
        pWnd = WindowBeingCreated();
        WindowBeingCreated() = nullptr;
        pWnd->m_hWnd = hWnd;
        HandleMap()[hWnd] = pWnd;
    }
    if (!pWnd)
        return DefWindowProcA(hWnd, message, wParam, lParam);

    if (message != WM_NCDESTROY)
        return pWnd->WindowProc(message, wParam, lParam);

    // The last message: pass it on, then let go of the window. PostNcDestroy
    // may delete the object, so nothing touches it afterwards.
    LRESULT result = pWnd->WindowProc(message, wParam, lParam);
    if (pWnd->m_pfnSuper)
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pWnd->m_pfnSuper));
    HandleMap().erase(hWnd);
    pWnd->m_pfnSuper = nullptr;
    pWnd->m_hWnd = nullptr;
    pWnd->PostNcDestroy();
    return result;
}

// ------------------------------------------------------------------- CDialog

INT_PTR CDialog::DoModal()
{
    RegisterCommonControls();
    HWND owner = GetSafeOwner(m_pParentWnd);
    return DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(m_nIDTemplate), owner, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

void CDialog::PumpWaitingMessages()
{
    MSG msg;
    while (m_hWnd && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Not ours to take: hand it back to the main loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    m_nIDTemplate = nIDTemplate;
    m_pParentWnd = pParentWnd;
    HWND parent = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    RegisterCommonControls();
    HWND h = CreateDialogParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(nIDTemplate), parent, DialogProc,
                                reinterpret_cast<LPARAM>(this));
    return h != nullptr;
}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam)
{
    // OK and Cancel arrive from the buttons (lParam set) and from the dialog
    // manager's Enter and Esc handling (lParam zero) alike.
    switch (LOWORD(wParam)) {
    case IDOK:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        break;
    case IDCANCEL:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnCancel();
            return TRUE;
        }
        break;
    }
    return CWnd::OnCommand(wParam, lParam);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE; // everything else reaches the object through the subclassed procedure
    CDialog* pDlg = reinterpret_cast<CDialog*>(lParam);
    pDlg->SubclassWindow(hWnd);
    return pDlg->OnInitDialog();
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    // Bound afresh each time: a dialog object may be shown more than once.
    rControl.Attach(::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC));
}

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hCtl = ::GetDlgItem(pDX->m_pDlgWnd->m_hWnd, nIDC);
    if (!pDX->m_bSaveAndValidate) {
        ::SetWindowTextA(hCtl, value);
        return;
    }
    int n = GetWindowTextLengthA(hCtl);
    CString text;
    if (n > 0) {
        int got = ::GetWindowTextA(hCtl, text.GetBuffer(n + 1), n + 1);
        text.ReleaseBuffer(got);
    }
    value = text;
}

// ----------------------------------------------------------------------- GDI

SIZE CDC::GetTextExtent(const char* psz, int nCount) const
{
    SIZE size = {0, 0};
    GetTextExtentPoint32A(m_hDC, psz, nCount, &size);
    return size;
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd ? pWnd->m_hWnd : nullptr)
{
    m_hDC = ::GetDC(m_hWnd);
}

CClientDC::~CClientDC()
{
    if (m_hDC)
        ::ReleaseDC(m_hWnd, m_hDC);
}

CPaintDC::CPaintDC(CWnd* pWnd) : m_hWnd(pWnd->m_hWnd), m_ps()
{
    m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC()
{
    ::EndPaint(m_hWnd, &m_ps);
}

BOOL CBitmap::DeleteObject()
{
    if (!m_hObject)
        return FALSE;
    BOOL ok = ::DeleteObject(m_hObject);
    m_hObject = nullptr;
    return ok;
}
