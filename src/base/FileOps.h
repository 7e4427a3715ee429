// Small file-system helpers that the install, its undo and the uninstaller
// all need. Before a file is replaced or deleted, or a folder removed, a set
// read-only bit has to go, and only that bit: the others are the owner's.
#pragma once

#include "base/afxstr.h"

namespace FileOps {

// The attributes with the read-only bit cleared and the others kept; a set
// with nothing left becomes FILE_ATTRIBUTE_NORMAL, which SetFileAttributesA
// needs to clear everything.
DWORD WithoutReadOnly(DWORD attributes);

// Clears a set read-only bit of a file or folder. False when the path's
// attributes cannot be read at all (nothing is there).
bool ClearReadOnly(const char* path);

// TRUE when the folder exists and holds nothing.
bool IsEmptyFolder(const char* folder);

// TRUE when both files can be read and hold the same bytes.
bool SameContent(const char* first, const char* second);

} // namespace FileOps
