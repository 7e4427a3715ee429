// Stand-ins for the calls behind the checks made before a run: a process
// token without administrator rights, a system without elevation, and
// another process code page. Wine gives none of them.
#pragma once

#include <windows.h>

#include "base/SystemCalls.h"

namespace guard_test {

inline BOOL WINAPI NotElevated(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID info, DWORD size, PDWORD length)
{
    if (size < sizeof(TOKEN_ELEVATION))
        return FALSE;
    static_cast<TOKEN_ELEVATION*>(info)->TokenIsElevated = 0;
    *length = sizeof(TOKEN_ELEVATION);
    return TRUE;
}

// Windows XP: the token knows no elevation.
inline BOOL WINAPI NoElevationKnown(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD, PDWORD)
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

inline BOOL WINAPI NotAdministrator(HANDLE, PSID, PBOOL member)
{
    *member = FALSE;
    return TRUE;
}

inline BOOL WINAPI Administrator(HANDLE, PSID, PBOOL member)
{
    *member = TRUE;
    return TRUE;
}

// A standard user: neither elevated nor in Administrators.
inline void TakeAwayAdminRights()
{
    Sys().GetTokenInformation = NotElevated;
    Sys().CheckTokenMembership = NotAdministrator;
}

inline UINT g_codePage = 932;
inline UINT WINAPI FakeGetACP() { return g_codePage; }

inline void SetCodePage(UINT codePage)
{
    g_codePage = codePage;
    Sys().GetACP = FakeGetACP;
}

} // namespace guard_test
