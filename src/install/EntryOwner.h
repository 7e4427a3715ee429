// Whose an entry in the list of installed software is. The installer writes
// its values into the key the package names, and the uninstaller deletes that
// key: both may do so only to the package's own earlier installation, never
// to another program's entry that happens to bear the same name.
#pragma once

#include "base/afxstr.h"

namespace EntryOwner {

enum class Owner {
    None,    // no such key: a new entry
    Ours,    // this package's earlier installation
    Gone,    // an installer's entry whose installation folder is no longer there
    Another, // anything else: another program's, or one we cannot prove is ours
};

// The owner of "...\Uninstall\<keyName>" under 'root'; an empty name, the list's own
// key, is never ours. It is ours only when its "UninstallFolder" holds an uninstall log and
// a setup script whose "UNINSTALL_KEY" is 'keyName' too. 'folder' gets the
// "UninstallFolder" the key names, empty when none. An entry that names an
// "UninstallFolder" that is gone, and an "UninstallString" in it, is left
// over from an installation deleted by hand: nothing of another program's
// is there to protect, and a new install is the user's way to repair it.
Owner Of(HKEY root, const CString& keyName, CString& folder);

// The same test on a folder alone: an installation of the package that
// registers under 'keyName' lies there.
bool IsInstallationOf(const CString& folder, const CString& keyName);

} // namespace EntryOwner
