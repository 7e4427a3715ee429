#include "base/ShellFolders.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

void FreeIdList(LPITEMIDLIST list)
{
    IMalloc* shellMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&shellMalloc)) && shellMalloc) {
        shellMalloc->Free(list);
        shellMalloc->Release();
    } else {
        CoTaskMemFree(list);
    }
}

} // namespace

namespace ShellFolders {

CString Path(int csidl)
{
    LPITEMIDLIST list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list)) || !list)
        return CString();
    CString path;
    // The call's contract is a buffer of MAX_PATH characters; it writes no more.
    char* buffer = path.GetBuffer(MAX_PATH);
    buffer[0] = '\0';
    BOOL found = SHGetPathFromIDListA(list, buffer);
    path.ReleaseBuffer();
    FreeIdList(list);
    if (!found)
        path.Empty();
    return path;
}

CString Programs(bool allUsers)
{
    return Path(allUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS);
}

CString Desktop(bool allUsers)
{
    return Path(allUsers ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY);
}

bool IsNtFamily()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS;
}

} // namespace ShellFolders
