#include "FakeDisk.h"

#include "base/SystemCalls.h"

FakeDisk g_disk;
int g_creationsAllowed = 0;

namespace {

unsigned long long FreeBytes()
{
    unsigned long long total = 0;
    if (g_disk.list)
        for (const SourceEntry& e : *g_disk.list)
            total += (static_cast<unsigned long long>(e.SizeHigh) << 32) + e.SizeLow;
    return total + g_disk.overTotal;
}

BOOL WINAPI FakeFreeSpaceEx(LPCSTR root, PULARGE_INTEGER available, PULARGE_INTEGER total, PULARGE_INTEGER free)
{
    ++g_disk.exCalls;
    g_disk.root = root ? root : "<null>";
    if (!g_disk.exSucceeds)
        return FALSE;
    available->QuadPart = FreeBytes();
    total->QuadPart = free->QuadPart = available->QuadPart;
    return TRUE;
}

FARPROC WINAPI FakeGetProcAddress(HMODULE module, LPCSTR name)
{
    if (HIWORD(name) && lstrcmpA(name, "GetDiskFreeSpaceExA") == 0)
        return g_disk.hasEx ? reinterpret_cast<FARPROC>(&FakeFreeSpaceEx) : nullptr;
    return ::GetProcAddress(module, name);
}

BOOL WINAPI FakeFreeSpace(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                          LPDWORD totalClusters)
{
    ++g_disk.fallbackCalls;
    g_disk.root = root ? root : "<null>";
    if (!g_disk.fallbackSucceeds)
        return FALSE;
    *sectorsPerCluster = 8;
    *bytesPerSector = 512;
    *freeClusters = *totalClusters = static_cast<DWORD>(
        g_disk.clusters >= 0 ? g_disk.clusters : static_cast<long long>((FreeBytes() + 4095) / 4096));
    return TRUE;
}

} // namespace

void UseFakeDisk()
{
    Sys().GetProcAddress = &FakeGetProcAddress;
    Sys().GetDiskFreeSpaceA = &FakeFreeSpace;
}

BOOL WINAPI FailingCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    if (g_creationsAllowed-- <= 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return ::CreateDirectoryA(path, security);
}
