// The uninstall log "setupf.cfn": where it lies in the installation folder,
// its entries, and its stored form. The install writes it; the package's
// uninstaller reads it back.
#pragma once

#include "base/afxstr.h"

#include <vector>

// The log's file name inside the installation folder.
constexpr char UNINSTALL_LOG_NAME[] = "setupf.cfn";

// The entry prefixes and the separator that ends every entry.
constexpr char LOG_CREATED_FOLDER[] = "<f>:";
constexpr char LOG_COPIED_FOLDER[] = "<d>:";
constexpr char LOG_SEPARATOR[] = "? ";

// The log's full path: the folder, exactly one backslash, the name. A folder
// ending in a double-byte character whose trail byte is 0x5C still gets its
// backslash.
CString UninstallLogPath(const CString& installFolder);

// One entry of a log text.
struct LogEntry
{
    enum class Kind { CreatedFolder, CopiedFolder, CopiedFile };
    Kind Type = Kind::CopiedFile;
    // Absolute for a created folder, relative to the installation folder otherwise.
    CString Path;
};

// Appends one entry in the log's syntax: the kind's prefix, the path, the
// separator. What ParseLogText reads back.
void AppendLogEntry(CString& text, LogEntry::Kind kind, const CString& path);

// The entries of a log text, in text order. Prefixes compare without regard
// to case; text after the last separator is no entry.
std::vector<LogEntry> ParseLogText(const CString& text);

// Reads a stored log whole; FALSE when it cannot be read or is larger than
// any log an install writes, with 'missing' set when there is no file.
BOOL ReadStoredLog(const CString& path, CString& stored, bool& missing);

// The guard the uninstaller puts on every entry: a created folder is the
// installation folder or one of its levels above, anything else a plain
// relative path that stays inside it; no entry holds a zero byte.
bool IsSafeLogEntry(const LogEntry& entry, const CString& installFolder);

// The entries of the log an earlier install left in 'installFolder' that
// pass IsSafeLogEntry, in text order; 'found' tells whether a log file is
// there at all (a re-install), readable or not.
std::vector<LogEntry> EarlierLogEntries(const CString& installFolder, bool& found);

// The levels that an earlier install into 'installFolder' created: the
// "<f>:" entries among 'earlier'. A re-install finds them existing and makes
// none itself, yet its log must still name them for the uninstaller.
std::vector<CString> EarlierCreatedLevels(const std::vector<LogEntry>& earlier);

// The stored form: every byte minus 1 (modulo 256), and back.
CString EncodeLogText(const CString& text);
CString DecodeLogText(const CString& stored);
