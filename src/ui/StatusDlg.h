// CStatusDlg: the modeless window that shows the copy's progress. It has no
// Cancel button; closing it (close box, Alt+F4, Esc) only raises a cancel
// request, which the copy loops see at their next PumpMessages.
#pragma once

#include "afxwin.h"

class CStatusDlg : public CDialog
{
public:
// Data members
    CStatic MessageLabel;
    CStatic FileLabel;
    CProgressCtrl ProgressBar;
    CString FileText;
    CString MessageText;
    int CancelRequest = 0;

// Construction
    CStatusDlg();

// Operations
    // Dispatches what waits in the thread's queue, never waiting; TRUE once
    // the user asked to cancel.
    BOOL PumpMessages();
    // The file-name part of a path, as the label shows it.
    static CString FileNamePart(const CString& path);
    // Lays the window out as 400 x 180 pixels from its current corner.
    void LayOut();

// Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Message handlers
    void OnClose();
    void OnShowWindow(BOOL bShow, UINT nStatus);
};
