// The shared copy: the package's shared files into the shared folder, an
// installed library never replaced by an older or equal one, the libraries
// queued for registration, and a shared log text to undo it all from.
#include "app/TarvelDoc.h"

#include "app/PathHelpers.h"
#include "app/SystemCalls.h"
#include "app/TarvelApp.h"
#include "shared/FileVersionInfo.h"

#include <algorithm>

namespace {

// The separator that ends every entry of a log text.
const char LOG_SEPARATOR[] = "? ";

} // namespace

int CTarvelDoc::CopySharedFiles()
{
    CString base = PathHelpers::WithoutTrailingBackslash(SharedFolder);

    // The levels of the shared folder that this run created come first, so
    // that the undo, walking backwards, removes them last and innermost first.
    SharedLogText.Empty();
    CStringArray created;
    int createdCount = TarvelApp()->GetCreatedSharedFolders(created);
    for (int i = 0; i < createdCount; ++i)
        SharedLogText += "<f>:" + created[i] + LOG_SEPARATOR;

    CString prefix = "..\\" + SharedSourceFolder + "\\";
    prefix.MakeLower();

    const int divisor = ProgressDivisor > 0 ? ProgressDivisor : 1;
    const int mainCount = static_cast<int>(SourceList.size());
    const int count = std::min(SharedFileCount, static_cast<int>(SharedFileList.size()));

    DWORD failure = 0;
    for (int i = 0; i < count && !failure; ++i) {
        const SourceEntry& record = SharedFileList[static_cast<size_t>(i)];
        if (PumpMessages()) {
            failure = ERROR_CODE_CANCEL;
            break;
        }
        ProgressPosition = std::min(100, static_cast<int>((static_cast<long long>(mainCount) + i + 1) * 100 / divisor));

        // Lower-casing keeps every byte offset, so the prefix length applies
        // to the original path too.
        CString lower = record.Path;
        lower.MakeLower();
        CString destination;
        CString relative;
        if (lower.Left(prefix.GetLength()) == prefix) {
            destination = base + record.Path.Mid(prefix.GetLength() - 1);
            relative = record.Path.Mid(prefix.GetLength());
        } else {
            destination = base + "\\" + record.Path;
            relative = record.Path;
        }

        UpdateAllViews(nullptr);
        if (PumpMessages()) {
            failure = ERROR_CODE_CANCEL;
            break;
        }

        DWORD existing = GetFileAttributesA(destination);
        if (record.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (existing == INVALID_FILE_ATTRIBUTES) {
                if (PumpMessages()) {
                    failure = ERROR_CODE_CANCEL;
                    break;
                }
                if (!Sys().CreateDirectoryA(destination, nullptr)) {
                    failure = ERROR_CODE_WRITE;
                    break;
                }
                // Only a folder this run made is undone: one that was there
                // before belongs to someone else, even when it is empty.
                SharedLogText += "<d>:" + relative + LOG_SEPARATOR;
            }
            CurrentItem = destination;
        } else {
            if (existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
                DWORD cleared = existing & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
                if (!Sys().SetFileAttributesA(destination, cleared ? cleared : FILE_ATTRIBUTE_NORMAL)) {
                    failure = ERROR_CODE_GENERAL;
                    break;
                }
            }
            if (PumpMessages()) {
                failure = ERROR_CODE_CANCEL;
                break;
            }
            int check = CheckSharedFileVersion(record.Path, destination);
            if (check == 0)
                continue;
            if (check < 0) {
                failure = ERROR_CODE_GENERAL;
                break;
            }
            CurrentItem = destination;
            if (!Sys().CopyFileA(record.Path, destination, FALSE)) {
                failure = CopyFailureCode(GetLastError());
                break;
            }
            // A file that was there before is not ours to delete on undo: the
            // copy replaced it, but removing it would leave its owner without it.
            if (existing == INVALID_FILE_ATTRIBUTES)
                SharedLogText += relative + LOG_SEPARATOR;
            if (WritableFiles.GetSize() > 0 && !MakeWritableIfListed(record.Path, destination)) {
                failure = ERROR_CODE_GENERAL;
                break;
            }
        }
        if (PumpMessages())
            failure = ERROR_CODE_CANCEL;
    }

    if (failure) {
        RollBackSharedComponents();
        if (failure == ERROR_CODE_CANCEL)
            IsUserCancel = 1;
        ShowErrorCode(failure);
        return 0;
    }
    return 1;
}

int CTarvelDoc::CheckSharedFileVersion(CString source, CString destination)
{
    for (int i = 0; i < LibraryList.GetSize(); ++i) {
        // The whole path must match: "..\common\a.dll" is not the library
        // "..\common\a.dll2", which merely contains it.
        if (LibraryList[i].CompareNoCase(source) != 0)
            continue;

        if (GetFileAttributesA(destination) == INVALID_FILE_ATTRIBUTES) {
            RegistrationList.Add(destination);
            return 1;
        }
        CFileVersionInfo versions;
        int newer = versions.CompareVersions(versions.GetFileVersion(source), versions.GetFileVersion(destination));
        if (newer < 0)
            return -1;
        // An installed copy as new or newer stays, but this package still
        // registers it: its own entries may be missing from the registry.
        RegistrationList.Add(destination);
        return newer == 1 ? 1 : 0;
    }
    return 2;
}
