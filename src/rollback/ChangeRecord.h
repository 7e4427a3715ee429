// The record of everything a run changes. Each step appends what it did at
// the moment it acts (before the act where a failure can leave it half
// done), and the one undo replays the record backwards: silent, ignoring
// errors, always to its end, touching nothing the run did not record.
#pragma once

#include "base/afxstr.h"
#include "rollback/RunJournal.h"
#include "rollback/UndoSteps.h"

#include <functional>
#include <vector>

struct Change
{
    enum class Kind {
        FolderCreated,   // Path made by this run; goes when empty
        FileWritten,     // Path written by this run (a copy, a link, the log); goes
        FileKeptAside,   // Path renamed to Aside before being replaced; comes back
        FileLeft,        // Path left as it was (unchanged, or as new or newer); nothing to undo
        AsideFolder,     // Path: the hidden folder that holds kept-aside files
        LibraryRegistered, // Path's DllRegisterServer was called; unregistered
        LibraryReplaced, // Path held a library that this run replaced; registered again
        KeyCreated,      // registry key Path under Root made by this run; goes when empty
        ValueSet,        // Prior: the value as it was before the write
    };
    // The undo takes the areas back newest first, as a run makes them: the
    // shortcuts and registration, then the shared components, then the
    // package's files.
    enum class Area { Package, Shortcuts, Shared };

    Kind Type = Kind::FileWritten;
    Area Where = Area::Package;
    CString Path;
    HKEY Root = nullptr; // a created key's
    CString Aside;
    // A copied file's source and size, for the run log.
    CString Source;
    ULONGLONG Size = 0;
    // A value's content before and after the write.
    PriorValue Prior;
    PriorValue Written;
};

class ChangeRecord
{
public:
    void Add(const Change& change);
    void Add(Change::Kind kind, Change::Area area, const CString& path);
    void FolderCreated(Change::Area area, const CString& path);
    void FileWritten(Change::Area area, const CString& path);
    void FileCopied(Change::Area area, const CString& path, const CString& source, ULONGLONG size);
    void FileLeft(Change::Area area, const CString& path);
    void KeyCreated(Change::Area area, HKEY root, const CString& keyPath);
    void ValueSet(Change::Area area, const PriorValue& prior, const PriorValue& written);
    void LibraryRegistered(const CString& path);
    void LibraryReplaced(const CString& path);

    // The folder an area's files and folders lie in (the destination, the
    // shared folder): their undo goes through no link below it.
    void SetLinkRoot(Change::Area area, const CString& root);

    // Takes back every change of one area, newest first, and forgets them.
    void UndoArea(Change::Area area);
    // Takes back the whole run, area by area in undo order.
    void UndoAll();
    // The run succeeded: the kept-aside files are dropped and the record emptied.
    void Commit();

    // The folders of an area that this run created, oldest first.
    std::vector<CString> CreatedFolders(Change::Area area) const;
    // The hidden folder of kept-aside files under 'root', or empty.
    CString AsideFolderUnder(const CString& root) const;
    // TRUE when this run made the aside folder (or a folder in it) at 'path'.
    bool HasAsideFolder(const CString& path) const;
    // How many files this run has kept aside so far.
    int KeptCount() const { return m_keptCount; }
    const std::vector<Change>& Changes() const { return m_changes; }
    // The journals of this run's aside folders, for a later run to finish
    // the undo if this one is killed.
    RunJournal::Writer& Journal() { return m_journal; }
    bool IsEmpty() const { return m_changes.empty(); }

    // Told of every change as it is recorded (undone = false) and as it is
    // taken back (undone = true); the run log listens here.
    std::function<void(const Change&, bool undone)> Observer;

private:
    void Undo(const Change& change);
    bool IsBehindLink(Change::Area area, const CString& path) const;
    void Recount();

    std::vector<Change> m_changes;
    CString m_linkRoots[3];
    // Kept beside the record: a re-install asks for them at every file.
    std::vector<CString> m_asideFolders;
    int m_keptCount = 0;
    RunJournal::Writer m_journal;
};
