#include "install/SharedFilesLog.h"

#include "base/PathHelpers.h"
#include "install/UninstallLog.h"

CString SharedFilesLogPath(const CString& installFolder)
{
    return PathHelpers::WithTrailingBackslash(installFolder) + SHARED_FILES_LOG_NAME;
}

BOOL ReadSharedFilesLog(const CString& path, SharedFilesEntries& entries)
{
    CString stored;
    bool missing = false;
    if (!ReadStoredLog(path, stored, missing))
        return missing;
    return ParseSharedFilesText(DecodeLogText(stored), entries);
}
