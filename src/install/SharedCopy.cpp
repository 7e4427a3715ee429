// The shared copy: the package's shared files into the shared folder, an
// installed library never replaced by an older or equal one, the libraries
// queued for registration, every change recorded for the undo.
#include "install/SharedComponents.h"

#include "base/PathHelpers.h"
#include "install/CopyLoop.h"
#include "install/UninstallLog.h"
#include "shared/FileVersionInfo.h"

#include <algorithm>

namespace {

// The shared copy: an installed file is replaced unless it is a library as
// new or newer; the log text is made from the record afterwards.
class SharedPolicy : public CopyPolicy {
public:
    explicit SharedPolicy(RunContext& run)
        : m_run(run)
        , m_divisor(run.ProgressDivisor > 0 ? run.ProgressDivisor : 1)
        , m_mainCount(static_cast<int>(run.SourceList.size()))
    {
    }

    Change::Area Area() const override { return Change::Area::Shared; }

    // Continues from the package copy's items.
    int ProgressAt(long long index) const override
    {
        return std::min(100, static_cast<int>((static_cast<long long>(m_mainCount) + index + 1) * 100 / m_divisor));
    }

    bool ShowsEveryItem() const override { return false; }

    Action ForFile(const SourceEntry& item, const CString& destination, DWORD attributes,
                   const WIN32_FILE_ATTRIBUTE_DATA&, bool) override
    {
        const int check = SharedComponents::CheckFileVersion(m_run, item.Path, destination);
        if (check == 0)
            return Action::Leave; // an installed copy as new or newer
        if (check < 0) {
            m_run.Fail(ERROR_CODE_GENERAL, "compare versions", destination);
            return Action::Refused;
        }
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return Action::Copy;
        // The older file goes back if the run fails, and a library gets its
        // registration back with it.
        if (SharedComponents::IsLibrary(m_run, item.Path))
            m_run.Record().LibraryReplaced(destination);
        return Action::KeepAside;
    }

    void FolderDone(const CString&) override {}
    void FileDone(const CString&) override {}

private:
    RunContext& m_run;
    const int m_divisor;
    const int m_mainCount;
};

} // namespace

namespace SharedComponents {

BOOL CopyFiles(RunContext& run)
{
    DestinationMap map(run.SharedFolder);
    map.AddFolder(run.SharedSourceFolder);
    SharedPolicy policy(run);
    const int count = std::min(run.SharedFileCount, static_cast<int>(run.SharedFileList.size()));
    return CopyLoop(run, map, policy).Run(run.SharedFileList, count);
}

CString LogText(const RunContext& run)
{
    const int baseLength = PathHelpers::WithTrailingBackslash(run.SharedFolder).GetLength();
    std::vector<CString> replaced;
    for (const Change& change : run.Record().Changes())
        if (change.Where == Change::Area::Shared && change.Type == Change::Kind::FileKeptAside)
            replaced.push_back(change.Path);

    CString text;
    for (const Change& change : run.Record().Changes()) {
        if (change.Where != Change::Area::Shared)
            continue;
        const bool inside = PathHelpers::IsInside(change.Path, run.SharedFolder);
        if (change.Type == Change::Kind::FolderCreated) {
            if (inside)
                AppendLogEntry(text, LogEntry::Kind::CopiedFolder, change.Path.Mid(baseLength));
            else
                AppendLogEntry(text, LogEntry::Kind::CreatedFolder, change.Path);
        } else if (change.Type == Change::Kind::FileWritten && inside
                   && std::find(replaced.begin(), replaced.end(), change.Path) == replaced.end()) {
            // A file that was there before is not ours: the copy replaced it.
            AppendLogEntry(text, LogEntry::Kind::CopiedFile, change.Path.Mid(baseLength));
        }
    }
    return text;
}

BOOL IsLibrary(const RunContext& run, const CString& source)
{
    // The whole path must match: "..\common\a.dll" is not the library
    // "..\common\a.dll2", which merely contains it.
    for (int i = 0; i < run.LibraryList.GetSize(); ++i)
        if (run.LibraryList[i].CompareNoCase(source) == 0)
            return TRUE;
    return FALSE;
}

int CheckFileVersion(RunContext& run, const CString& source, const CString& destination)
{
    if (!IsLibrary(run, source))
        return 2;
    if (GetFileAttributesA(destination) == INVALID_FILE_ATTRIBUTES) {
        run.RegistrationList.Add(destination);
        return 1;
    }
    CFileVersionInfo versions;
    int newer = versions.CompareVersions(versions.GetFileVersion(source), versions.GetFileVersion(destination));
    if (newer < 0)
        return -1;
    // An installed copy as new or newer stays, but this package still
    // registers it: its own entries may be missing from the registry.
    run.RegistrationList.Add(destination);
    return newer == 1 ? 1 : 0;
}

} // namespace SharedComponents
