// Small file-system helpers that the install, its undo, the folder browser
// and the uninstaller all need. Before a file is replaced or deleted, or a
// folder removed, a set read-only bit has to go, and only that bit: the
// others are the owner's.
#pragma once

#include "base/afxstr.h"

#include <functional>

namespace FileOps {

// TRUE when the file or folder's attributes can be read.
bool Exists(const char* path);

// TRUE for an existing folder; a file of that name is none.
bool IsFolder(const char* path);

// Creates the levels of 'folder' (which ends in a backslash) that do not
// exist, outermost first, through the seam table, passing each one created
// to 'onCreated'. A path without ":\" (a network path) has no level that we
// may create. FALSE when a level cannot be made; the levels made before
// stay reported.
BOOL CreateMissingLevels(const CString& folder, const std::function<void(const CString& level)>& onCreated);

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

// The running program's own file, however long its path: a program in a
// destination near MAX_PATH must not see its name cut (its folder would be
// wrong). Empty when the system cannot name it.
CString OwnProgramPath();

} // namespace FileOps
