#include "app/FileOps.h"

#include "app/ScopedHandles.h"

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

} // namespace FileOps
