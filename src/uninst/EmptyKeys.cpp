#include "uninst/EmptyKeys.h"

#include "base/PathHelpers.h"
#include "base/RegistryRoot.h"
#include "base/RunLog.h"
#include "base/ScopedHandles.h"

namespace EmptyKeys {
namespace {


} // namespace

bool Remove(HKEY root, const char* keyPath)
{
    {
        ScopedRegKey key;
        const LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.Receive());
        if (opened == ERROR_FILE_NOT_FOUND)
            return true;
        if (opened != ERROR_SUCCESS)
            return false;
        DWORD subKeys = 0, values = 0;
        if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS || subKeys > 0 || values > 0)
            return false;
    }
    if (RegDeleteKeyA(root, keyPath) != ERROR_SUCCESS)
        return false;
    RunLog::Line("remove", CString("key removed: ") + RegistryRoot::Name(root) + "\\" + keyPath);
    return true;
}

void RemoveUpwards(HKEY root, const CString& keyPath, int stopAt)
{
    CString path = keyPath;
    for (;;) {
        int levels = 1;
        for (int at = 0; (at = PathHelpers::FindNthBackslash(path, at, 1)) >= 0; ++at)
            ++levels;
        if (levels <= stopAt || !Remove(root, path))
            return;
        const int cut = PathHelpers::LastBackslash(path);
        if (cut < 0)
            return;
        path = path.Left(cut);
    }
}

void RemoveValue(HKEY root, const char* keyPath, const char* name)
{
    ScopedRegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS
        && RegDeleteValueA(key.Get(), name) == ERROR_SUCCESS)
        RunLog::Line("remove", CString("value removed: ") + RegistryRoot::Name(root) + "\\" + keyPath + "\\" + name);
}

bool HoldsSubKeys(HKEY root, const char* keyPath)
{
    ScopedRegKey key;
    const LONG opened = RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.Receive());
    if (opened == ERROR_FILE_NOT_FOUND)
        return false;
    DWORD subKeys = 0;
    return opened != ERROR_SUCCESS
        || RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr) != ERROR_SUCCESS
        || subKeys > 0;
}

} // namespace EmptyKeys
