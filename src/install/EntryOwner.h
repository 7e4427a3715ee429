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
    Another, // anything else: another program's, or one we cannot prove is ours
};

// The owner of "...\Uninstall\<keyName>" under 'root'; an empty name, the list's own
// key, is never ours. It is ours only when its "UninstallFolder" holds an uninstall log and
// a setup script whose "UNINSTALL_KEY" is 'keyName' too. 'folder' gets the
// "UninstallFolder" the key names, empty when none.
Owner Of(HKEY root, const CString& keyName, CString& folder);

// The same test on a folder alone: an installation of the package that
// registers under 'keyName' lies there.
bool IsInstallationOf(const CString& folder, const CString& keyName);

} // namespace EntryOwner
