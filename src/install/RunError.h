// What went wrong in a step of the run. A step fills it in and returns; the
// driver that called the step undoes the run once and shows one box for it.
#pragma once

#include "base/afxstr.h"

struct RunError
{
    // A program error code (ERROR_CODE_*) or a system error code to report;
    // ignored when Text is set.
    DWORD Code = 0;
    // A text of the script's own to show instead of the code's.
    CString Text;
    // What was being done and to which path or key, and the system's error
    // at that moment: for the run log, never shown.
    CString Operation;
    CString Path;
    DWORD SystemError = 0;
};
