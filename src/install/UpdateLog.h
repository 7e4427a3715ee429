// A re-install's uninstall log. The new version's log names what this run
// installed; what an earlier version installed and this one no longer ships
// would then be named by no log and stay for good. So the earlier log's
// entries for items that are still there follow this run's own, and one
// uninstall removes what any version put there.
#pragma once

#include "install/UninstallLog.h"

#include <vector>

// Appends to 'text', this run's log text, the copied-folder and copied-file
// entries of 'earlier' (already checked with IsSafeLogEntry) that 'text'
// does not name, without regard to case, and that are still in
// 'installFolder' as the same kind of item: each once, in their earlier
// order, so a kept folder still comes before what it holds. Created-folder
// entries are not appended; they belong at the start of a log. Returns the
// number of entries appended.
int AppendKeptEarlierEntries(CString& text, const std::vector<LogEntry>& earlier, const CString& installFolder);
