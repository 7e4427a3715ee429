#include "install/EntryOwner.h"

#include "base/FileOps.h"
#include "base/PathHelpers.h"
#include "base/RegistryText.h"
#include "base/ScopedHandles.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "install/UninstallLog.h"
#include "script/ScriptFile.h"
#include "script/ScriptKeys.h"

#include <vector>

namespace EntryOwner {

namespace {

// A folder on a local drive that is not there at all; one that cannot be
// looked at (a network path, no rights) is not proved gone.
bool IsGone(const CString& folder)
{
    if (folder.GetLength() <= 3 || folder[1] != ':' || folder[2] != '\\')
        return false;
    if (GetFileAttributesA(folder) != INVALID_FILE_ATTRIBUTES)
        return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

} // namespace

bool IsInstallationOf(const CString& folder, const CString& keyName)
{
    if (folder.IsEmpty())
        return false;
    const CString base = PathHelpers::WithTrailingBackslash(folder);
    if (!FileOps::Exists(base + UNINSTALL_LOG_NAME))
        return false;
    std::vector<ScriptEntry> entries(SCRIPT_MAX_ENTRIES);
    int count = 0;
    if (!ReadInstalledScript(base + SETUP_SCRIPT_FILE, entries.data(), count))
        return false;
    // The key names compare as the registry compares them.
    return FindScriptEntry(entries.data(), count, SEC_UNINSTALL, KEY_UNINSTALL_KEY) >= 0
        && FindScriptValue(entries.data(), count, SEC_UNINSTALL, KEY_UNINSTALL_KEY).CompareNoCase(keyName) == 0;
}

Owner Of(HKEY root, const CString& keyName, CString& folder)
{
    folder.Empty();
    // An empty name is the list's own key: values written there would sit on
    // the system's key, where no uninstall may delete them.
    if (keyName.IsEmpty())
        return Owner::Another;
    ScopedRegKey key;
    const LONG rc = RegOpenKeyExA(root, UninstallEntry::KeyPath(keyName), 0, KEY_QUERY_VALUE, key.Receive());
    if (rc == ERROR_FILE_NOT_FOUND)
        return Owner::None;
    // A key we may not read is not proved ours.
    if (rc != ERROR_SUCCESS || !RegistryText::Read(key.Get(), VALUE_UNINSTALL_FOLDER, folder, true))
        return Owner::Another;
    if (IsInstallationOf(folder, keyName))
        return Owner::Ours;
    CString uninstaller;
    if (IsGone(folder) && RegistryText::Read(key.Get(), VALUE_UNINSTALL_STRING, uninstaller, true)
        && PathHelpers::IsInside(uninstaller, PathHelpers::WithoutTrailingBackslash(folder)))
        return Owner::Gone;
    return Owner::Another;
}

} // namespace EntryOwner
