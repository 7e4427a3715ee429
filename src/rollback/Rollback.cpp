// Rollback of a failed install: takes back what the install put on the disk
// from its own records, never from a search of the disk. Every step is
// allowed to fail; whatever cannot be removed stays, and nothing is reported.
#include "app/PathHelpers.h"
#include "app/ScopedHandles.h"
#include "app/TarvelDoc.h"
#include "rollback/UninstallLog.h"

#include <vector>

namespace {

// Clears a set read-only bit (the other attributes stay); false when the
// path's attributes cannot be read at all.
bool ClearReadOnly(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        DWORD rest = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA(path, rest ? rest : FILE_ATTRIBUTE_NORMAL);
    }
    return true;
}

// The undo of one log text. Files go at once, in text order; folders are
// collected and removed newest first, so sub-folders go before their
// parents and the created levels of the base innermost first.
void RollBackLog(const CString& text, const CString& baseFolder, const CString* logFile)
{
    const CString base = PathHelpers::WithTrailingBackslash(baseFolder);
    std::vector<CString> folders;

    // '?' is never the trail byte of a double-byte character, so a plain
    // search finds only real separators. Text after the last one is ignored.
    int start = 0;
    for (int end; (end = text.Find("? ", start)) >= 0; start = end + 2) {
        const CString entry = text.Mid(start, end - start);
        const CString kind = entry.Left(4);
        if (kind.CompareNoCase("<d>:") == 0) {
            folders.push_back(base + entry.Mid(4));
        } else if (kind.CompareNoCase("<f>:") == 0) {
            folders.push_back(entry.Mid(4));
        } else {
            const CString file = base + entry;
            if (ClearReadOnly(file))
                DeleteFileA(file);
        }
    }

    if (logFile && ClearReadOnly(*logFile))
        DeleteFileA(*logFile);

    // A folder that still holds anything (a user's own file) stays.
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        if (ClearReadOnly(*folder))
            RemoveDirectoryA(*folder);
}

} // namespace

void CTarvelDoc::RollBackInstall()
{
    const CString logFile = UninstallLogPath(InstallFolder);
    RollBackLog(LogText, InstallFolder, &logFile);
    // Whatever path led here, an earlier installation whose files this
    // install replaced gets them back, once the copies are gone.
    RestoreReplacedFiles();
}

void CTarvelDoc::RollBackSharedFiles() { RollBackLog(SharedLogText, SharedFolder, nullptr); }

void CTarvelDoc::DeleteFileAndEmptyFolder(const CString& file, CString folder)
{
    DeleteFileA(file);

    WIN32_FIND_DATAA found;
    ScopedFind search(PathHelpers::WithTrailingBackslash(folder) + "*.*", found);
    if (!search.IsOpen())
        return;
    bool empty = true;
    do {
        if (lstrcmpiA(found.cFileName, ".") != 0 && lstrcmpiA(found.cFileName, "..") != 0) {
            empty = false;
            break;
        }
    } while (search.Next(found));
    // The search must let go of the folder before it can be removed.
    search.Close();
    if (empty)
        RemoveDirectoryA(folder);
}
