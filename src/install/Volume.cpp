#include "install/Volume.h"

#include "base/PathHelpers.h"
#include "base/SystemCalls.h"
#include "script/ScriptKeys.h"

namespace Volume {

namespace {

using FreeSpaceExProc = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

} // namespace

CString Root(const CString& path)
{
    if (path.GetLength() >= 2 && path[1] == ':')
        return path.Left(2) + "\\";
    if (path.Left(2) == "\\\\") {
        int share = PathHelpers::FindNthBackslash(path, 2, 2);
        return share > 0 ? path.Left(share + 1) : path;
    }
    return CString();
}

FreeSpace QueryFreeSpace(const CString& root, ULONGLONG& space)
{
    const char* where = root.IsEmpty() ? nullptr : static_cast<const char*>(root);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? Sys().GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
    if (proc) {
        auto freeSpaceEx = reinterpret_cast<FreeSpaceExProc>(proc);
        ULARGE_INTEGER available, total, totalFree;
        if (!freeSpaceEx(where, &available, &total, &totalFree))
            return FreeSpace::ExFailed;
        space = available.QuadPart;
        return FreeSpace::Known;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!Sys().GetDiskFreeSpaceA(where, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return FreeSpace::FallbackFailed;
    space = static_cast<ULONGLONG>(sectorsPerCluster) * bytesPerSector * freeClusters;
    return FreeSpace::Known;
}

ULONGLONG TotalSize(const std::vector<SourceEntry>& list)
{
    ULONGLONG total = 0;
    for (const SourceEntry& entry : list)
        total += entry.Size();
    return total;
}

BOOL HasRoomFor(RunContext& run, const CString& folder, const std::vector<SourceEntry>& items)
{
    ULONGLONG space = 0;
    const CString root = Root(folder);
    switch (QueryFreeSpace(root, space)) {
    case FreeSpace::Known:
        break;
    case FreeSpace::ExFailed:
        return run.Fail(ERROR_CODE_GENERAL, "free space", root);
    case FreeSpace::FallbackFailed:
        return run.FailWithText(run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED), "free space", root);
    }
    if (space > TotalSize(items))
        return TRUE;
    SetLastError(ERROR_DISK_FULL);
    return run.Fail(ERROR_CODE_NOSPACE, "free space", root);
}

} // namespace Volume
