// Files that the install replaced, kept aside until it succeeds. A re-install
// overwrites the files of an earlier installation; if it then fails or is
// cancelled, the rollback deletes them with the rest. The copies kept here,
// in a folder of their own under the temp folder (outside the destination
// and outside the log), put the earlier installation back as it was.
#include "app/PathHelpers.h"
#include "app/SystemCalls.h"
#include "app/TarvelDoc.h"

namespace {

// The attribute bits that SetFileAttributesA accepts.
constexpr DWORD SETTABLE_ATTRIBUTES = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
    | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE
    | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

void SetAttributes(const char* path, DWORD attributes)
{
    attributes &= SETTABLE_ATTRIBUTES;
    SetFileAttributesA(path, attributes ? attributes : FILE_ATTRIBUTE_NORMAL);
}

void DeleteAnyFile(const char* path)
{
    SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path);
}

// A fresh folder under the temp folder, or empty when none can be made.
CString NewBackupFolder()
{
    char temp[MAX_PATH + 1];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length > MAX_PATH)
        return CString();
    const CString base = PathHelpers::WithTrailingBackslash(CString(temp, static_cast<int>(length)));
    for (DWORD attempt = 0; attempt < 1000; ++attempt) {
        CString folder;
        folder.Format("%starvel-replaced-%lu-%lu", static_cast<const char*>(base),
            static_cast<unsigned long>(GetCurrentProcessId()),
            static_cast<unsigned long>(GetTickCount() + attempt));
        if (CreateDirectoryA(folder, nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return CString();
}

// Makes every missing level of a folder; failures show up when the file is
// put back.
void MakeFolderLevels(const CString& folder)
{
    for (int at = PathHelpers::FindNthBackslash(folder, 0, 1); at >= 0;
         at = PathHelpers::FindNthBackslash(folder, at + 1, 1)) {
        // Not the root of a drive ("C:\") nor of a share ("\\server").
        if (at > 0 && folder[at - 1] != ':' && folder[at - 1] != '\\')
            CreateDirectoryA(folder.Left(at), nullptr);
    }
    CreateDirectoryA(folder, nullptr);
}

// Puts one saved item back; false when its copy must stay kept.
bool Restore(const CTarvelDoc::ReplacedFile& saved)
{
    // A folder entry has no copy: the folder only has to exist again.
    if (saved.Backup.IsEmpty()) {
        MakeFolderLevels(saved.Destination);
        SetAttributes(saved.Destination, saved.Attributes);
        return true;
    }
    const int cut = PathHelpers::LastBackslash(saved.Destination);
    if (cut > 0)
        MakeFolderLevels(saved.Destination.Left(cut));
    if (GetFileAttributesA(saved.Destination) != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesA(saved.Destination, FILE_ATTRIBUTE_NORMAL);
    if (!CopyFileA(saved.Backup, saved.Destination, FALSE))
        return false;
    SetAttributes(saved.Destination, saved.Attributes);
    DeleteAnyFile(saved.Backup);
    return true;
}

} // namespace

BOOL CTarvelDoc::SaveReplacedFile(const CString& destination)
{
    const DWORD attributes = GetFileAttributesA(destination);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return TRUE;

    ReplacedFile saved;
    saved.Destination = destination;
    saved.Attributes = attributes;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        if (BackupFolder.IsEmpty()) {
            BackupFolder = NewBackupFolder();
            if (BackupFolder.IsEmpty()) {
                SetLastError(ERROR_CANNOT_MAKE);
                return FALSE;
            }
        }
        // Numbered names: destinations from different folders never clash.
        saved.Backup.Format("%s\\%lu", static_cast<const char*>(BackupFolder),
            static_cast<unsigned long>(ReplacedFiles.size()));
        if (!Sys().CopyFileA(destination, saved.Backup, FALSE)) {
            const DWORD error = GetLastError();
            DeleteAnyFile(saved.Backup);
            SetLastError(error);
            return FALSE;
        }
    }
    ReplacedFiles.push_back(saved);
    return TRUE;
}

void CTarvelDoc::RestoreReplacedFiles()
{
    // Newest first, so that of two copies of one path the older one, the
    // earlier installation's own, is the one that stays.
    std::vector<ReplacedFile> kept;
    for (auto saved = ReplacedFiles.rbegin(); saved != ReplacedFiles.rend(); ++saved)
        if (!Restore(*saved))
            kept.insert(kept.begin(), *saved);

    // A copy that could not go back stays in the temp folder rather than
    // being lost with the rest.
    ReplacedFiles = kept;
    if (ReplacedFiles.empty() && !BackupFolder.IsEmpty()) {
        RemoveDirectoryA(BackupFolder);
        BackupFolder.Empty();
    }
}

void CTarvelDoc::DropReplacedFiles()
{
    for (const ReplacedFile& saved : ReplacedFiles)
        if (!saved.Backup.IsEmpty())
            DeleteAnyFile(saved.Backup);
    ReplacedFiles.clear();
    if (!BackupFolder.IsEmpty()) {
        RemoveDirectoryA(BackupFolder);
        BackupFolder.Empty();
    }
}
