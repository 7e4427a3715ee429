#include "base/FileOps.h"

#include "base/ScopedHandles.h"

#include <cstring>

namespace FileOps {

DWORD WithoutReadOnly(DWORD attributes)
{
    const DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    return rest ? rest : FILE_ATTRIBUTE_NORMAL;
}

bool ClearReadOnly(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, WithoutReadOnly(attributes));
    return true;
}

bool IsEmptyFolder(const char* folder)
{
    WIN32_FIND_DATAA found;
    ScopedFind find(CString(folder) + "\\*", found);
    if (!find.IsOpen())
        return false;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0)
            return false;
    } while (find.Next(found));
    return true;
}

bool SameContent(const char* first, const char* second)
{
    ScopedHandle a(CreateFileA(first, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    ScopedHandle b(CreateFileA(second, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!a.IsValid() || !b.IsValid())
        return false;
    static char bufferA[64 * 1024], bufferB[64 * 1024];
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(a.Get(), bufferA, sizeof(bufferA), &readA, nullptr)
            || !ReadFile(b.Get(), bufferB, sizeof(bufferB), &readB, nullptr) || readA != readB)
            return false;
        if (readA == 0)
            return true;
        if (std::memcmp(bufferA, bufferB, readA) != 0)
            return false;
    }
}

} // namespace FileOps
