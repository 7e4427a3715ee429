// Files that a run replaces are kept aside by renaming them into a hidden
// folder on their own volume: no copy, nothing under %TEMP%, and a failure
// or cancel renames them back. The folder's name carries the process id and
// a number, so a folder left by a killed run is never taken for this run's.
#pragma once

#include "rollback/ChangeRecord.h"

namespace KeptAside {

// Renames the file at 'path' into the aside folder under 'root' (made on
// first use) and records both. FALSE, with the system's error for
// GetLastError, when it cannot be kept: the caller must not replace it.
BOOL Keep(ChangeRecord& record, Change::Area area, const CString& root, const CString& path);

// Makes the aside folder under 'root' now, with its journal, when the run
// has none there yet: a run that keeps nothing aside (a fresh install) is
// then undone by the next run too if it is killed. FALSE when it cannot be made.
BOOL Start(ChangeRecord& record, Change::Area area, const CString& root);

} // namespace KeptAside
