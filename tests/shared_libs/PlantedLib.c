/* A library planted where a program might look for a system library of the
   same name (the tests copy it as comctl32.dll or version.dll). It exports
   nothing; its DllMain appends the full path of the program that loaded it
   to a file beside it, named as the library with ".ran" added, and that
   file's existence is the finding. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + 8];
    char program[MAX_PATH];
    HANDLE marker;
    DWORD written;
    DWORD n;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    n = GetModuleFileNameA(instance, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    lstrcatA(path, ".ran");
    n = GetModuleFileNameA(NULL, program, MAX_PATH - 2);
    if (n == 0 || n >= MAX_PATH - 2)
        lstrcpyA(program, "?");
    lstrcatA(program, "\r\n");
    marker = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) {
        WriteFile(marker, program, (DWORD)lstrlenA(program), &written, NULL);
        CloseHandle(marker);
    }
    return TRUE;
}
