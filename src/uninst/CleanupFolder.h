// The folder the uninstaller's clean-up copy runs from. The copy is a program
// that whoever can write beside it decides the libraries of; the temporary
// folder of a deployment tool running as SYSTEM may be C:\Windows\Temp, where
// every user can write. So each copy gets a new folder of its own there: a
// name nobody can guess, made only if nothing of that name exists yet (a
// file or folder planted ahead is never used), and open only to SYSTEM, the
// Administrators and the user running the uninstaller.
#pragma once

#include "base/afxstr.h"

namespace CleanupFolder {

// Every such folder's name starts with this, followed by 16 hex digits.
constexpr char NAME_PREFIX[] = "tvuninst-";

// Makes the folder under the temporary folder (GetTempPath2A where the system
// has it: SYSTEM then gets C:\Windows\SystemTemp). Its full path, without a
// trailing backslash; empty when none could be made.
CString Create();

// TRUE when the path's last component is a name Create gives.
bool IsCleanupFolder(const CString& folder);

} // namespace CleanupFolder
