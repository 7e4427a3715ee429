#include "base/SystemCalls.h"

#include <objbase.h>

namespace {

// A kernel32 call that not every Windows has; nullptr where it is missing.
template <typename Call>
Call KernelCall(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Call>(::GetProcAddress(kernel, name)) : nullptr;
}

SystemCalls RealCalls()
{
    SystemCalls s;
    s.SetDefaultDllDirectories = KernelCall<decltype(s.SetDefaultDllDirectories)>("SetDefaultDllDirectories");
    s.SetDllDirectoryA = KernelCall<decltype(s.SetDllDirectoryA)>("SetDllDirectoryA");
    s.OpenMutexA = ::OpenMutexA;
    s.MessageBoxA = ::MessageBoxA;
    s.ReadFile = ::ReadFile;
    s.CopyFileA = ::CopyFileA;
    s.SetFileAttributesA = ::SetFileAttributesA;
    s.DeleteFileA = ::DeleteFileA;
    s.CreateDirectoryA = ::CreateDirectoryA;
    s.GetTempPath2A = KernelCall<decltype(s.GetTempPath2A)>("GetTempPath2A");
    s.GetFileAttributesA = ::GetFileAttributesA;
    s.GetFileInformationByHandle = ::GetFileInformationByHandle;
    s.GetProcAddress = ::GetProcAddress;
    s.GetDiskFreeSpaceA = ::GetDiskFreeSpaceA;
    s.RegCreateKeyExA = ::RegCreateKeyExA;
    s.RegSetValueExA = ::RegSetValueExA;
    s.RegDeleteValueA = ::RegDeleteValueA;
    s.MoveFileA = ::MoveFileA;
    s.CreateFileA = ::CreateFileA;
    s.WriteFile = ::WriteFile;
    s.LoadLibraryExA = ::LoadLibraryExA;
    s.CoCreateInstance = ::CoCreateInstance;
    s.GetTokenInformation = ::GetTokenInformation;
    s.CheckTokenMembership = ::CheckTokenMembership;
    s.GetACP = ::GetACP;
    s.MessageBoxW = ::MessageBoxW;
    s.Sleep = ::Sleep;
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
