// What the install preparation and the shared folder's preparation both do
// with a destination: find the root of its volume, ask how much room is
// left there, add up what will be copied, and compare the two.
#pragma once

#include "install/RunContext.h"

namespace Volume {

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

// TRUE when the volume of 'folder' has more room than the items need. Equal
// is too little: the file system, the log and the folder entries need some
// room of their own. FALSE with the failure kept in 'run' when there is not
// enough, or when the room cannot be asked.
BOOL HasRoomFor(RunContext& run, const CString& folder, const std::vector<SourceEntry>& items);

} // namespace Volume
