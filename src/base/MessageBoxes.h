// Every message box of the program is shown here, so that each one goes
// into the run's log with the answer it got, and so that a silent run told
// to suppress boxes takes each box's default answer instead of waiting for
// a click that no one will give.
#pragma once

#include <windows.h>

namespace MessageBoxes {

// From now on no box is shown: Show answers with the default button.
void SetSuppressed(bool suppressed);

// MessageBoxA through the system-call table, logged; or, suppressed, the
// box's default answer, logged as taken without a window.
int Show(HWND owner, const char* text, const char* caption, UINT type);

// The same through MessageBoxW, for a text built into the program that must
// read right whatever the process code page is.
int ShowWide(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// The button that Enter would press: MB_DEFBUTTON1..4 of the type's
// buttons, the first one when the type names a button it does not have.
int DefaultAnswer(UINT type);

// "OK", "Cancel", "Yes", ..., for the log.
const char* AnswerName(int answer);

} // namespace MessageBoxes
