#include "base/RegistryText.h"

#include "base/ScopedHandles.h"

namespace RegistryText {

bool Read(HKEY key, const char* name, CString& text, bool expandable)
{
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS
        || !(type == REG_SZ || (expandable && type == REG_EXPAND_SZ)))
        return false;
    // A value stored without its terminator still reads as a whole text.
    char* buffer = text.GetBuffer(static_cast<int>(size) + 1);
    const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    buffer[read == ERROR_SUCCESS ? size : 0] = '\0';
    text.ReleaseBuffer();
    return read == ERROR_SUCCESS;
}

bool Read(HKEY root, const char* keyPath, const char* name, CString& text, bool expandable)
{
    ScopedRegKey key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    return Read(key.Get(), name, text, expandable);
}

} // namespace RegistryText
