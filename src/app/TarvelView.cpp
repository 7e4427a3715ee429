#include "TarvelView.h"

#include "app/TarvelApp.h"
#include "app/RunReport.h"
#include "base/MessageBoxes.h"
#include "base/RunGuards.h"
#include "app/TarvelDoc.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"

namespace {

// The title of the boxes shown before the script, and its caption, are read.
const wchar_t INSTALLER_CAPTION[] = L"Tarvel";

// An unattended run shows no dialog that waits for a click, a silent one
// no dialog at all; the script may switch each one off.
RunReport::ShownDialogs DialogsShown(const CTarvelDoc& doc, CommandLine::RunMode mode)
{
    const bool interactive = mode == CommandLine::RunMode::Interactive;
    RunReport::ShownDialogs shown;
    shown.InstallFolder = interactive && !IsFlagFalse(doc.FlagInstFolDialog);
    shown.Status = mode != CommandLine::RunMode::Silent && !IsFlagFalse(doc.FlagStatusDialog);
    shown.End = interactive && !IsFlagFalse(doc.FlagEndDialog);
    return shown;
}

} // namespace

CTarvelDoc* CTarvelView::GetDocument() const
{
    return static_cast<CTarvelDoc*>(m_pDocument);
}

int CTarvelView::RunSetup()
{
    CTarvelDoc* pDoc = GetDocument();
    CTarvelApp* pApp = TarvelApp();
    pApp->ExitCode = EXIT_FAILED_BEFORE_COPY;
    // Before the script is read: a run without rights would end in a
    // generic failure and an undo, and one in another code page would
    // misread every name of the package, both after changing the machine.
    if (const wchar_t* refusal = RunGuards::Refusal({CString(SETUP_SCRIPT_FILE)})) {
        MessageBoxes::ShowWide(nullptr, refusal, INSTALLER_CAPTION, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
        return 0;
    }
    const BOOL loaded = pDoc->LoadScript();
    const RunReport::ShownDialogs shown = DialogsShown(*pDoc, pApp->Switches.Mode);
    // Also for a package that failed to load: what was read may tell why.
    RunReport::Settings(*pDoc, shown);
    if (!loaded)
        return 0;

    if (CWnd* pMain = AfxGetMainWnd())
        pMain->SetForegroundWindow();

    IsEndDialogShown = shown.End ? 1 : 0;
    if (!shown.InstallFolder) {
        if (PrepareDestination(FALSE) == -1)
            return 0;
    } else if (!RunInstallFolderDialog()) {
        return 0;
    }

    if (shown.Status) {
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

int CTarvelView::PrepareDestination(BOOL ask)
{
    const int result = GetDocument()->PrepareInstall(ask);
    // Also after a failure: the room on the drive is often its reason.
    if (result != 1)
        RunReport::Destination(*GetDocument());
    return result;
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
