#include "rollback/ChangeRecord.h"

#include "base/Links.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"

#include <algorithm>

void ChangeRecord::Add(const Change& change)
{
    m_changes.push_back(change);
    // A line that cannot be written costs only the recovery of a killed run.
    if (change.Type == Change::Kind::FileWritten)
        m_journal.FileWritten(change.Path);
    else if (change.Type == Change::Kind::FolderCreated)
        m_journal.FolderCreated(change.Path);
    if (change.Type == Change::Kind::FileKeptAside)
        ++m_keptCount;
    else if (change.Type == Change::Kind::AsideFolder)
        m_asideFolders.push_back(change.Path);
    if (Observer)
        Observer(change, false);
}

void ChangeRecord::Add(Change::Kind kind, Change::Area area, const CString& path)
{
    Change change;
    change.Type = kind;
    change.Where = area;
    change.Path = path;
    Add(change);
}

void ChangeRecord::FolderCreated(Change::Area area, const CString& path)
{
    Add(Change::Kind::FolderCreated, area, path);
}

void ChangeRecord::FileWritten(Change::Area area, const CString& path)
{
    Add(Change::Kind::FileWritten, area, path);
}

void ChangeRecord::FileCopied(Change::Area area, const CString& path, const CString& source, ULONGLONG size)
{
    Change change;
    change.Type = Change::Kind::FileWritten;
    change.Where = area;
    change.Path = path;
    change.Source = source;
    change.Size = size;
    Add(change);
}

void ChangeRecord::FileLeft(Change::Area area, const CString& path)
{
    Add(Change::Kind::FileLeft, area, path);
}

void ChangeRecord::KeyCreated(Change::Area area, HKEY root, const CString& keyPath)
{
    Change change;
    change.Type = Change::Kind::KeyCreated;
    change.Where = area;
    change.Path = keyPath;
    change.Root = root;
    Add(change);
}

void ChangeRecord::ValueSet(Change::Area area, const PriorValue& prior, const PriorValue& written)
{
    Change change;
    change.Type = Change::Kind::ValueSet;
    change.Where = area;
    change.Path = prior.KeyPath;
    change.Prior = prior;
    change.Written = written;
    Add(change);
}

void ChangeRecord::LibraryRegistered(const CString& path)
{
    Add(Change::Kind::LibraryRegistered, Change::Area::Shared, path);
}

void ChangeRecord::LibraryReplaced(const CString& path)
{
    Add(Change::Kind::LibraryReplaced, Change::Area::Shared, path);
}

void ChangeRecord::SetLinkRoot(Change::Area area, const CString& root)
{
    m_linkRoots[static_cast<int>(area)] = root;
}

// Something put a link above the item since the run wrote it: what lies
// below the link is another folder's, and stays.
bool ChangeRecord::IsBehindLink(Change::Area area, const CString& path) const
{
    const CString& root = m_linkRoots[static_cast<int>(area)];
    const CString parent = PathHelpers::FolderOf(path);
    const CString link = PathHelpers::IsInside(parent, root) ? Links::FirstLinkBelow(root, parent) : CString();
    if (link.IsEmpty())
        return false;
    RunLog::Line("left", "not taken back, it lies behind the link " + link + ": " + path);
    return true;
}

void ChangeRecord::Undo(const Change& change)
{
    if ((change.Type == Change::Kind::FolderCreated || change.Type == Change::Kind::AsideFolder
            || change.Type == Change::Kind::FileWritten || change.Type == Change::Kind::FileKeptAside)
        && IsBehindLink(change.Where, change.Path))
        return;
    switch (change.Type) {
    case Change::Kind::AsideFolder:
        // Every file is back by now: the journal is not needed any more.
        if (RunJournal::IsAsideFolderName(change.Path))
            m_journal.Finish(change.Path);
        Undo::RemoveFolderIfEmpty(change.Path);
        break;
    case Change::Kind::FolderCreated:
        Undo::RemoveFolderIfEmpty(change.Path);
        break;
    case Change::Kind::FileWritten:
        Undo::RemoveFile(change.Path);
        break;
    case Change::Kind::FileKeptAside:
        Undo::PutBackFile(change.Aside, change.Path);
        break;
    case Change::Kind::LibraryRegistered:
        Undo::UnregisterLibrary(change.Path);
        break;
    case Change::Kind::LibraryReplaced:
        // The earlier library is back in its place by now (it was kept aside
        // after this entry): its own registration is written again over
        // whatever the replacing library's unregistration took away.
        Undo::RegisterLibrary(change.Path);
        break;
    case Change::Kind::KeyCreated:
        Undo::RemoveKey(change.Root, change.Path);
        break;
    case Change::Kind::ValueSet:
        Undo::PutBackValue(change.Prior);
        break;
    case Change::Kind::FileLeft:
        return; // nothing was changed, nothing to tell
    }
    if (Observer)
        Observer(change, true);
}

void ChangeRecord::UndoArea(Change::Area area)
{
    for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change)
        if (change->Where == area)
            Undo(*change);
    m_changes.erase(std::remove_if(m_changes.begin(), m_changes.end(),
                                   [area](const Change& change) { return change.Where == area; }),
                    m_changes.end());
    Recount();
}

void ChangeRecord::Recount()
{
    m_asideFolders.clear();
    m_keptCount = 0;
    for (const Change& change : m_changes) {
        if (change.Type == Change::Kind::FileKeptAside)
            ++m_keptCount;
        else if (change.Type == Change::Kind::AsideFolder)
            m_asideFolders.push_back(change.Path);
    }
}

void ChangeRecord::UndoAll()
{
    // A level can hold folders of two areas ("Maker\Guide" and
    // "Maker\Common" below a "Maker" the run made): it is empty only once
    // the later area is undone, so the folders get a second look at the end.
    std::vector<Change> folders;
    for (const Change& change : m_changes)
        if (change.Type == Change::Kind::FolderCreated || change.Type == Change::Kind::AsideFolder)
            folders.push_back(change);

    // Newest area first: the product keys lie below the maker's key that the
    // counters made, and the shared copy may have kept aside a package file
    // (a shared folder that is the installation folder), which must be back
    // in its place before the package's undo removes it.
    UndoArea(Change::Area::Shortcuts);
    UndoArea(Change::Area::Shared);
    UndoArea(Change::Area::Package);

    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
        if (!IsBehindLink(folder->Where, folder->Path))
            Undo::RemoveFolderIfEmpty(folder->Path);
}

void ChangeRecord::Commit()
{
    // The earlier installation's files are replaced for good now. Said in
    // the journals first: a run killed while it drops them must not be undone.
    m_journal.Done();
    for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change) {
        if (change->Type == Change::Kind::FileKeptAside) {
            Undo::DropFile(change->Aside);
        } else if (change->Type == Change::Kind::AsideFolder) {
            if (RunJournal::IsAsideFolderName(change->Path))
                m_journal.Finish(change->Path);
            Undo::RemoveFolderIfEmpty(change->Path);
        }
    }
    m_changes.clear();
    Recount();
}

bool ChangeRecord::HasAsideFolder(const CString& path) const
{
    // The folder asked for is nearly always the newest one.
    for (auto folder = m_asideFolders.rbegin(); folder != m_asideFolders.rend(); ++folder)
        if (folder->CompareNoCase(path) == 0)
            return true;
    return false;
}

std::vector<CString> ChangeRecord::CreatedFolders(Change::Area area) const
{
    std::vector<CString> folders;
    for (const Change& change : m_changes)
        if (change.Where == area && change.Type == Change::Kind::FolderCreated)
            folders.push_back(change.Path);
    return folders;
}

CString ChangeRecord::AsideFolderUnder(const CString& root) const
{
    const CString base = PathHelpers::WithoutTrailingBackslash(root);
    for (const CString& folder : m_asideFolders)
        if (PathHelpers::FolderOf(folder).CompareNoCase(base) == 0)
            return folder;
    return CString();
}
