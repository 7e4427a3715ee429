// Registry writes that the undo can take back: a key's missing levels are
// recorded as created, a value's earlier content before it is overwritten.
// Both go through the seam table (base/SystemCalls.h).
#pragma once

#include "rollback/ChangeRecord.h"

#include <windows.h>

class ScopedRegKey;

namespace RecordedRegistry {

// Opens the key under 'root', creating it with every missing level, each
// recorded. ERROR_SUCCESS or the system's error.
LONG CreateKey(ChangeRecord& record, Change::Area area, HKEY root, const CString& keyPath, ScopedRegKey& key);

// Writes a value of an open key (whose path under 'root' is keyPath), its
// prior recorded.
LONG SetValue(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
              const char* name, DWORD type, const BYTE* data, DWORD size);

// Deletes a value of an open key, its prior recorded; a value that is not
// there is left so, with nothing recorded.
LONG DeleteValue(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
                 const char* name);

// A REG_SZ value, its terminating zero counted.
LONG SetText(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
             const char* name, const CString& text);

} // namespace RecordedRegistry
