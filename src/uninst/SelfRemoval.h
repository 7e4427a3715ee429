// A running program cannot delete its own file. The uninstaller therefore
// copies itself into a new folder of its own under the temporary folder (see
// CleanupFolder.h) and starts the copy there with a handle to itself; the copy
// waits until the uninstaller has ended, deletes it and the folders that held
// it, and has its own file and folder deleted once it has ended.
#pragma once

#include "base/afxstr.h"

#include <vector>

namespace SelfRemoval {

// The switch that starts a copy in its clean-up role.
constexpr char CLEANUP_SWITCH[] = "/TARVEL-CLEANUP";

// Starts the copy for the uninstaller 'program' and the folders to remove
// when empty after it, innermost first. With a 'log' (the run's, full path)
// the copy adds its removals to it and ends it with the uninstaller's exit
// code. The copy gets the single-instance mutex this process holds and keeps
// it until its removals are done, so that an installer started meanwhile
// finds it taken instead of racing them. FALSE when no copy could be started
// (nothing is left of it then).
bool StartCleanupCopy(const CString& program, const std::vector<CString>& folders, const CString& log);

// The copy's work, from the text after CLEANUP_SWITCH on its command line.
// Returns the process exit code: 0 when the program is gone.
int RunCleanup(const char* arguments);

} // namespace SelfRemoval
