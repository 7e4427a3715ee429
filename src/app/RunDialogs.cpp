// The interactive parts of the run: the install-folder dialog loop and the
// end dialog.
#include "app/TarvelView.h"

#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"

BOOL CTarvelView::RunInstallFolderDialog()
{
    // The install-folder dialog is not built yet: an interactive run ends here
    // without installing, and says so with the exit code.
    TarvelApp()->ExitCode = EXIT_USER_ENDED;
    return FALSE;
}

void CTarvelView::RunEndDialog()
{
}
