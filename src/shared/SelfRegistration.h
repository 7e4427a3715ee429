// Self-registration of a shared library: its "DllRegisterServer" or
// "DllUnregisterServer" entry, called with OLE initialised around it. The
// install registers, its undo and the uninstaller unregister.
#pragma once

#include "base/afxstr.h"

namespace SelfRegistration {

// How the library is loaded: LoadLibraryExA or a stand-in with its signature.
using Loader = HMODULE(WINAPI*)(LPCSTR, HANDLE, DWORD);

// TRUE only when the library loaded, has the entry, and the entry succeeded.
BOOL Call(const char* path, BOOL registerIt, Loader load = nullptr);

} // namespace SelfRegistration
