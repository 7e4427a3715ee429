// The registry root a run keeps the package's own keys under: the uninstall
// entry and the product keys. It is chosen here once, read by the installer
// for its run and by the uninstaller for its plan, and every recorded key
// carries it, so the record, its undo and the uninstall all follow it. The
// shared components' counters and registration are the machine's whatever
// this root is: other packages count on them.
#pragma once

#include <windows.h>

namespace RegistryRoot {

// Every installation is the machine's today.
inline HKEY Package()
{
    return HKEY_LOCAL_MACHINE;
}

// The root as the run log names it.
inline const char* Name(HKEY root)
{
    return root == HKEY_CURRENT_USER ? "HKCU" : "HKLM";
}

// The root as a message to the user names it, as the registry editor does.
inline const char* FullName(HKEY root)
{
    return root == HKEY_CURRENT_USER ? "HKEY_CURRENT_USER" : "HKEY_LOCAL_MACHINE";
}

} // namespace RegistryRoot
