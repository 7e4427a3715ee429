// The links step: the program folder in the Start menu, the menu link and
// the desktop link, made where the installation's layout puts them. Every
// folder and link is recorded before it is made, so the run's undo takes
// back exactly what this step added and puts back any link it replaced.
#pragma once

#include "install/InstallLayout.h"
#include "install/RunContext.h"

namespace Shortcuts {

// Saves one shell link at 'link' that opens 'target' and shows the first
// icon of 'icon'. FALSE after the failure has been kept in 'run'.
BOOL Create(RunContext& run, const CString& target, const CString& link, const CString& icon);

// The program folder, the menu link, and the desktop link when the script
// asks for one. FALSE after the failure has been kept in 'run'.
BOOL Make(RunContext& run, const InstallLayout& layout);

} // namespace Shortcuts
