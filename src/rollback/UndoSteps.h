// The undo primitives: each takes back one kind of change, ignores every
// error and reports nothing, so that an undo always runs to its end. The
// installer's undo and the uninstaller both remove through these, and
// nothing else deletes, unregisters or restores.
#pragma once

#include "base/afxstr.h"

#include <vector>

// A registry value as it was before a write, so that the write can be taken
// back exactly: put back with its type and bytes, or deleted when it was absent.
struct PriorValue
{
    HKEY Root = nullptr;
    CString KeyPath; // under Root
    CString Name;
    bool Existed = false;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
};

namespace Undo {

// Deletes a file, clearing a set read-only bit first. True when it is gone.
bool RemoveFile(const char* path);

// The same for a file that is seldom read-only (a kept-aside file after a
// successful run): the delete is tried before the attributes are read.
bool DropFile(const char* path);

// Removes a folder when it holds nothing, clearing a set read-only bit
// first; a folder with anything in it stays. True when it is gone.
bool RemoveFolderIfEmpty(const char* folder);

// Moves a kept-aside file back to its place, over whatever lies there now,
// with the attributes it was kept with.
void PutBackFile(const char* aside, const char* path);

// Calls the library's "DllUnregisterServer" (when it loads and has one).
void UnregisterLibrary(const char* path);

// Calls the library's "DllRegisterServer": a library that a failed run had
// replaced gets its own registration back once it is in its place again.
void RegisterLibrary(const char* path);

// Deletes a key when it has no sub-key: one that another program has put
// something below stays.
bool RemoveKey(HKEY root, const char* keyPath);

// Reads what a value holds now, to take a later write back.
PriorValue CaptureValue(HKEY root, const CString& keyPath, const CString& name);

// Puts a captured value back (or deletes it when it was absent).
void PutBackValue(const PriorValue& prior);

} // namespace Undo
