// The shared folder: its missing levels created and journalled, the list of
// the package's shared files, and the free space of its drive.
#include "app/TarvelDoc.h"

#include "app/PathHelpers.h"
#include "app/SystemCalls.h"
#include "app/TarvelApp.h"
#include "script/ScriptKeys.h"

namespace {

using GetDiskFreeSpaceExFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

bool Exists(const char* path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Creates the levels of 'folder' (ending in a backslash) that do not exist,
// outermost first, and journals each one. FALSE when a level cannot be made.
// A path without a drive (a network path) has no level we may create.
BOOL CreateMissingLevels(const CString& folder)
{
    int drive = folder.Find(":\\");
    if (drive < 0)
        return TRUE;
    int from = drive + 2;
    for (int n = 1;; ++n) {
        int cut = PathHelpers::FindNthBackslash(folder, from, n);
        if (cut < 0)
            return TRUE;
        CString level = folder.Left(cut);
        if (Exists(level))
            continue;
        if (!Sys().CreateDirectoryA(level, nullptr))
            return FALSE;
        TarvelApp()->AddCreatedSharedFolder(level);
    }
}

// The root of the volume the shared folder lies on: "C:\" for a drive
// letter, "\\server\share\" for a network path (its free space is not that
// of the installer's drive), and empty (the current drive) otherwise.
CString VolumeRoot(const CString& folder)
{
    if (folder.GetLength() >= 2 && folder[1] == ':')
        return folder.Left(2) + "\\";
    if (folder.Left(2) == "\\\\") {
        int share = PathHelpers::FindNthBackslash(folder, 2, 2);
        return share > 0 ? folder.Left(share + 1) : folder;
    }
    return CString();
}

} // namespace

int CTarvelDoc::PrepareSharedFolder()
{
    SharedFolder = PathHelpers::WithTrailingBackslash(SharedFolder);

    if (!Exists(SharedFolder) && !CreateMissingLevels(SharedFolder)) {
        RemoveCreatedSharedFolders();
        ShowErrorCode(ERROR_CODE_WRITE);
        return 0;
    }

    // The list grows with the scan: a shared folder of any size fits.
    SharedFileList.clear();
    SharedFileCount = 0;
    int end = 0;
    int count = ScanSourceFolder("..\\" + SharedSourceFolder + "\\*.*", SharedFileList, 0, &end);
    if (count < 0) {
        RemoveCreatedSharedFolders();
        return 0;
    }
    if (static_cast<size_t>(count) < SharedFileList.size())
        SharedFileList.resize(static_cast<size_t>(count));
    SharedFileCount = static_cast<int>(SharedFileList.size());

    ULONGLONG total = 0;
    for (const SourceEntry& entry : SharedFileList)
        total += (static_cast<ULONGLONG>(entry.SizeHigh) << 32) + entry.SizeLow;

    CString root = VolumeRoot(SharedFolder);
    const char* where = root.IsEmpty() ? nullptr : static_cast<const char*>(root);
    ULONGLONG freeSpace = 0;
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto getFreeEx = reinterpret_cast<GetDiskFreeSpaceExFn>(
        kernel ? Sys().GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr);
    if (getFreeEx) {
        ULARGE_INTEGER available, totalBytes, totalFree;
        if (!getFreeEx(where, &available, &totalBytes, &totalFree)) {
            RemoveCreatedSharedFolders();
            ShowErrorCode(ERROR_CODE_GENERAL);
            return 0;
        }
        freeSpace = available.QuadPart;
    } else {
        // Early Windows 95 has no Ex call; its drives stay below 2 GB.
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
        if (!Sys().GetDiskFreeSpaceA(where, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
            RemoveCreatedSharedFolders();
            ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
            return 0;
        }
        freeSpace = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector * freeClusters;
    }

    // Equal is not enough: the file system needs some room of its own.
    if (freeSpace <= total) {
        RemoveCreatedSharedFolders();
        ShowErrorCode(ERROR_CODE_NOSPACE);
        return 0;
    }
    return 1;
}

void CTarvelDoc::RemoveCreatedSharedFolders()
{
    CStringArray folders;
    int count = TarvelApp()->GetCreatedSharedFolders(folders);
    // Innermost first; a folder that holds anything stays.
    for (int i = count - 1; i >= 0; --i)
        RemoveDirectoryA(folders[i]);
}
