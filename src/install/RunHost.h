// IRunHost: what the install engine and the dialogs need from the program
// that runs them: the record of the run's changes, the platform and the
// installer's folder. The application implements it; the engine and the
// dialogs reach it through the framework's one application object, so that
// they never name the application class above them.
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
