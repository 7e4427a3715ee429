// What the install preparation and the shared folder's preparation both do
// with a destination: create its missing levels, find the root of its
// volume, ask how much room is left there, and add up what will be copied.
#pragma once

#include "install/TarvelDoc.h"

namespace Volume {

// TRUE when the file or folder's attributes can be read.
bool Exists(const char* path);

// Creates the levels of 'folder' (which ends in a backslash) that do not
// exist, outermost first, passing each one created to 'journal'. A path
// without ":\" (a network path) has no level that we may create. FALSE when
// a level cannot be made; the levels made before stay journalled.
BOOL CreateMissingLevels(const CString& folder, void (*journal)(const CString& level));

// "C:\" for a drive letter, "\\server\share\" for a network path (its free
// space is not that of the installer's drive), and empty (the current
// drive) for a path with neither.
CString Root(const CString& path);

enum class FreeSpace { Known, ExFailed, FallbackFailed };

// The bytes available to the caller on the volume of 'root'. The first
// Windows 95 lacks the 64-bit call, so it is looked up at run time, and
// the old cluster count is used without it.
FreeSpace QueryFreeSpace(const CString& root, ULONGLONG& space);

// The 64-bit sum of the sizes of all records, folders included.
ULONGLONG TotalSize(const std::vector<SourceEntry>& list);

} // namespace Volume
