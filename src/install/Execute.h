// Install execution, split where the package's own files end: the copy
// phase (files, uninstall log, shared components) is one step that the tests
// can run and inspect without the registration steps that follow it.
#pragma once

#include "afxwin.h"

class CTarvelDoc;

namespace InstallExecution {

// Copies the package into the destination with progress and cancel, writes
// the uninstall log and installs the shared components. FALSE after the
// failure or cancel has been undone and reported once.
BOOL CopyPackage(CTarvelDoc& doc);

} // namespace InstallExecution
