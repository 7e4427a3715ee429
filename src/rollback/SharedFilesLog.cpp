#include "rollback/SharedFilesLog.h"

#include "base/PathHelpers.h"
#include "install/TarvelDoc.h"
#include "rollback/UninstallLog.h"

namespace {

void AddOnce(std::vector<CString>& list, const CString& path)
{
    for (const CString& known : list)
        if (known.CompareNoCase(path) == 0)
            return;
    list.push_back(path);
}

} // namespace

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
    const CString text = DecodeLogText(stored);
    if (text.IsEmpty())
        return TRUE;
    // A zero byte, or text after the last separator: not what an install wrote.
    if (static_cast<int>(strlen(text)) != text.GetLength() || text.Right(2) != LOG_SEPARATOR)
        return FALSE;
    for (const LogEntry& entry : ParseLogText(text)) {
        if (entry.Type == LogEntry::Kind::CreatedFolder || !PathHelpers::StaysInside(entry.Path))
            return FALSE;
        AddOnce(entry.Type == LogEntry::Kind::CopiedFolder ? entries.Folders : entries.Files, entry.Path);
    }
    return TRUE;
}

CString SharedFilesLogText(const SharedFilesEntries& earlier, const SharedFilesEntries& now)
{
    SharedFilesEntries all = earlier;
    for (const CString& folder : now.Folders)
        AddOnce(all.Folders, folder);
    for (const CString& file : now.Files)
        AddOnce(all.Files, file);
    // Folders first: read back, a folder still comes before what it holds.
    CString text;
    for (const CString& folder : all.Folders)
        AppendLogEntry(text, LogEntry::Kind::CopiedFolder, folder);
    for (const CString& file : all.Files)
        AppendLogEntry(text, LogEntry::Kind::CopiedFile, file);
    return text;
}

int CTarvelDoc::WriteSharedFilesLog()
{
    const int baseLength = PathHelpers::WithTrailingBackslash(SharedFolder).GetLength();
    SharedFilesEntries now;
    for (const Change& change : Record().Changes()) {
        if (change.Where != Change::Area::Shared || !PathHelpers::IsInside(change.Path, SharedFolder))
            continue;
        const CString relative = change.Path.Mid(baseLength);
        if (change.Type == Change::Kind::FolderCreated)
            AddOnce(now.Folders, relative);
        // A file replaced counts too: the package wrote it, and it goes with
        // the maker's last package.
        else if (change.Type == Change::Kind::FileWritten && !IsSharedLibrary(change.Source))
            AddOnce(now.Files, relative);
    }

    const CString path = SharedFilesLogPath(InstallFolder);
    SharedFilesEntries earlier;
    // An earlier log that cannot be trusted adds nothing: this run's entries
    // are still right.
    if (!ReadSharedFilesLog(path, earlier))
        earlier = SharedFilesEntries();
    return StoreLogFile(path, EncodeLogText(SharedFilesLogText(earlier, now)));
}
