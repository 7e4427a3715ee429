// Registry paths and reads of the shared components: the maker's product
// keys (under the run's root) and counter keys (the machine's).
#pragma once

#include "base/afxstr.h"

#include <windows.h>

namespace SharedRegistry {

// The counters stay the machine's whatever root a run chose: the shared
// files they count are used by every user's installs of the maker's packages.
inline HKEY CounterRoot()
{
    return HKEY_LOCAL_MACHINE;
}

// The value of a counter key that holds its count of users (REG_DWORD).
constexpr char COUNTER_VALUE[] = "SRCHCOUNTER";

// "Software\<company>\<product>\<language>".
CString ProductKeyPath(const CString& company, const CString& product, const CString& language);

// "Software\<company>\COUNTER\<library file name, lower-cased>".
CString CounterKeyPath(const CString& company, const CString& libraryPath);

// "Software\<company>\COUNTER".
CString CounterParentPath(const CString& company);

// The library's file name as its counter key is named: the last path
// component, lower-cased (double-byte characters untouched).
CString CounterName(const CString& libraryPath);

// "ProgramFilesDir" of the local machine; FALSE when it cannot be read or is empty.
BOOL ReadProgramFilesDir(CString& folder);


// TRUE when the key can be opened with full access.
int KeyExists(HKEY root, const CString& path);

// The counter "SRCHCOUNTER" of a counter key: 0 when the key or the value
// does not exist; FALSE on any other registry error.
BOOL ReadCounter(const CString& keyPath, LONG& counter);

// Stores the counter in an existing counter key; FALSE when it cannot.
BOOL WriteCounter(const CString& keyPath, LONG counter);

} // namespace SharedRegistry
