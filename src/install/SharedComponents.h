// The shared components step: the package's shared libraries and files go
// into the maker's shared folder (an installed library is never replaced by
// an older or equal one), the libraries register themselves, and each
// library's user counter is raised once for each product that uses it.
// Every change goes into the run's record, so the undo takes back exactly
// this run's part. Each step returns FALSE with the failure kept in 'run'.
#pragma once

#include "install/RunContext.h"

namespace SharedComponents {

// The shared folder (install/SharedFolder.cpp): its missing levels made,
// the package's shared files listed, the room on its drive checked.
BOOL PrepareFolder(RunContext& run);

// The copy (install/SharedCopy.cpp), after the package's own files.
BOOL CopyFiles(RunContext& run);
// TRUE when 'source' is one of the script's shared libraries.
BOOL IsLibrary(const RunContext& run, const CString& source);
// 2 for a file that is no library, 1 to copy a library, 0 to leave the
// installed one (as new or newer), -1 when the versions cannot be compared.
// A library to copy or leave is queued for registration.
int CheckFileVersion(RunContext& run, const CString& source, const CString& destination);
// The text of "sharedf.cfn": the shared folder's levels and the folders and
// files that this run's shared copy made there, read from the record.
CString LogText(const RunContext& run);

// The registration (install/SharedRegistration.cpp).
BOOL CallRegistrationEntry(const CString& path, BOOL registerIt);
BOOL RegisterLibraries(RunContext& run);

// The user counters (install/SharedCounters.cpp).
CounterRecord* FindCounter(RunContext& run, const CString& name);
BOOL RaiseCounters(RunContext& run);

} // namespace SharedComponents
