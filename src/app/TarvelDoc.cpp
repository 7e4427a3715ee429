// The document's links to the rest of the program: the progress view and
// the removal of the destination folders that the run created.
#include "app/TarvelDoc.h"

#include "app/TarvelApp.h"
#include "app/TarvelView.h"

CTarvelView* CTarvelDoc::ProgressView() const
{
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (pFrame)
        if (CTarvelView* pView = dynamic_cast<CTarvelView*>(pFrame->GetActiveView()))
            return pView;
    return dynamic_cast<CTarvelView*>(m_pFirstView);
}

BOOL CTarvelDoc::PumpMessages()
{
    CTarvelView* pView = ProgressView();
    return pView ? pView->PumpMessages() : FALSE;
}

void CTarvelDoc::RemoveCreatedInstallFolders()
{
    CStringArray folders;
    folders.SetSize(10);
    int count = TarvelApp()->GetCreatedInstallFolders(folders);
    // Newest first: an inner folder goes before the parent it was created in.
    for (int i = count - 1; i >= 0; --i)
        RemoveDirectoryA(folders[i]);
}
