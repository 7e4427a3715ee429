#include "MainFrame.h"

#include "install/Progress.h"
#include "install/RunHost.h"

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTA& cs)
{
    return CFrameWnd::PreCreateWindow(cs);
}

int CMainFrame::OnCreate(CREATESTRUCTA* pCreate)
{
    if (CFrameWnd::OnCreate(pCreate) == -1)
        return -1;
    return 0;
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The minimized window can be closed from the taskbar while the copy
    // pumps messages; closing it then would delete the document and view
    // under the running install. It counts as a cancel request instead.
    if (message == WM_CLOSE && RunHost() && RunHost()->IsRunUnderWay()) {
        if (IProgress* pView = dynamic_cast<IProgress*>(GetActiveView()))
            pView->RequestCancel();
        return 0;
    }
    return CFrameWnd::WindowProc(message, wParam, lParam);
}
