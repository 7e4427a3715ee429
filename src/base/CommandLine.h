// The installer's command line: the run mode ("/PSM" silent, "/WD"
// half-silent, anything else interactive) and the deployment switches
// "/LOG", "/LOG=path" and "/SUPPRESSMSGBOXES".
#pragma once

#include "base/afxstr.h"

#include <vector>

namespace CommandLine {

enum class RunMode { Interactive, HalfSilent, Silent };

struct Switches
{
    RunMode Mode = RunMode::Interactive;
    bool IsLog = false;
    // As written after "/LOG="; empty for the default log in the temp folder.
    CString LogPath;
    // As written; it takes effect in a silent run only (see SuppressesBoxes).
    bool IsSuppressMsgBoxes = false;

    // A silent run may not wait for a click; an interactive one has a user.
    bool SuppressesBoxes() const { return IsSuppressMsgBoxes && Mode == RunMode::Silent; }
};

// Reads the whole text after the program name.
//
// Without a deployment switch the mode is chosen exactly as it always was:
// the whole text must equal "/PSM" or "/WD" (ASCII letters in any case), so
// "/PSM " with a blank is an interactive run. With one, those switches are
// taken out and the rest, blanks between words made single, is compared the
// same way: "/PSM /LOG" is silent, "/PSM /WD /LOG" interactive.
Switches Parse(const char* text);

// One word of a command line.
struct Word
{
    CString Raw;   // as written, quotes included
    CString Value; // quotes taken out, so that /LOG="C:\my logs\a.log" is one path
};

// The words of a command line: split at blanks outside double quotes, so a
// quoted word may hold blanks.
std::vector<Word> SplitWords(const char* text);

// "silent", "half-silent" or "interactive", for the log.
const char* ModeName(RunMode mode);

// The log's lines on how the program runs: 'mode' (the uninstaller has no
// half-silent run) and what became of /SUPPRESSMSGBOXES. Both programs'
// logs say it in the same words.
void LogMode(const Switches& switches, RunMode mode);

} // namespace CommandLine
