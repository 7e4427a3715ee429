// CEndDlg: the small modal window that tells the user the install is
// complete. What the user presses does not matter.
#pragma once

#include "afxwin.h"

class RunContext;

class CEndDlg : public CDialog
{
public:
// Data members
    CButton OkButton;
    CString Message;
    CString Caption;
    CString OkText;

// Construction
    CEndDlg();

// Operations
    void LoadTexts(const RunContext& run);

// Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Message handlers
    void OnShowWindow(BOOL bShow, UINT nStatus);
};
