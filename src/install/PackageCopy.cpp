#include "install/PackageCopy.h"

#include "base/FileOps.h"
#include "base/RunLog.h"
#include "install/CopyLoop.h"
#include "install/SharedComponents.h"
#include "install/UninstallLog.h"
#include "install/UninstallLogs.h"
#include "install/UpdateLog.h"
#include "install/WritableFiles.h"
#include "rollback/KeptAside.h"
#include "script/ScriptKeys.h"

#include <string>
#include <vector>

namespace {

constexpr int LAST_DATA_FOLDER = 5;

// The package's data folders, merged into the destination root; the named
// files (uninstaller, script, icon) keep their script names there.
DestinationMap DataFolderMap(const RunContext& run)
{
    DestinationMap map(run.InstallFolder);
    // An empty first data folder gives "..\\\\", which no item matches.
    map.AddFolder(run.GetScriptValue(SEC_INSTALL, KEY_DATA_PATH));
    for (int k = 2; k <= LAST_DATA_FOLDER; ++k) {
        CString key;
        key.Format(KEY_DATA_PATH_FMT, k);
        CString folder = run.GetScriptValue(SEC_INSTALL, key);
        if (!folder.IsEmpty())
            map.AddFolder(folder);
    }
    return map;
}

// Progress steps: a tenth more than the items, so that the bar reaches 100
// only when the whole install is over. Integer arithmetic gives the exact
// truncation of n x 1.1 that floating point can miss by one.
int ProgressStepsFor(long long items)
{
    const long long steps = items * 11 / 10;
    return static_cast<int>(steps == items ? steps + 1 : steps);
}

// The package copy: an earlier installation's file is kept aside unless it
// is the same already, and every item goes into the log text.
class PackagePolicy : public CopyPolicy {
public:
    PackagePolicy(RunContext& run, bool reinstall) : m_run(run), m_reinstall(reinstall) {}

    Change::Area Area() const override { return Change::Area::Package; }

    int ProgressAt(long long index) const override
    {
        return static_cast<int>(100 * (index + 1) / m_run.ProgressDivisor);
    }

    bool ShowsEveryItem() const override { return true; }

    Action ForFile(const SourceEntry& item, const CString& destination, DWORD attributes,
                   const WIN32_FILE_ATTRIBUTE_DATA& found, bool ours) override
    {
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return Action::Copy;
        if (ours) {
            // This run's own copy, met again under a second data folder.
            return (attributes & FILE_ATTRIBUTE_READONLY) ? Action::ClearReadOnly : Action::Copy;
        }
        // A writable file is there to be edited (the customer's notes): what
        // an earlier installation left of it is the customer's, and the
        // package's copy goes only where none is.
        if (m_reinstall && Writable::IsListed(m_run, item.Path))
            return Action::KeepTheirs;
        // An earlier installation's file that this copy would write again
        // byte for byte, with the same time and attributes, stays as it is.
        return IsUnchanged(item, found, destination) ? Action::Leave : Action::KeepAside;
    }

    void FolderDone(const CString& relative) override
    {
        AppendLogEntry(m_run.LogText, LogEntry::Kind::CopiedFolder, relative);
    }
    void FileDone(const CString& relative) override
    {
        AppendLogEntry(m_run.LogText, LogEntry::Kind::CopiedFile, relative);
    }

private:
    // What a copy would leave there is there already: the same size, time
    // of last write and attributes (size and time tell most files apart
    // without reading them), and then the same bytes, as a package built
    // with fixed file times may change a file without changing either.
    bool IsUnchanged(const SourceEntry& item, const WIN32_FILE_ATTRIBUTE_DATA& found, const CString& destination)
    {
        return found.nFileSizeHigh == item.SizeHigh && found.nFileSizeLow == item.SizeLow
            && CompareFileTime(&found.ftLastWriteTime, &item.LastWrite) == 0
            && found.dwFileAttributes == item.Attributes
            // A file the script wants writable loses its read-only bit on
            // every copy: such a source never matches, and is copied.
            && !(m_run.WritableFiles.GetSize() > 0 && (item.Attributes & FILE_ATTRIBUTE_READONLY))
            && FileOps::SameContent(item.Path, destination);
    }

    RunContext& m_run;
    const bool m_reinstall;
};

} // namespace

namespace PackageCopy {

BOOL CopyFiles(RunContext& run)
{
    // The log begins with the destination's levels that this run created,
    // or for a re-install, that the earlier install created.
    run.LogText.Empty();
    bool reinstall = false;
    const std::vector<LogEntry> earlier = EarlierLogEntries(run.InstallFolder, reinstall);
    std::vector<CString> levels = run.Record().CreatedFolders(Change::Area::Package);
    if (levels.empty())
        levels = EarlierCreatedLevels(earlier);
    for (const CString& level : levels)
        AppendLogEntry(run.LogText, LogEntry::Kind::CreatedFolder, level);

    long long items = static_cast<long long>(run.SourceList.size());
    if (run.IsSharedComponents && run.SharedFileCount > 0)
        items += run.SharedFileCount;
    run.ProgressDivisor = ProgressStepsFor(items);

    const DestinationMap map = DataFolderMap(run);
    PackagePolicy policy(run, reinstall);
    CopyLoop loop(run, map, policy);
    // The journal that lets the next run undo this one if it is killed
    // lives in the aside folder; a fresh install, which keeps nothing aside,
    // makes it now (after the loop has seen whether the root was empty).
    // In an empty destination it is the first folder the install makes;
    // over an earlier installation it is where the replaced files go, and
    // fails as keeping one aside does.
    const bool fresh = FileOps::IsEmptyFolder(run.InstallFolder);
    if (!KeptAside::Start(run.Record(), Change::Area::Package, run.InstallFolder))
        return fresh ? run.Fail(ERROR_CODE_WRITE, "create folder", run.InstallFolder)
                     : run.Fail(CopyFailureCode(GetLastError()), "keep aside", run.InstallFolder);
    if (!loop.Run(run.SourceList, static_cast<long long>(run.SourceList.size())))
        return FALSE;
    if (run.IsSharedComponents && !SharedComponents::CopyFiles(run))
        return FALSE;

    // What an earlier version installed and this one does not ship stays
    // named, so that one uninstall still removes it.
    const int kept = AppendKeptEarlierEntries(run.LogText, earlier, run.InstallFolder);
    if (kept > 0)
        RunLog::Line("install", "earlier installation's log entries kept, for items this version does not "
                                "install: " + CString(std::to_string(kept).c_str()));

    const BOOL written = UninstallLogs::Write(run);
    run.LogText = DecodeLogText(run.LogText);
    if (!written)
        return FALSE;

    if (run.IsSharedComponents) {
        if (!UninstallLogs::WriteShared(run))
            return FALSE;
        // Both always run, then the outcome is checked: a library whose
        // registration failed is still counted, and the undo takes back
        // registration and count together.
        const BOOL registered = run.RegistrationList.GetSize() > 0 ? SharedComponents::RegisterLibraries(run) : TRUE;
        const RunError registration = run.Failure;
        const BOOL counted = SharedComponents::RaiseCounters(run);
        if (!registered || !counted) {
            // The first failure is the one to report.
            if (!registered)
                run.Failure = registration;
            return FALSE;
        }
    }
    return TRUE;
}

} // namespace PackageCopy
