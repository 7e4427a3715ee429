#include "SharedRegistry.h"

#include "base/ScopedHandles.h"

namespace SharedRegistry {

BOOL ReadProgramFilesDir(CString& folder)
{
    // The registry answers its error instead of setting the last one: set
    // it, so that a caller can log why.
    // The system's own key: the machine's, whatever root the run chose.
    ScopedRegKey key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0, KEY_QUERY_VALUE,
                            key.Receive());
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    char value[MAX_PATH] = {};
    DWORD size = sizeof(value) - 1;
    rc = RegQueryValueExA(key.Get(), "ProgramFilesDir", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    if (rc != ERROR_SUCCESS || size == 0 || value[0] == '\0') {
        SetLastError(rc != ERROR_SUCCESS ? static_cast<DWORD>(rc) : ERROR_INVALID_DATA);
        return FALSE;
    }
    folder = value;
    return TRUE;
}

int KeyExists(HKEY root, const CString& path)
{
    ScopedRegKey key;
    return RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, key.Receive()) == ERROR_SUCCESS ? 1 : 0;
}

BOOL ReadCounter(const CString& keyPath, LONG& counter)
{
    counter = 0;
    ScopedRegKey key;
    LONG rc = RegOpenKeyExA(CounterRoot(), keyPath, 0, KEY_ALL_ACCESS, key.Receive());
    if (rc == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    DWORD value = 0;
    DWORD size = sizeof(value);
    rc = RegQueryValueExA(key.Get(), COUNTER_VALUE, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    if (rc == ERROR_FILE_NOT_FOUND)
        return TRUE;
    if (rc != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(rc));
        return FALSE;
    }
    counter = static_cast<LONG>(value);
    return TRUE;
}

BOOL WriteCounter(const CString& keyPath, LONG counter)
{
    ScopedRegKey key;
    if (RegOpenKeyExA(CounterRoot(), keyPath, 0, KEY_SET_VALUE, key.Receive()) != ERROR_SUCCESS)
        return FALSE;
    const DWORD value = static_cast<DWORD>(counter);
    return RegSetValueExA(key.Get(), COUNTER_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

} // namespace SharedRegistry
