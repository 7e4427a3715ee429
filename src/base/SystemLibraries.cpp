#include "base/SystemLibraries.h"

#include "base/SystemCalls.h"

namespace {

// The loader update that brought the LOAD_LIBRARY_SEARCH_* flags brought
// AddDllDirectory with it: where it is missing, LoadLibraryEx refuses them.
bool KnowsSearchFlags()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel && ::GetProcAddress(kernel, "AddDllDirectory");
}

} // namespace

namespace SystemLibraries {

void RestrictSearch()
{
    SystemCalls& sys = Sys();
    if (sys.SetDefaultDllDirectories && sys.SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Only the current folder goes; the program's own stays in the search.
    // Nothing beyond KnownDLLs is imported, and what the programs load
    // themselves comes through Load, so nothing of it is looked up there.
    if (sys.SetDllDirectoryA)
        sys.SetDllDirectoryA("");
}

HMODULE Load(const char* name)
{
    if (KnowsSearchFlags())
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

    // The full path, and the library's own imports from its folder too. A
    // full path is not redirected by an activation context: there the
    // common controls are version 5, which every dialog here can do with.
    char path[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(path, sizeof(path));
    if (length == 0 || length + 1 + lstrlenA(name) >= sizeof(path))
        return nullptr;
    lstrcatA(path, "\\");
    lstrcatA(path, name);
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace SystemLibraries
