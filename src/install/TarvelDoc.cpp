// The document's link to its view, which shows progress and hears a cancel.
#include "install/TarvelDoc.h"

#include "install/Progress.h"

IProgress* CTarvelDoc::ProgressView() const
{
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (pFrame)
        if (IProgress* pView = dynamic_cast<IProgress*>(pFrame->GetActiveView()))
            return pView;
    return dynamic_cast<IProgress*>(m_pFirstView);
}

void CTarvelDoc::RemoveCreatedInstallFolders()
{
    // Before the copy the package's changes are the folders the run made.
    Record().UndoArea(Change::Area::Package);
}
