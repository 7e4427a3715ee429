// IRunHost: what a run needs from the program that runs it: the record of
// the run's changes, the platform and the installer's folder. The
// application implements it. The run context is given it when the document
// is made; the frame and the install-folder dialog, which outlive no run,
// ask the framework's one application object for it, so that nothing below
// the application names the application class.
#pragma once

#include "afxwin.h"
#include "rollback/ChangeRecord.h"

class IRunHost
{
public:
    virtual ~IRunHost() = default;

// Attributes
    // Everything the run changes, from the first folder the folder browser
    // makes to the last registry value; the undo replays it.
    virtual ChangeRecord& RunChanges() = 0;
    // TRUE on the NT family, where links go to the all-users folders.
    virtual BOOL RunsOnNtFamily() const = 0;
    // The installer's own folder, empty before start-up found it.
    virtual const char* InstallerFolderPath() const = 0;
    // TRUE while the install is under way: its windows must not close under it.
    virtual BOOL IsRunUnderWay() const = 0;
};

// The program's application object as a run host, or null when there is none.
IRunHost* RunHost();
