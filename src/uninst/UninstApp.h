// CUninstApp: one start of the uninstaller removes one installation, the one
// in the uninstaller's own folder. Without arguments (as the list of
// installed software starts it) it asks first, shows its progress and ends
// with a message; with "/PSM" it shows nothing but an error.
#pragma once

#include "afxwin.h"

// Process exit codes, in the installer's style.
enum {
    UNINST_REMOVED = 0,
    UNINST_ANOTHER_RUNNING = 1, // an installer or uninstaller runs; nothing was done
    UNINST_DECLINED = 2,        // the user said No; nothing was done
    UNINST_NOTHING_CHANGED = 3, // no log, or one that cannot be trusted; nothing was done
    UNINST_ITEMS_LEFT = 4,      // removed, but some items stay (in use, or the user's)
};

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
