// The shared files log "sharedf.cfn": what an install put into the shared
// folder besides the libraries, for the uninstaller. The libraries have their
// counters; the other shared files have nothing else that names them, and go
// when the last of the maker's packages that count a library has gone.
//
// Same entry syntax and stored form as "setupf.cfn", paths relative to the
// shared folder: "<d>:" for a folder an install created there, a bare entry
// for a file it wrote. It lies in the installation folder beside the log and
// is written only by an install with shared libraries.
#pragma once

#include "base/afxstr.h"

#include <vector>

constexpr char SHARED_FILES_LOG_NAME[] = "sharedf.cfn";

CString SharedFilesLogPath(const CString& installFolder);

// The entries of a stored shared files log, decoded. FALSE when the file is
// there but cannot be read, is cut short, or names anything outside the
// shared folder; an absent file gives TRUE with no entries (an install
// without shared files, or one by an earlier version).
struct SharedFilesEntries
{
    std::vector<CString> Folders; // in log order: a folder before what it holds
    std::vector<CString> Files;
};
BOOL ReadSharedFilesLog(const CString& path, SharedFilesEntries& entries);

// The same checks on a decoded text (empty: TRUE with no entries).
BOOL ParseSharedFilesText(const CString& text, SharedFilesEntries& entries);

// The text to store: 'earlier' (a stored log's entries, kept so that a
// re-install of a smaller package still names what the first one left),
// then what this run added, each path once without regard to case.
CString SharedFilesLogText(const SharedFilesEntries& earlier, const SharedFilesEntries& now);
