// Running the uninstaller an install left behind, as a user or a deployment
// tool starts it, and waiting for the clean-up copy that finishes its work.
#pragma once

#include "E2eSupport.h"

#include <windows.h>

#include <string>

namespace e2e {

// Exit codes of uninst.exe.
enum UninstallExitCode : DWORD {
    kRemoved = 0,
    kAnotherRunning = 1,
    kDeclined = 2,
    kNothingChanged = 3,
    kItemsLeft = 4,
};

// Runs <folder>\uninst.exe with `tail` from C:\ (no folder of the
// installation is current). When it removed the installation, waits until
// its clean-up copy has taken the uninstaller, the emptied folders and
// itself away, so that what the test looks at next is the final state.
dlg::RunResult RunUninstaller(const std::string& folder, const std::string& tail, dlg::RunOptions options = {});

// Waits up to 20 s until the uninstaller's program and its clean-up copy are
// gone; false when either stayed.
bool WaitForCleanupCopy(const std::string& uninstaller);

} // namespace e2e
