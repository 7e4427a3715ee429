// The document's links to the rest of the program: the progress view and
// the record of the run's changes that the application keeps.
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

ChangeRecord& CTarvelDoc::Record() const
{
    return TarvelApp()->Changes;
}

void CTarvelDoc::RemoveCreatedInstallFolders()
{
    // Before the copy the package's changes are the folders the run made.
    Record().UndoArea(Change::Area::Package);
}
