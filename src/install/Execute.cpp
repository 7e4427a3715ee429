// Install execution: copies every item of the source list into the
// destination with progress and cancel, writes the uninstall log, installs
// the shared components and hands over to the registration steps. A failing
// step keeps its failure; the driver undoes the whole run once and reports.
#include "install/Execute.h"

#include "base/FileOps.h"
#include "base/RunLog.h"
#include "install/CopyLoop.h"
#include "install/TarvelDoc.h"
#include "rollback/KeptAside.h"
#include "rollback/UninstallLog.h"
#include "rollback/UpdateLog.h"
#include "script/ScriptKeys.h"

#include <string>
#include <vector>

namespace {

constexpr int LAST_DATA_FOLDER = 5;

// The package's data folders, merged into the destination root; the named
// files (uninstaller, script, icon) keep their script names there.
DestinationMap DataFolderMap(const CTarvelDoc& doc)
{
    DestinationMap map(doc.InstallFolder);
    // An empty first data folder gives "..\\\\", which no item matches.
    map.AddFolder(doc.GetScriptValue(SEC_INSTALL, KEY_DATA_PATH));
    for (int k = 2; k <= LAST_DATA_FOLDER; ++k) {
        CString key;
        key.Format(KEY_DATA_PATH_FMT, k);
        CString folder = doc.GetScriptValue(SEC_INSTALL, key);
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
    PackagePolicy(CTarvelDoc& doc, bool reinstall) : m_doc(doc), m_reinstall(reinstall) {}

    Change::Area Area() const override { return Change::Area::Package; }

    int ProgressAt(long long index) const override
    {
        return static_cast<int>(100 * (index + 1) / m_doc.ProgressDivisor);
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
        if (m_reinstall && m_doc.IsListedWritable(item.Path))
            return Action::KeepTheirs;
        // An earlier installation's file that this copy would write again
        // byte for byte, with the same time and attributes, stays as it is.
        return IsUnchanged(item, found, destination) ? Action::Leave : Action::KeepAside;
    }

    void FolderDone(const CString& relative) override
    {
        AppendLogEntry(m_doc.LogText, LogEntry::Kind::CopiedFolder, relative);
    }
    void FileDone(const CString& relative) override
    {
        AppendLogEntry(m_doc.LogText, LogEntry::Kind::CopiedFile, relative);
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
            && !(m_doc.WritableFiles.GetSize() > 0 && (item.Attributes & FILE_ATTRIBUTE_READONLY))
            && FileOps::SameContent(item.Path, destination);
    }

    CTarvelDoc& m_doc;
    const bool m_reinstall;
};

} // namespace

namespace InstallExecution {

BOOL CopyFiles(CTarvelDoc& doc)
{
    // The log begins with the destination's levels that this run created,
    // or for a re-install, that the earlier install created.
    doc.LogText.Empty();
    bool reinstall = false;
    const std::vector<LogEntry> earlier = EarlierLogEntries(doc.InstallFolder, reinstall);
    std::vector<CString> levels = doc.Record().CreatedFolders(Change::Area::Package);
    if (levels.empty())
        levels = EarlierCreatedLevels(earlier);
    for (const CString& level : levels)
        AppendLogEntry(doc.LogText, LogEntry::Kind::CreatedFolder, level);

    long long items = static_cast<long long>(doc.SourceList.size());
    if (doc.IsSharedComponents && doc.SharedFileCount > 0)
        items += doc.SharedFileCount;
    doc.ProgressDivisor = ProgressStepsFor(items);

    const DestinationMap map = DataFolderMap(doc);
    PackagePolicy policy(doc, reinstall);
    CopyLoop loop(doc, map, policy);
    // The journal that lets the next run undo this one if it is killed
    // lives in the aside folder; a fresh install, which keeps nothing aside,
    // makes it now (after the loop has seen whether the root was empty).
    // In an empty destination it is the first folder the install makes;
    // over an earlier installation it is where the replaced files go, and
    // fails as keeping one aside does.
    const bool fresh = FileOps::IsEmptyFolder(doc.InstallFolder);
    if (!KeptAside::Start(doc.Record(), Change::Area::Package, doc.InstallFolder))
        return fresh ? doc.Fail(ERROR_CODE_WRITE, "create folder", doc.InstallFolder)
                     : doc.Fail(CopyFailureCode(GetLastError()), "keep aside", doc.InstallFolder);
    if (!loop.Run(doc.SourceList, static_cast<long long>(doc.SourceList.size())))
        return FALSE;
    if (doc.IsSharedComponents && !doc.CopySharedFiles())
        return FALSE;

    // What an earlier version installed and this one does not ship stays
    // named, so that one uninstall still removes it.
    const int kept = AppendKeptEarlierEntries(doc.LogText, earlier, doc.InstallFolder);
    if (kept > 0)
        RunLog::Line("install", "earlier installation's log entries kept, for items this version does not "
                                "install: " + CString(std::to_string(kept).c_str()));

    const int written = doc.WriteUninstallLog();
    doc.LogText = DecodeLogText(doc.LogText);
    if (!written)
        return FALSE;

    if (doc.IsSharedComponents) {
        if (!doc.WriteSharedFilesLog())
            return FALSE;
        // Both always run, then the outcome is checked: a library whose
        // registration failed is still counted, and the undo takes back
        // registration and count together.
        const BOOL registered = doc.RegistrationList.GetSize() > 0 ? doc.RegisterSharedLibraries() : TRUE;
        const RunError registration = doc.Failure;
        const BOOL counted = doc.IncrementSharedCounters();
        if (!registered || !counted) {
            // The first failure is the one to report.
            if (!registered)
                doc.Failure = registration;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CopyPackage(CTarvelDoc& doc)
{
    doc.IsUserCancel = 0;
    if (CopyFiles(doc))
        return TRUE;
    doc.EndFailedRun();
    return FALSE;
}

} // namespace InstallExecution

BOOL CTarvelDoc::RunInstall()
{
    if (!InstallExecution::CopyPackage(*this))
        return FALSE;
    if (!RegisterInstall())
        return FALSE;

    // The earlier installation's files are replaced for good now.
    Record().Commit();
    ProgressPosition = 100;
    UpdateAllViews(nullptr);
    return TRUE;
}
