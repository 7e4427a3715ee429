#include "TarvelView.h"

#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"

BOOL IsFlagFalse(const CString& flag)
{
    return flag.CompareNoCase(FLAG_FALSE) == 0;
}

CTarvelDoc* CTarvelView::GetDocument() const
{
    return static_cast<CTarvelDoc*>(m_pDocument);
}

const char* CTarvelView::CommandLine() const
{
    CWinApp* pApp = AfxGetApp();
    return (pApp && pApp->m_lpCmdLine) ? pApp->m_lpCmdLine : "";
}

BOOL CTarvelView::IsCommandLine(const char* option) const
{
    // The whole text after the program name, byte by byte, ASCII letters
    // without regard to case: "/PSM " with a trailing blank is an ordinary
    // interactive run. lstrcmpiA would apply the locale's sort rules, under
    // which other texts can compare equal.
    const char* text = CommandLine();
    for (;; ++text, ++option) {
        char a = *text, b = *option;
        if (a >= 'a' && a <= 'z')
            a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z')
            b = static_cast<char>(b - 'a' + 'A');
        if (a != b)
            return FALSE;
        if (a == '\0')
            return TRUE;
    }
}

int CTarvelView::RunSetup()
{
    CTarvelDoc* pDoc = GetDocument();
    CTarvelApp* pApp = TarvelApp();
    pApp->ExitCode = EXIT_FAILED_BEFORE_COPY;
    if (!pDoc->LoadScript())
        return 0;

    if (CWnd* pMain = AfxGetMainWnd())
        pMain->SetForegroundWindow();

    IsUnattended = 0;
    if (IsCommandLine("/WD") || IsCommandLine("/PSM")) {
        IsUnattended = 1;
        if (pDoc->PrepareInstall(FALSE) == -1)
            return 0;
    } else if (IsFlagFalse(pDoc->FlagInstFolDialog)) {
        if (pDoc->PrepareInstall(FALSE) == -1)
            return 0;
    } else if (!RunInstallFolderDialog()) {
        return 0;
    }

    if (!IsCommandLine("/PSM") && !IsFlagFalse(pDoc->FlagStatusDialog)) {
        if (!ShowStatus())
            return 0;
    } else {
        IsStatusShown = 0;
    }

    BOOL installed = pDoc->RunInstall();
    CloseStatus();

    if (installed) {
        pApp->ExitCode = EXIT_INSTALLED;
        RunEndDialog();
    } else {
        pApp->ExitCode = pDoc->IsUserCancel ? EXIT_CANCELLED_INSTALL : EXIT_FAILED_INSTALL;
    }
    return 0;
}

BOOL CTarvelView::ShowStatus()
{
    CTarvelDoc* pDoc = GetDocument();
    if (!StatusDlg.Create(IDD_STATUS, this))
        return FALSE;
    StatusDlg.SetDlgItemText(IDC_MESSAGE, pDoc->GetScriptValue(SEC_INSTALL, KEY_MSG_COPY_FILE));
    StatusDlg.SetDlgItemText(IDC_FILE_NAME, " ");
    StatusDlg.SetWindowText(pDoc->GetScriptValue(SEC_INSTALL, KEY_CAPTION));
    StatusDlg.ShowWindow(SW_SHOW);
    StatusDlg.UpdateWindow();
    IsStatusShown = 1;
    StatusDlg.EnableWindow(TRUE);
    return TRUE;
}

void CTarvelView::CloseStatus()
{
    if (!IsStatusShown)
        return;
    IsStatusShown = 0;
    StatusDlg.DestroyWindow();
}

BOOL CTarvelView::PumpMessages()
{
    if (!IsStatusShown)
        return FALSE;
    return StatusDlg.PumpMessages();
}

void CTarvelView::RequestCancel()
{
    if (IsStatusShown)
        StatusDlg.CancelRequest = 1;
}

void CTarvelView::OnUpdate(CView*, LPARAM, CObject*)
{
    CTarvelDoc* pDoc = GetDocument();
    if (!pDoc || !IsStatusShown)
        return;
    StatusDlg.ProgressBar.SetPos(pDoc->GetProgress());
    StatusDlg.SetDlgItemText(IDC_FILE_NAME, CStatusDlg::FileNamePart(pDoc->CurrentItem));
    StatusDlg.UpdateWindow();
}

void CTarvelView::OnDraw(CDC*)
{
}

void CTarvelView::PostNcDestroy()
{
    if (StatusDlg.m_hWnd)
        StatusDlg.DestroyWindow();
    CView::PostNcDestroy();
}
