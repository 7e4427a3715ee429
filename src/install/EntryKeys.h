// The registration step: the package's entry in the list of installed
// software, with every value of the entry's one list, and each complete
// product's key with its key file. Everything is recorded before it is
// written, so the run's undo takes it back, or puts back what an earlier
// installation had there.
#pragma once

#include "install/InstallLayout.h"
#include "install/RunContext.h"

namespace EntryKeys {

// Writes the entry and the product keys where 'layout' puts them. FALSE
// after the failure has been kept in 'run'; a product key that cannot be
// written is let go (the package is in place and removable without it).
BOOL Write(RunContext& run, const InstallLayout& layout);

} // namespace EntryKeys
