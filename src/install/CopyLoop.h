// The copy loop that both the package copy and the shared copy run: a list
// of source items walked into a destination folder with progress and
// cancel, folders made and recorded, files copied, earlier files kept aside.
// What the two copies do differently is asked of a CopyPolicy.
#pragma once

#include "install/RunContext.h"

#include <string>
#include <unordered_set>
#include <vector>

class IProgress;

// Where an item of a source list lands. Each source folder's contents are
// merged into the destination root; an item under none of them keeps its
// name there, never leading above it.
class DestinationMap {
public:
    // The root may end in a backslash or not.
    explicit DestinationMap(const CString& root);

    // A source folder, as the script names it: its items are the paths that
    // begin with "..\folder\" in any case.
    void AddFolder(const CString& folder);

    // The destination path, and the name relative to the destination root.
    // The first folder added that matches wins, so with DOC and DOC\SUB an
    // item of DOC\SUB still lands under SUB.
    void Map(const CString& path, CString& destination, CString& relative) const;

    // The destination root, without a trailing backslash; every item lands
    // at this plus "\" plus its relative name.
    const CString& Base() const { return m_base; }

private:
    CString m_base;
    std::vector<CString> m_prefixes;
};

// What one copy decides for itself.
class CopyPolicy {
public:
    // What becomes of a file item before it is copied.
    enum class Action {
        Copy,          // nothing there in the way: copy
        Leave,         // what is there stays, and the item is done
        KeepTheirs,    // as Leave, for the customer's own copy of a writable file
        KeepAside,     // an earlier file: renamed aside, then copied over
        ClearReadOnly, // this run's own read-only copy: made writable, then copied over
        Refused,       // the policy failed the run (the failure is kept)
    };

    virtual ~CopyPolicy() = default;

    // The part of the record of changes that this copy's changes go into.
    virtual Change::Area Area() const = 0;
    // The progress position as the item at this index begins.
    virtual int ProgressAt(long long index) const = 0;
    // TRUE to name each item before its refresh. FALSE to name a folder
    // after its refresh and a file only when it is to be written, so that a
    // refresh still shows the item written before.
    virtual bool ShowsEveryItem() const = 0;
    // The file item's fate. attributes is INVALID_FILE_ATTRIBUTES when
    // nothing is there, else those of found; ours when this run has already
    // written that name.
    virtual Action ForFile(const SourceEntry& item, const CString& destination, DWORD attributes,
                           const WIN32_FILE_ATTRIBUTE_DATA& found, bool ours) = 0;
    // An item is in place (made, copied or left): the run's log text may list it.
    virtual void FolderDone(const CString& relative) = 0;
    virtual void FileDone(const CString& relative) = 0;
};

class CopyLoop {
public:
    // Looks at the destination root once, before anything is copied.
    CopyLoop(RunContext& run, const DestinationMap& map, CopyPolicy& policy);

    // Copies the first count items of the list. TRUE when all are done, else
    // FALSE with the failure or cancel kept; the driver undoes and reports.
    BOOL Run(const std::vector<SourceEntry>& items, long long count);

private:
    BOOL CopyFolderRecord(const CString& destination, const CString& relative);
    BOOL CopyFileRecord(const SourceEntry& item, const CString& destination, const CString& relative);
    BOOL ActOn(CopyPolicy::Action action, const CString& destination, DWORD attributes);
    void Logged(const std::string& key, const CString& relative, bool folder);

    bool Cancelled();
    BOOL CancelNow();
    bool SurelyAbsent(const CString& relative, const std::string& key) const;
    bool IsOurs(const std::string& key) const { return m_written.count(key) != 0; }
    static std::string Key(CString relative) { return relative.MakeLower().str(); }

    RunContext& m_run;
    const DestinationMap& m_map;
    CopyPolicy& m_policy;
    IProgress* m_view;
    const bool m_showsEveryItem;
    // Relative names, lower-cased, that this loop has put in place.
    std::unordered_set<std::string> m_written;
    // Folders (relative names, "" for the root) that were empty as this
    // loop began or that it created.
    std::unordered_set<std::string> m_createdFolders;
};
