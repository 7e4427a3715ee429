// The shell's special folders (Start-menu programs, desktop) as file-system
// paths: the installer puts its links there and the uninstaller takes them away.
#pragma once

#include "base/afxstr.h"

namespace ShellFolders {

// The folder for a CSIDL_* value; empty when the shell cannot name one.
CString Path(int csidl);

// The programs folder of the Start menu and the desktop that an install
// uses: all users' on the NT family, the user's own on 95/98/Me.
CString Programs(bool allUsers);
CString Desktop(bool allUsers);

// TRUE on the NT family, where links go to all users' folders.
bool IsNtFamily();

} // namespace ShellFolders
