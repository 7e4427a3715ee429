// The checker's output: texts in the script's code page, written in the
// console's code page, as a console program's output should be.
#pragma once

#include "base/afxstr.h"

namespace Chk {

// Writes the text and a line feed to standard output or standard error.
void PrintLine(const CString& text, bool toError = false);

} // namespace Chk
