// The uninstall log "setupf.cfn": the log text, every byte stored minus 1,
// left read-only in the installation folder for the package's uninstaller.
#include "install/UninstallLog.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"

#include <cstring>

CString UninstallLogPath(const CString& installFolder)
{
    return PathHelpers::WithTrailingBackslash(installFolder) + UNINSTALL_LOG_NAME;
}

BOOL ReadStoredLog(const CString& path, CString& stored, bool& missing)
{
    // Far beyond any package's log, and a bound for a file that is no log.
    constexpr DWORD MAX_LOG_BYTES = 4 * 1024 * 1024;
    missing = GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES;
    if (missing)
        return FALSE;
    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return FALSE;
    char buffer[4096];
    for (DWORD got = 0;;) {
        if (!ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr))
            return FALSE;
        if (got == 0)
            return TRUE;
        if (static_cast<DWORD>(stored.GetLength()) + got > MAX_LOG_BYTES)
            return FALSE;
        stored += CString(buffer, static_cast<int>(got));
    }
}

std::vector<LogEntry> EarlierLogEntries(const CString& installFolder, bool& found)
{
    std::vector<LogEntry> entries;
    const CString path = UninstallLogPath(installFolder);
    const DWORD attributes = GetFileAttributesA(path);
    found = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    CString stored;
    bool missing = false;
    if (!found || !ReadStoredLog(path, stored, missing))
        return entries;
    // Text after the last separator is no entry, so a log cut short still
    // gives the entries before the cut.
    const CString folder = PathHelpers::WithoutTrailingBackslash(installFolder);
    for (const LogEntry& entry : ParseLogText(DecodeLogText(stored)))
        if (IsSafeLogEntry(entry, folder))
            entries.push_back(entry);
    return entries;
}

std::vector<CString> EarlierCreatedLevels(const std::vector<LogEntry>& earlier)
{
    std::vector<CString> levels;
    for (const LogEntry& entry : earlier)
        if (entry.Type == LogEntry::Kind::CreatedFolder)
            levels.push_back(entry.Path);
    return levels;
}
