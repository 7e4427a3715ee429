// The checker's output: texts in the script's code page, written in the
// console's code page, as a console program's output should be.
#pragma once

#include "base/afxstr.h"

#include <windows.h>

namespace Chk {

// Writes the text and a line feed to standard output or standard error: to
// a Windows console as UTF-16, so it reads right in any console code page;
// anywhere else (a file, a pipe, a Linux terminal under Wine) as UTF-8.
void PrintLine(const CString& text, bool toError = false);

// From now on every line is written as UTF-8 bytes, also to a console
// (--utf8: a terminal that shows UTF-8 but reaches the checker as a console).
void PrintAlwaysUtf8();

// A text in the script's code page (932) as bytes of 'codePage'.
CString InCodePage(const CString& text, UINT codePage);

} // namespace Chk
