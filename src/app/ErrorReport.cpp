// Error reporting: every failure of the run ends in one of these boxes,
// worded by the script's [ERROR] section.
#include "TarvelDoc.h"
#include "MessageBoxes.h"
#include "RunLog.h"
#include "SystemText.h"
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

// What the log can say about a failure from its code alone. A copy names
// the item in work; the other codes are raised after undo steps that leave
// neither the path nor the system's error behind.
CString FailureLine(DWORD code, const CString& currentItem)
{
    switch (code) {
    case ERROR_CODE_WRITE:
        return "a folder could not be created";
    case ERROR_CODE_COPY:
        return currentItem.IsEmpty() ? CString("a file could not be copied") : "copy failed: " + currentItem;
    case ERROR_CODE_NOSPACE:
        return "too little space on the destination drive";
    case ERROR_CODE_CANCEL:
        return "cancelled by the user";
    case ERROR_CODE_GENERAL:
        return "an operation failed";
    default:
        return RunLog::ErrorText(code);
    }
}

} // namespace

void CTarvelDoc::ShowErrorCode(DWORD code)
{
    RunLog::Line(code == ERROR_CODE_CANCEL ? "cancel" : "failure", FailureLine(code, CurrentItem));
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
