// The one copy loop. It changes the machine only through the seam table and
// records each change before making it, so a failure or cancel at any point
// leaves a record that the undo can replay backwards.
#include "install/CopyLoop.h"

#include "base/FileOps.h"
#include "base/HeldFiles.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "base/SystemCalls.h"
#include "install/Progress.h"
#include "install/WritableFiles.h"
#include "rollback/KeptAside.h"
#include "rollback/RecordedFolders.h"

DestinationMap::DestinationMap(const CString& root)
    : m_base(PathHelpers::WithoutTrailingBackslash(root))
{
}

void DestinationMap::AddFolder(const CString& folder)
{
    // The lower-casing leaves double-byte characters alone, so a prefix
    // match always ends on a character boundary of the path.
    CString prefix = "..\\" + folder + "\\";
    prefix.MakeLower();
    m_prefixes.push_back(prefix);
}

void DestinationMap::Map(const CString& path, CString& destination, CString& relative) const
{
    for (const CString& prefix : m_prefixes) {
        const int length = prefix.GetLength();
        if (PathHelpers::StartsWithLowered(path, prefix)) {
            // Keep the backslash that ends the prefix as the separator.
            destination = m_base + path.Mid(length - 1);
            relative = path.Mid(length);
            return;
        }
    }
    relative = PathHelpers::NamedFileDestination(path);
    destination = m_base + "\\" + relative;
}

CopyLoop::CopyLoop(RunContext& run, const DestinationMap& map, CopyPolicy& policy)
    : m_run(run)
    , m_map(map)
    , m_policy(policy)
    // The view stays for the whole run (the main window cannot be closed
    // under it), so it is looked up once and not at every pump.
    , m_view(run.ProgressView())
    , m_showsEveryItem(policy.ShowsEveryItem())
{
    // An empty destination root is as good as one this loop made: one
    // look now spares the look at every item that lands in it.
    if (FileOps::IsEmptyFolder(m_map.Base()))
        m_createdFolders.insert(std::string());
}

BOOL CopyLoop::Run(const std::vector<SourceEntry>& items, long long count)
{
    for (long long i = 0; i < count; ++i) {
        const SourceEntry& record = items[static_cast<size_t>(i)];
        if (Cancelled())
            return CancelNow();
        m_run.ProgressPosition = m_policy.ProgressAt(i);

        CString destination, relative;
        m_map.Map(record.Path, destination, relative);
        if (m_showsEveryItem)
            m_run.CurrentItem = destination;
        m_run.ProgressChanged();
        if (Cancelled())
            return CancelNow();

        const BOOL done = (record.Attributes & FILE_ATTRIBUTE_DIRECTORY)
            ? CopyFolderRecord(destination, relative)
            : CopyFileRecord(record, destination, relative);
        if (!done)
            return FALSE;
    }
    return TRUE;
}

BOOL CopyLoop::CopyFolderRecord(const CString& destination, const CString& relative)
{
    const std::string key = Key(relative);
    const DWORD attributes =
        SurelyAbsent(relative, key) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(destination);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        if (Cancelled())
            return CancelNow();
        // A folder that was there before is an earlier installation's, the
        // user's or another product's, even when it is empty: the undo leaves it.
        if (!RecordedFolders::Create(m_run.Record(), m_policy.Area(), destination))
            return m_run.Fail(ERROR_CODE_WRITE, "create folder", destination);
        m_createdFolders.insert(relative.str());
    }
    if (!m_showsEveryItem)
        m_run.CurrentItem = destination;
    Logged(key, relative, true);
    return Cancelled() ? CancelNow() : TRUE;
}

BOOL CopyLoop::CopyFileRecord(const SourceEntry& item, const CString& destination, const CString& relative)
{
    const CString& source = item.Path;
    const std::string key = Key(relative);
    WIN32_FILE_ATTRIBUTE_DATA found = {};
    const DWORD attributes = SurelyAbsent(relative, key)
            || !GetFileAttributesExA(destination, GetFileExInfoStandard, &found)
        ? INVALID_FILE_ATTRIBUTES
        : found.dwFileAttributes;
    const CopyPolicy::Action action = m_policy.ForFile(item, destination, attributes, found, IsOurs(key));
    if (action == CopyPolicy::Action::Refused)
        return FALSE;
    if (action == CopyPolicy::Action::Leave || action == CopyPolicy::Action::KeepTheirs) {
        // Nothing to keep or undo.
        if (action == CopyPolicy::Action::Leave)
            m_run.Record().FileLeft(m_policy.Area(), destination);
        else
            RunLog::Line("install", "kept the customer's copy: " + destination);
        Logged(key, relative, false);
        return Cancelled() ? CancelNow() : TRUE;
    }
    if (!m_showsEveryItem)
        m_run.CurrentItem = destination;
    if (!ActOn(action, destination, attributes))
        return FALSE;
    if (Cancelled())
        return CancelNow();

    // Recorded before the copy: a copy that fails half-way leaves a file
    // that the undo must take away.
    m_run.Record().FileCopied(m_policy.Area(), destination, source, item.Size());
    if (!HeldFiles::CopyOver(source, destination, FALSE))
        return m_run.Fail(CopyFailureCode(GetLastError()), "copy file", destination);
    Logged(key, relative, false);

    if (m_run.WritableFiles.GetSize() > 0 && !Writable::MakeWritableIfListed(m_run, source, destination))
        return m_run.Fail(ERROR_CODE_GENERAL, "set attributes", destination);
    return Cancelled() ? CancelNow() : TRUE;
}

// What must happen to the file in the way before the copy may overwrite it.
BOOL CopyLoop::ActOn(CopyPolicy::Action action, const CString& destination, DWORD attributes)
{
    if (action == CopyPolicy::Action::KeepAside) {
        // Renamed aside, read-only bit and all, before anything touches it;
        // what cannot be kept is not overwritten.
        if (!KeptAside::Keep(m_run.Record(), m_policy.Area(), m_map.Base(), destination))
            return m_run.Fail(CopyFailureCode(GetLastError()), "keep aside", destination);
    } else if (action == CopyPolicy::Action::ClearReadOnly) {
        if (!HeldFiles::SetAttributes(destination, FileOps::WithoutReadOnly(attributes)))
            return m_run.Fail(ERROR_CODE_GENERAL, "set attributes", destination);
    }
    return TRUE;
}

// An item is in place: this run has written its name, and the log may list it.
void CopyLoop::Logged(const std::string& key, const CString& relative, bool folder)
{
    m_written.insert(key);
    if (folder)
        m_policy.FolderDone(relative);
    else
        m_policy.FileDone(relative);
}

// TRUE when the user asked to cancel (never without a status window).
bool CopyLoop::Cancelled()
{
    return m_view && m_view->IsCancelRequested();
}

BOOL CopyLoop::CancelNow()
{
    return m_run.Fail(ERROR_CODE_CANCEL, "cancel");
}

// An item cannot be there yet when its folder was empty as this loop began
// or was made by it (only this run writes into it) and this name has not
// been written since. A look at the file system per item would cost about
// as much as copying a small file. Folders are matched by name as the map spelt them, so
// one that a second source folder spells in another case just gets the
// usual check.
bool CopyLoop::SurelyAbsent(const CString& relative, const std::string& key) const
{
    const int cut = PathHelpers::LastBackslash(relative);
    if (cut == 0)
        return false; // a name that begins with a backslash: no folder of ours
    const std::string folder = cut < 0 ? std::string() : relative.Left(cut).str();
    return m_createdFolders.count(folder) != 0 && !IsOurs(key);
}
