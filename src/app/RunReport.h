// What the run's log says about the run as a whole: how it was started,
// the settings it uses, where it installs and how it ended. The steps of
// the install write their own lines.
#pragma once

#include "base/CommandLine.h"
#include "base/afxstr.h"
#include "rollback/ChangeRecord.h"

class CTarvelDoc;

namespace RunReport {

// How the program was started, for the log's first lines.
struct StartFacts
{
    const char* Version = "";
    const char* CommandLine = "";
    const char* InstallerFolder = "";
    const char* StartFolder = "";
    // The owner of the box that tells of a log that cannot be written.
    HWND Owner = nullptr;
};

// Opens the log the command line asks for and writes the start lines.
// Called before the installer's folder is made current, so that a relative
// path names a file in the folder the program was started in. A log that cannot
// be written is told once in a box, unless the run is silent: then FALSE,
// and the run must end, as a deployment without its log is blind.
// Every change in 'changes' gets its line from then on.
BOOL Start(const CommandLine::Switches& switches, const StartFacts& facts, ChangeRecord& changes);

// Which of the run's dialogs show: the view decides, the log tells.
struct ShownDialogs
{
    bool InstallFolder = false;
    bool Status = false;
    bool End = false;
};

// The script's path, every setting the run takes from it and which dialogs
// the run shows.
void Settings(const CTarvelDoc& doc, const ShownDialogs& shown);

// The destination, the room left on its drive and what the package needs.
void Destination(const CTarvelDoc& doc);

// The last line: the exit code and what it means. Closes the log.
void End(int exitCode);

} // namespace RunReport
