// CMainFrame: the main window. It stays minimized for the whole run and owns
// the message boxes; it has no behaviour of its own but one guard.
#pragma once

#include "afxwin.h"

class CMainFrame : public CFrameWnd
{
public:
// Overridables
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override;
    int OnCreate(CREATESTRUCTA* pCreate) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
