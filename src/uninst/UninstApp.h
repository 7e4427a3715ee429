// CUninstApp: one start of the uninstaller removes one installation, the one
// in the uninstaller's own folder. Without arguments (as the list of
// installed software starts it) it asks first, shows its progress and ends
// with a message; with "/PSM" it shows nothing but an error.
#pragma once

#include "afxwin.h"
#include "uninst/UninstExitCodes.h"

class CUninstApp : public CWinApp
{
public:
    int ExitCode = UNINST_NOTHING_CHANGED;
    // The run's log (/LOG), empty without one.
    CString LogPath;
    // The clean-up copy was started: it ends the log.
    bool HandedOver = false;

    BOOL InitInstance() override; // does the whole run; always FALSE
    int ExitInstance() override;

    // The run itself, with the mutex held; the exit code.
    int Uninstall(bool silent);
};

// The uninstall of the installation in the folder of 'program' (the running
// uninstaller), with the mutex held; the exit code. 'handedOver' is set when
// the clean-up copy was started with the log at 'logPath': it then ends it.
int UninstallBy(const CString& program, bool silent, const CString& logPath, bool& handedOver);
