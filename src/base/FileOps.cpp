#include "base/FileOps.h"

#include "base/HeldFiles.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

#include <cstring>

namespace FileOps {

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsFolder(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

BOOL CreateMissingLevels(const CString& folder, const std::function<void(const CString& level)>& onCreated)
{
    // ':' is below every trail byte, so a byte-wise search cannot hit the
    // middle of a double-byte character.
    const int drive = folder.Find(":\\");
    if (drive < 0)
        return TRUE;
    for (int n = 1;; ++n) {
        const int cut = PathHelpers::FindNthBackslash(folder, drive + 2, n);
        if (cut < 0)
            return TRUE;
        const CString level = folder.Left(cut);
        if (Exists(level))
            continue;
        if (!Sys().CreateDirectoryA(level, nullptr))
            return FALSE;
        onCreated(level);
    }
}

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
        HeldFiles::SetAttributes(path, WithoutReadOnly(attributes));
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

CString OwnProgramPath()
{
    // A name that fills the buffer may have been cut: try again with more room,
    // up to the longest path the system has.
    for (DWORD size = MAX_PATH; size <= 32768; size *= 2) {
        CString path;
        const DWORD length = GetModuleFileNameA(nullptr, path.GetBuffer(static_cast<int>(size)), size);
        path.ReleaseBuffer(length < size ? static_cast<int>(length) : 0);
        if (length == 0)
            return CString();
        if (length < size)
            return path;
    }
    return CString();
}

} // namespace FileOps
