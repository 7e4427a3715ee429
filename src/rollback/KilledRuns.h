// A run that is killed, or loses its power, leaves its aside folder behind:
// the earlier installation's files it replaced lie there, and what it added
// lies in the destination. The next run of the installer or the uninstaller
// finishes that run's undo from the folder's journal before it does anything
// else, so the earlier installation is whole again. A folder whose process
// still runs is that run's and is left alone.
#pragma once

#include "base/afxstr.h"

#include <vector>

namespace KilledRuns {

// One journal line, read and checked.
struct Step
{
    enum class Kind { Level, Folder, New, Kept };
    Kind Type = Kind::New;
    CString Path; // absolute, inside the root (a level: the root or above it)
    int Number = 0; // Kept: the aside file's number
};

struct Journal
{
    std::vector<Step> Steps;
    bool Done = false; // the run succeeded; only its kept files are left to drop
};

// Reads a journal's text for the root it was kept under. FALSE when a line
// is no journal line or names a place outside the root (a tampered journal
// changes nothing); an unfinished last line is the one being written when
// the run ended, and is skipped.
bool Parse(const CString& text, const CString& root, Journal& journal);

// TRUE when the aside folder's name carries the id of a process that no
// longer runs. This process's own id counts as gone: a caller looks before it
// makes an aside folder of its own, so one with its id is a dead run's whose
// id was given again.
bool IsFromEndedRun(const CString& asideFolder);

// Finishes the undo of every ended run under 'root' (which may be gone).
// Logs each step; returns how many aside folders were dealt with.
int RecoverUnder(const CString& root);

} // namespace KilledRuns
