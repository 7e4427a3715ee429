// Who else uses the shared libraries of an installation being removed. The
// product key names one installation of the product, the last one made: when
// that is another folder whose files are still there, the product is still
// installed, and the last count of a library is that installation's.
#pragma once

#include "uninst/UninstallPlan.h"

namespace SharedUsers {

// The key file of another installation of one of the plan's products that
// still exists, or empty when every product key names this installation, is
// gone, or names an installation that is gone.
CString OtherInstallation(const UninstallPlan& plan);

} // namespace SharedUsers
