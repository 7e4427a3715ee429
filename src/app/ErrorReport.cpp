// Error reporting: a step keeps its failure, the driver undoes the run once
// and shows one box, worded by the script's [ERROR] section.
#include "app/TarvelDoc.h"
#include "base/MessageBoxes.h"
#include "base/RunLog.h"
#include "base/SystemText.h"
#include "script/ScriptKeys.h"

namespace {

// The [ERROR] key that words a program error code, or null for a system code.
const char* ErrorKeyFor(DWORD code)
{
    switch (code) {
    case ERROR_CODE_WRITE:
        return KEY_ERR_MES_WRITE_ERROR;
    case ERROR_CODE_COPY:
        return KEY_ERR_MES_COPY_ERROR;
    case ERROR_CODE_NOSPACE:
        return KEY_ERR_MES_NOSPACE;
    case ERROR_CODE_CANCEL:
        return KEY_ERR_MES_USER_CANCEL;
    case ERROR_CODE_GENERAL:
        return KEY_ERR_MES_ERROR_OCCURRED;
    default:
        return nullptr;
    }
}

} // namespace

void CTarvelDoc::ShowErrorCode(DWORD code)
{
    if (const char* key = ErrorKeyFor(code)) {
        ShowMessage(GetScriptValue(SEC_ERROR, key));
        return;
    }

    // The buffer is released only after the box has closed.
    SystemText system(code);
    if (system.Text()) {
        ShowMessage(system.Text());
        return;
    }
    // A code the system has no text for (a driver's private code, or a
    // system without message tables) still gets a box the user can quote.
    CString fallback;
    fallback.Format("Error 0x%08lX", static_cast<unsigned long>(code));
    ShowMessage(fallback);
}

void CTarvelDoc::ShowMessage(CString text)
{
    // Until the script's settings are loaded the caption is empty, so the
    // messages about the script itself are captioned "Error".
    CWnd* mainWnd = AfxGetMainWnd();
    HWND owner = mainWnd ? mainWnd->GetSafeHwnd() : nullptr;
    const char* caption = Caption.IsEmpty() ? "Error" : static_cast<const char*>(Caption);
    MessageBoxes::Show(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

void CTarvelDoc::ShowTwoLineMessage(CString first, CString second)
{
    ShowMessage(first + '\n' + second);
}

void CTarvelDoc::ReportFailure()
{
    const RunError failure = Failure;
    Failure = RunError();
    if (!failure.Text.IsEmpty())
        ShowMessage(failure.Text);
    else
        ShowErrorCode(failure.Code ? failure.Code : static_cast<DWORD>(ERROR_CODE_GENERAL));
}

void CTarvelDoc::EndFailedRun()
{
    if (Failure.Code == ERROR_CODE_CANCEL) {
        IsUserCancel = 1;
        RunLog::Line("cancel", "cancelled by the user");
    } else {
        RunLog::Failure(Failure.Operation, Failure.Path, Failure.SystemError);
    }
    // Silent and always to its end, before the box: the user's answer to it
    // comes after the machine is as it was.
    RollBackInstall();
    ReportFailure();
}
