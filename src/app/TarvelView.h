// CTarvelView: drives the one install run of the process and shows its
// progress through the status dialog. It paints nothing itself.
#pragma once

#include "afxwin.h"
#include "install/Progress.h"
#include "ui/StatusDlg.h"

class CTarvelDoc;

class CTarvelView : public CView, public IProgress
{
public:
// Data members
    int IsEndDialogShown = 0;
    int IsStatusShown = 0;
    CStatusDlg StatusDlg;

// Attributes
    CTarvelDoc* GetDocument() const;

// Operations
    int RunSetup();
    BOOL RunInstallFolderDialog();
    // PrepareInstall, with the destination and its free space in the log.
    int PrepareDestination(BOOL ask);
    void RunEndDialog();

    // The progress interface of the copy loops.
    BOOL ShowStatus();
    BOOL PumpMessages();
    void CloseStatus();
    // The main window was asked to close during the run.
    void RequestCancel() override;
    BOOL IsCancelRequested() override { return PumpMessages(); }

// Overridables
    void PostNcDestroy() override;
    void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint) override;
    void OnDraw(CDC* pDC) override;
};
