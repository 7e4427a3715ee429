// The document's links to the rest of the program: the progress view and
// the record of the run's changes that the run host keeps.
#include "install/TarvelDoc.h"

#include "install/Progress.h"
#include "install/RunHost.h"
#include "script/ScriptKeys.h"

BOOL IsFlagFalse(const CString& flag)
{
    return flag.CompareNoCase(FLAG_FALSE) == 0;
}

IProgress* CTarvelDoc::ProgressView() const
{
    CFrameWnd* pFrame = dynamic_cast<CFrameWnd*>(AfxGetMainWnd());
    if (pFrame)
        if (IProgress* pView = dynamic_cast<IProgress*>(pFrame->GetActiveView()))
            return pView;
    return dynamic_cast<IProgress*>(m_pFirstView);
}

ChangeRecord& CTarvelDoc::Record() const
{
    return RunHost()->RunChanges();
}

void CTarvelDoc::RemoveCreatedInstallFolders()
{
    // Before the copy the package's changes are the folders the run made.
    Record().UndoArea(Change::Area::Package);
}
