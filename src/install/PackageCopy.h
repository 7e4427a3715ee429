// The copy step: every item of the package into the destination with
// progress and cancel, then the shared components, the two uninstall logs,
// the libraries' registration and their user counters. The earlier
// installation's files it replaces are kept aside until the run succeeds.
#pragma once

#include "install/RunContext.h"

namespace PackageCopy {

// FALSE with the failure or cancel kept in 'run' and nothing undone: the
// driver undoes the run once and reports it.
BOOL CopyFiles(RunContext& run);

} // namespace PackageCopy
