// The few system calls whose failures a real drive and registry do not give
// on demand. The installer calls them through this table, so that any one
// of them can be swapped for a call that fails, and put back afterwards.
#pragma once

#include <windows.h>

struct SystemCalls
{
    // Where libraries loaded by a bare name are looked for: the first calls
    // every program makes. Looked up at run time, nullptr where the system
    // lacks them (SetDefaultDllDirectories: Windows 7 without its loader
    // update), so that a program still starts there.
    BOOL (WINAPI* SetDefaultDllDirectories)(DWORD);
    BOOL (WINAPI* SetDllDirectoryA)(LPCSTR);

    // The single-instance check: a second start can slip in between opening
    // and creating the mutex.
    HANDLE (WINAPI* OpenMutexA)(DWORD, BOOL, LPCSTR);

    // Message boxes: a swapped call answers them in place of a user.
    int (WINAPI* MessageBoxA)(HWND, LPCSTR, LPCSTR, UINT);

    // Files and folders. A read error of the setup script cannot be made
    // to happen on a local drive.
    BOOL (WINAPI* ReadFile)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL (WINAPI* CopyFileA)(LPCSTR, LPCSTR, BOOL);
    BOOL (WINAPI* SetFileAttributesA)(LPCSTR, DWORD);
    // A file held open by someone else: deletes that fail for a moment.
    BOOL (WINAPI* DeleteFileA)(LPCSTR);
    BOOL (WINAPI* CreateDirectoryA)(LPCSTR, LPSECURITY_ATTRIBUTES);
    // The temporary folder that gives SYSTEM one of its own instead of
    // C:\Windows\Temp; nullptr where the system lacks it (before Windows 11
    // and its updates of Windows 10).
    DWORD (WINAPI* GetTempPath2A)(DWORD, LPSTR);
    // Keeping a replaced file aside, and writing the uninstall logs and the
    // killed-run journal: a full or failing disk cannot be had on demand.
    BOOL (WINAPI* MoveFileA)(LPCSTR, LPCSTR);
    HANDLE (WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOL (WINAPI* WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);

    // Links inside an installation: Wine shows a linked folder as a reparse
    // point but never a linked file, and its handle opened on a link is the
    // target's; these let a test show either kind of link as Windows would.
    DWORD (WINAPI* GetFileAttributesA)(LPCSTR);
    BOOL (WINAPI* GetFileInformationByHandle)(HANDLE, LPBY_HANDLE_FILE_INFORMATION);

    // Free space: the installer looks GetDiskFreeSpaceExA up at run time and
    // falls back to GetDiskFreeSpaceA where the system lacks it.
    FARPROC (WINAPI* GetProcAddress)(HMODULE, LPCSTR);
    BOOL (WINAPI* GetDiskFreeSpaceA)(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD);

    // Registry writes.
    LONG (WINAPI* RegCreateKeyExA)(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM,
                                   LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD);
    LONG (WINAPI* RegSetValueExA)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD);
    LONG (WINAPI* RegDeleteValueA)(HKEY, LPCSTR);

    // A shared library that will not load for registration, and a shell
    // that cannot make a link.
    HMODULE (WINAPI* LoadLibraryExA)(LPCSTR, HANDLE, DWORD);
    HRESULT (WINAPI* CoCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);

    // The checks before a run changes anything. Wine runs every program as
    // an administrator in the prefix's code page, so a run without rights,
    // or in another code page, is only had by swapping these; the wide box
    // is the one that reads right in any code page.
    BOOL (WINAPI* GetTokenInformation)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD);
    BOOL (WINAPI* CheckTokenMembership)(HANDLE, PSID, PBOOL);
    UINT (WINAPI* GetACP)();
    int (WINAPI* MessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT);

    // The waits for a file held for a moment: a test swaps it so as not to wait.
    void (WINAPI* Sleep)(DWORD);
};

// The table in use; starts with the real system calls.
SystemCalls& Sys();

// Puts every entry back to the real system call.
void ResetSystemCalls();
