#include "uninst/ProgressWindow.h"

#include "uninst/res/uninst_resource.h"

CProgressWindow::CProgressWindow() : CDialog(IDD_UNINST_PROGRESS)
{
}

BOOL CProgressWindow::Open(const CString& caption, const CString& text)
{
    if (!Create(IDD_UNINST_PROGRESS))
        return FALSE;
    SetWindowText(caption);
    SetDlgItemText(IDC_UNINST_MESSAGE, text);
    ShowWindow(SW_SHOW);
    UpdateWindow();
    return TRUE;
}

BOOL CProgressWindow::OnInitDialog()
{
    CDialog::OnInitDialog();
    Bar.Attach(GetDlgItem(IDC_UNINST_PROGRESS));
    Bar.SetRange(0, 100);
    Bar.SetPos(0);
    return TRUE;
}

void CProgressWindow::OnCancel()
{
}

void CProgressWindow::Show(int done, int total)
{
    if (!IsWindow())
        return;
    Bar.SetPos(total > 0 ? static_cast<int>(100LL * done / total) : 100);
    PumpWaitingMessages();
}

void CProgressWindow::Close()
{
    Bar.Detach();
    if (IsWindow())
        DestroyWindow();
}
