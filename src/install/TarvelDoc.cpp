// The document's link to its view, which shows progress and hears a cancel,
// and its named operations that are thin calls into the steps' modules.
#include "install/TarvelDoc.h"

#include "install/EntryKeys.h"
#include "install/InstallLayout.h"
#include "install/Progress.h"
#include "install/Shortcuts.h"

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

BOOL CTarvelDoc::CreateShortcut(const CString& target, const CString& link, const CString& icon)
{
    return Shortcuts::Create(*this, target, link, icon);
}

BOOL CTarvelDoc::RegisterInstall()
{
    if (RegisterSteps())
        return TRUE;
    EndFailedRun();
    return FALSE;
}

BOOL CTarvelDoc::RegisterSteps()
{
    const InstallLayout layout
        = InstallLayout::Of(SetupScript, ScriptCount, InstallFolder, KeysRoot, LinksForAllUsers() != FALSE);
    return Shortcuts::Make(*this, layout) && EntryKeys::Write(*this, layout) ? TRUE : FALSE;
}
