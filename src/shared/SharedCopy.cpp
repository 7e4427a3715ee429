// The shared copy: the package's shared files into the shared folder, an
// installed library never replaced by an older or equal one, the libraries
// queued for registration, every change recorded for the undo.
#include "install/TarvelDoc.h"

#include "base/PathHelpers.h"
#include "base/SystemCalls.h"
#include "rollback/UninstallLog.h"
#include "shared/FileVersionInfo.h"

#include <algorithm>

namespace {

bool IsLibrary(const CTarvelDoc& doc, const CString& source)
{
    for (int i = 0; i < doc.LibraryList.GetSize(); ++i)
        if (doc.LibraryList[i].CompareNoCase(source) == 0)
            return true;
    return false;
}

} // namespace

int CTarvelDoc::CopySharedFiles()
{
    const CString base = PathHelpers::WithoutTrailingBackslash(SharedFolder);

    CString prefix = "..\\" + SharedSourceFolder + "\\";
    prefix.MakeLower();

    const int divisor = ProgressDivisor > 0 ? ProgressDivisor : 1;
    const int mainCount = static_cast<int>(SourceList.size());
    const int count = std::min(SharedFileCount, static_cast<int>(SharedFileList.size()));

    for (int i = 0; i < count; ++i) {
        const SourceEntry& record = SharedFileList[static_cast<size_t>(i)];
        if (PumpMessages())
            return Fail(ERROR_CODE_CANCEL, "cancel");
        ProgressPosition = std::min(100, static_cast<int>((static_cast<long long>(mainCount) + i + 1) * 100 / divisor));

        // Lower-casing keeps every byte offset, so the prefix length applies
        // to the original path too.
        CString lower = record.Path;
        lower.MakeLower();
        const CString destination = lower.Left(prefix.GetLength()) == prefix
            ? base + record.Path.Mid(prefix.GetLength() - 1)
            : base + "\\" + record.Path;

        UpdateAllViews(nullptr);
        if (PumpMessages())
            return Fail(ERROR_CODE_CANCEL, "cancel");

        const DWORD existing = GetFileAttributesA(destination);
        if (record.Attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (existing == INVALID_FILE_ATTRIBUTES) {
                if (PumpMessages())
                    return Fail(ERROR_CODE_CANCEL, "cancel");
                if (!Sys().CreateDirectoryA(destination, nullptr))
                    return Fail(ERROR_CODE_WRITE, "create folder", destination);
                // Only a folder this run made is undone: one that was there
                // before belongs to someone else, even when it is empty.
                Record().FolderCreated(Change::Area::Shared, destination);
            }
            CurrentItem = destination;
        } else {
            if (PumpMessages())
                return Fail(ERROR_CODE_CANCEL, "cancel");
            const int check = CheckSharedFileVersion(record.Path, destination);
            if (check == 0) {
                // An installed copy as new or newer stays untouched.
                Record().FileLeft(Change::Area::Shared, destination);
                continue;
            }
            if (check < 0)
                return Fail(ERROR_CODE_GENERAL, "compare versions", destination);
            CurrentItem = destination;
            if (existing != INVALID_FILE_ATTRIBUTES) {
                // The older file goes back if the run fails, and a library
                // gets its registration back with it.
                if (IsLibrary(*this, record.Path))
                    Record().LibraryReplaced(destination);
                if (!KeepAside(Change::Area::Shared, base, destination))
                    return Fail(CopyFailureCode(GetLastError()), "keep aside", destination);
            }
            Record().FileCopied(Change::Area::Shared, destination, record.Path,
                                record.Size());
            if (!Sys().CopyFileA(record.Path, destination, FALSE))
                return Fail(CopyFailureCode(GetLastError()), "copy file", destination);
            if (WritableFiles.GetSize() > 0 && !MakeWritableIfListed(record.Path, destination))
                return Fail(ERROR_CODE_GENERAL, "set attributes", destination);
        }
        if (PumpMessages())
            return Fail(ERROR_CODE_CANCEL, "cancel");
    }
    return 1;
}

CString CTarvelDoc::SharedLogText() const
{
    const CString base = PathHelpers::WithTrailingBackslash(SharedFolder);
    const int baseLength = base.GetLength();
    std::vector<CString> replaced;
    for (const Change& change : Record().Changes())
        if (change.Where == Change::Area::Shared && change.Type == Change::Kind::FileKeptAside)
            replaced.push_back(change.Path);

    CString text;
    for (const Change& change : Record().Changes()) {
        if (change.Where != Change::Area::Shared)
            continue;
        const bool inside = change.Path.GetLength() > baseLength
            && change.Path.Left(baseLength).CompareNoCase(base) == 0;
        if (change.Type == Change::Kind::FolderCreated) {
            text += inside ? LOG_COPIED_FOLDER + change.Path.Mid(baseLength) : LOG_CREATED_FOLDER + change.Path;
            text += LOG_SEPARATOR;
        } else if (change.Type == Change::Kind::FileWritten && inside
                   && std::find(replaced.begin(), replaced.end(), change.Path) == replaced.end()) {
            // A file that was there before is not ours: the copy replaced it.
            text += change.Path.Mid(baseLength) + LOG_SEPARATOR;
        }
    }
    return text;
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
