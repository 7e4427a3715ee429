// The package files that must stay writable after the install (a settings
// file shipped read-only on a CD, say, or the customer's notes): the script
// names them, and their copies lose the read-only bit.
#pragma once

#include "install/RunContext.h"

namespace Writable {

// TRUE when 'source' is a package file the script names as writable.
BOOL IsListed(const RunContext& run, CString source);

// Clears the read-only bit of the copy of a listed file; FALSE when it
// cannot be cleared (the system's error is kept).
BOOL MakeWritableIfListed(const RunContext& run, const CString& source, const CString& destination);

} // namespace Writable
