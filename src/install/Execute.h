// Install execution, split where the package's own files end: the copy
// phase (files, uninstall log, shared components) is one step, apart from
// the registration steps that follow it.
#pragma once

#include "afxwin.h"

class CTarvelDoc;

namespace InstallExecution {

// Copies the package into the destination with progress and cancel, writes
// the uninstall log and installs the shared components. FALSE with the
// failure kept and nothing undone.
BOOL CopyFiles(CTarvelDoc& doc);

// The same, with the run undone and the failure or cancel reported once.
BOOL CopyPackage(CTarvelDoc& doc);

} // namespace InstallExecution
