#include "rollback/SharedFilesLog.h"

#include "base/PathHelpers.h"
#include "install/TarvelDoc.h"
#include "rollback/UninstallLog.h"

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

int CTarvelDoc::WriteSharedFilesLog()
{
    const int baseLength = PathHelpers::WithTrailingBackslash(SharedFolder).GetLength();
    // Each path once: SharedFilesLogText drops the repeats.
    SharedFilesEntries now;
    for (const Change& change : Record().Changes()) {
        if (change.Where != Change::Area::Shared || !PathHelpers::IsInside(change.Path, SharedFolder))
            continue;
        const CString relative = change.Path.Mid(baseLength);
        if (change.Type == Change::Kind::FolderCreated)
            now.Folders.push_back(relative);
        // A file replaced counts too: the package wrote it, and it goes with
        // the maker's last package.
        else if (change.Type == Change::Kind::FileWritten && !IsSharedLibrary(change.Source))
            now.Files.push_back(relative);
    }

    const CString path = SharedFilesLogPath(InstallFolder);
    SharedFilesEntries earlier;
    // An earlier log that cannot be trusted adds nothing: this run's entries
    // are still right.
    if (!ReadSharedFilesLog(path, earlier))
        earlier = SharedFilesEntries();
    return StoreLogFile(path, EncodeLogText(SharedFilesLogText(earlier, now)));
}
