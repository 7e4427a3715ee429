#include "base/SystemCalls.h"

#include <objbase.h>

namespace {

SystemCalls RealCalls()
{
    SystemCalls s;
    s.OpenMutexA = ::OpenMutexA;
    s.MessageBoxA = ::MessageBoxA;
    s.ReadFile = ::ReadFile;
    s.CopyFileA = ::CopyFileA;
    s.SetFileAttributesA = ::SetFileAttributesA;
    s.CreateDirectoryA = ::CreateDirectoryA;
    s.GetProcAddress = ::GetProcAddress;
    s.GetDiskFreeSpaceA = ::GetDiskFreeSpaceA;
    s.RegCreateKeyExA = ::RegCreateKeyExA;
    s.RegSetValueExA = ::RegSetValueExA;
    s.MoveFileA = ::MoveFileA;
    s.WriteFile = ::WriteFile;
    s.LoadLibraryExA = ::LoadLibraryExA;
    s.CoCreateInstance = ::CoCreateInstance;
    s.GetTokenInformation = ::GetTokenInformation;
    s.CheckTokenMembership = ::CheckTokenMembership;
    s.GetACP = ::GetACP;
    s.MessageBoxW = ::MessageBoxW;
    return s;
}

SystemCalls g_calls = RealCalls();

} // namespace

SystemCalls& Sys()
{
    return g_calls;
}

void ResetSystemCalls()
{
    g_calls = RealCalls();
}
