// The checker's output: texts in the script's code page, written in the
// console's code page, as a console program's output should be.
#pragma once

#include "base/afxstr.h"

#include <windows.h>

namespace Chk {

// Writes the text and a line feed to standard output or standard error: to
// a console as UTF-16, so it reads right in any console code page; else as
// bytes in the console's output code page (the system's without a console).
void PrintLine(const CString& text, bool toError = false);

// The same for a document that tools read as UTF-8 (a winget manifest):
// redirected, its bytes are UTF-8 whatever the code pages.
void PrintUtf8Line(const CString& text);

// A text in the script's code page (932) as bytes of 'codePage'.
CString InCodePage(const CString& text, UINT codePage);

} // namespace Chk
