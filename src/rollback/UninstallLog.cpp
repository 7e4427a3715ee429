// The uninstall log "setupf.cfn": the log text, every byte stored minus 1,
// left read-only in the installation folder for the package's uninstaller.
#include "rollback/UninstallLog.h"

#include "base/HeldFiles.h"
#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "install/TarvelDoc.h"

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

int CTarvelDoc::WriteUninstallLog()
{
    // Encoded in place and left so: the caller adds the 1 back to every byte
    // whatever happens here.
    LogText = EncodeLogText(LogText);
    return StoreLogFile(UninstallLogPath(InstallFolder), LogText);
}

int CTarvelDoc::StoreLogFile(const CString& path, const CString& stored)
{
    const DWORD attributes = GetFileAttributesA(path);
    // An earlier installation's log (read-only, as every log is left) is
    // kept until the install succeeds.
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !KeepAside(Change::Area::Package, InstallFolder, path))
        return Fail(ERROR_CODE_NOSPACE, "keep aside", path);

    // Recorded before it is written: a log cut short would make the
    // uninstaller leave things behind, so a failed write takes it away.
    Record().FileWritten(Change::Area::Package, path);
    ScopedHandle file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return Fail(ERROR_CODE_NOSPACE, "create file", path);
    const DWORD length = static_cast<DWORD>(stored.GetLength());
    DWORD written = 0;
    if (!Sys().WriteFile(file.Get(), static_cast<const char*>(stored), length, &written, nullptr)
        || written != length)
        return Fail(ERROR_CODE_NOSPACE, "write file", path);
    file.Close();

    const DWORD now = GetFileAttributesA(path);
    if (now == INVALID_FILE_ATTRIBUTES)
        return Fail(ERROR_CODE_GENERAL, "get attributes", path);
    if (!HeldFiles::SetAttributes(path, now | FILE_ATTRIBUTE_READONLY))
        return Fail(ERROR_CODE_GENERAL, "set attributes", path);
    return 1;
}
