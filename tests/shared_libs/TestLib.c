/* A small self-registering library for the shared-component tests. Its
   DllRegisterServer leaves a mark in the registry under
   HKLM\Software\TarvelTest\Registered\<own file name> (value "Path": the
   library's full path, "Count": how often it was registered), and
   DllUnregisterServer takes the mark away again. Built with
   TESTLIB_FAIL_REGISTER, its DllRegisterServer fails with a negative result
   and leaves no mark; built with TESTLIB_NO_REGISTER, it has none. Built with
   TESTLIB_NEEDS_DEP, it imports tvdep.dll, which only its own folder holds. */
#include <windows.h>

#define MARK_ROOT "Software\\TarvelTest\\Registered\\"

#ifdef TESTLIB_NEEDS_DEP
__declspec(dllimport) int TvDepValue(void);
#endif

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        g_self = instance;
    return TRUE;
}

/* The full path of this library and the registry key of its mark. */
static BOOL MarkKey(char* path, DWORD pathSize, char* key, DWORD keySize)
{
    DWORD n = GetModuleFileNameA(g_self, path, pathSize);
    const char* name = path;
    const char* p;
    if (n == 0 || n >= pathSize)
        return FALSE;
    for (p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            name = p + 1;
    if (lstrlenA(MARK_ROOT) + lstrlenA(name) >= (int)keySize)
        return FALSE;
    lstrcpyA(key, MARK_ROOT);
    lstrcatA(key, name);
    return TRUE;
}

#ifndef TESTLIB_NO_REGISTER
__declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
#ifdef TESTLIB_FAIL_REGISTER
    /* SELFREG_E_CLASS: "failed to register the classes". */
    return (HRESULT)0x80040201L;
#else
    char path[MAX_PATH];
    char keyPath[MAX_PATH + 64];
    HKEY key;
    DWORD count = 0;
    DWORD size = sizeof(count);
    LONG rc;
    if (!MarkKey(path, sizeof(path), keyPath, sizeof(keyPath)))
        return E_FAIL;
#ifdef TESTLIB_NEEDS_DEP
    if (TvDepValue() != 42)
        return E_FAIL;
#endif
    rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, NULL,
                         &key, NULL);
    if (rc != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(rc);
    if (RegQueryValueExA(key, "Count", NULL, NULL, (BYTE*)&count, &size) != ERROR_SUCCESS)
        count = 0;
    ++count;
    rc = RegSetValueExA(key, "Path", 0, REG_SZ, (const BYTE*)path, (DWORD)lstrlenA(path) + 1);
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExA(key, "Count", 0, REG_DWORD, (const BYTE*)&count, sizeof(count));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc);
#endif
}
#endif

__declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    char path[MAX_PATH];
    char keyPath[MAX_PATH + 64];
    LONG rc;
    if (!MarkKey(path, sizeof(path), keyPath, sizeof(keyPath)))
        return E_FAIL;
    rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(rc);
}
