// The interactive parts of the run: the install-folder dialog loop and the
// end dialog.
#include "app/TarvelView.h"

#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "ui/EndDlg.h"
#include "ui/InstallFolderDlg.h"

BOOL CTarvelView::RunInstallFolderDialog()
{
    CTarvelDoc* pDoc = GetDocument();
    CInstallFolderDlg dlg;
    dlg.LoadTexts(*pDoc);
    dlg.BannerFile = pDoc->BannerFile;

    for (;;) {
        INT_PTR result = dlg.DoModal();
        if (result == IDCANCEL) {
            // Folders that the browser made for a choice the user then gave
            // up are not left behind; a non-empty one stays.
            pDoc->RemoveCreatedInstallFolders();
            TarvelApp()->ExitCode = EXIT_USER_ENDED;
            return FALSE;
        }
        if (result != IDOK)
            return FALSE; // the window could not be shown

        pDoc->InstallFolder = dlg.DestinationPath;
        switch (PrepareDestination(TRUE)) {
        case 0:
            return TRUE;
        case 1:
            continue; // declined the new folder: the same dialog, the same path
        default:
            return FALSE; // reported; the exit code stays "failed before copy"
        }
    }
}

void CTarvelView::RunEndDialog()
{
    CEndDlg dlg;
    if (!IsEndDialogShown)
        return;
    dlg.LoadTexts(*GetDocument());
    dlg.DoModal();
}
