// The journal a run keeps in each of its aside folders, so that a run that
// is killed (or loses its power) can still be undone by the next one. Each
// line is written and flushed before the change it names, or, for a folder,
// right after it is made (a folder that is not named is never removed): the
// levels of the root the run created, the folders and files it added inside
// the root, and where each kept-aside file came from. The run's own undo and
// its success delete the journal with the folder.
//
// Lines, each ending in CR LF, paths in the system's code page:
//   level <absolute folder>     a level of the root (the root itself or above)
//   folder <relative folder>    made inside the root
//   new <relative file>         written inside the root
//   kept <number> <relative>    renamed to <aside>\<number / 256>\<number % 256>
//   done                        the run succeeded: the kept files are not wanted
#pragma once

#include "base/afxstr.h"

#include <memory>
#include <vector>

namespace RunJournal {

constexpr char JOURNAL_NAME[] = "journal";
constexpr char ASIDE_PREFIX[] = "~TarvelKept.";
constexpr int FILES_PER_BUCKET = 256;

// The kept-aside file of a number, inside an aside folder.
CString AsidePath(const CString& asideFolder, int number);

// TRUE when the folder's last level is named as an aside folder is.
bool IsAsideFolderName(const CString& folder);

class Writer
{
public:
    // What the run did before the journal began.
    struct Earlier
    {
        bool Folder = false; // a folder made, else a file written
        CString Path;
    };
    // Creates the journal of a new aside folder (its parent is the root),
    // with the lines of what the run did under the root before, in one write:
    // a journal is never seen without the levels the run made.
    // FALSE when it cannot be written.
    bool Start(const CString& asideFolder, const std::vector<Earlier>& earlier);
    // A line about a change at 'path', to the journal whose root holds it
    // (or whose root it is a level of); nothing when no journal covers it.
    // FALSE when the line is owed but cannot be written.
    bool FolderCreated(const CString& path);
    bool FileWritten(const CString& path);
    // Before the rename of 'path' to the aside file 'number'.
    bool Kept(const CString& asideFolder, int number, const CString& path);
    // Before the kept files are dropped after a successful run.
    void Done();
    // Closes and deletes the journal of an aside folder about to be removed.
    void Finish(const CString& asideFolder);

private:
    struct Journal
    {
        CString Root;  // no trailing backslash
        CString Aside;
        std::shared_ptr<void> File;
    };
    Journal* Covering(const CString& path);
    // The line for a change at 'path', empty when none is owed to 'journal'.
    static CString FolderLine(const Journal& journal, const CString& path);
    static CString FileLine(const Journal& journal, const CString& path);
    // 'durable': on the disk, not only in the system's cache, before the
    // change it names. A killed process loses nothing the system has taken;
    // only a power cut does, and only the lines that would strand an earlier
    // file or undo a finished run are worth a flush per line.
    static bool Write(const Journal& journal, const CString& line, bool durable = false);

    std::vector<Journal> m_journals;
};

} // namespace RunJournal
