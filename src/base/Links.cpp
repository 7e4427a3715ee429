#include "base/Links.h"

#include "base/PathHelpers.h"
#include "base/SystemCalls.h"

namespace Links {

namespace {

// FILE_DISPOSITION_INFO, which the headers hide below Windows Vista.
struct DeleteDisposition
{
    BOOLEAN DeleteFile;
};
constexpr int FILE_DISPOSITION_INFO_CLASS = 4;

using SetInformation = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

SetInformation SetInformationCall()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<SetInformation>(GetProcAddress(kernel, "SetFileInformationByHandle"))
                  : nullptr;
}

} // namespace

bool IsLink(const char* path)
{
    const DWORD attributes = Sys().GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

CString FirstLinkBelow(const char* root, const char* path)
{
    const CString item = PathHelpers::WithoutTrailingBackslash(path);
    if (!root || !root[0] || !PathHelpers::IsInside(item, root))
        return IsLink(item) ? item : CString();
    // Each level from the one below the root down to the item: a link found
    // higher up makes everything below it the target's.
    const CString base = PathHelpers::WithTrailingBackslash(root);
    for (int from = base.GetLength();;) {
        const int cut = PathHelpers::FindNthBackslash(item, from, 1);
        const CString level = cut < 0 ? item : item.Left(cut);
        if (IsLink(level))
            return level;
        if (cut < 0)
            return CString();
        from = cut + 1;
    }
}

bool RemoveLinkItself(const char* path)
{
    const SetInformation setInformation = SetInformationCall();
    if (!setInformation) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE handle = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    bool removed = false;
    DWORD error = ERROR_NOT_SUPPORTED;
    if (Sys().GetFileInformationByHandle(handle, &info)
        && (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        DeleteDisposition disposition = {TRUE};
        removed = setInformation(handle, FILE_DISPOSITION_INFO_CLASS, &disposition, sizeof(disposition))
            != FALSE;
        error = removed ? ERROR_SUCCESS : GetLastError();
    }
    CloseHandle(handle);
    SetLastError(error);
    return removed;
}

} // namespace Links
