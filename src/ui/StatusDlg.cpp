#include "StatusDlg.h"

#include "base/PathHelpers.h"
#include "res/resource.h"
#include "ui/ScreenDpi.h"

CStatusDlg::CStatusDlg() : CDialog(IDD_STATUS)
{
}

void CStatusDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_MESSAGE, MessageLabel);
    DDX_Control(pDX, IDC_FILE_NAME, FileLabel);
    DDX_Control(pDX, IDC_PROGRESS, ProgressBar);
    DDX_Text(pDX, IDC_FILE_NAME, FileText);
    DDX_Text(pDX, IDC_MESSAGE, MessageText);
}

BOOL CStatusDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ProgressBar.SetRange(0, 100);
    ProgressBar.SetPos(0);
    CancelRequest = 0;
    return TRUE;
}

void CStatusDlg::OnCancel()
{
    // Esc and the close box arrive here; the window stays as it is.
    CancelRequest = 1;
}

void CStatusDlg::OnClose()
{
    CancelRequest = 1;
}

LRESULT CStatusDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        OnClose();
        break; // the dialog manager turns it into Cancel, which OnCancel keeps harmless
    case WM_SHOWWINDOW: {
        LRESULT result = Default(message, wParam, lParam);
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return result;
    }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CStatusDlg::OnShowWindow(BOOL bShow, UINT)
{
    if (bShow)
        LayOut();
}

void CStatusDlg::LayOut()
{
    RECT window;
    GetWindowRect(&window);
    // The template's DS_CENTER placement is kept: the window grows to the
    // right and downwards from its corner. The controls' heights come from
    // the template and grow with the font; the pixels here grow with them.
    const int dpi = ScreenDpi();
    MoveWindow(window.left, window.top, AtDpi(400, dpi), AtDpi(180, dpi), TRUE);

    auto height = [this](int id) {
        RECT rc;
        ::GetWindowRect(GetDlgItem(id), &rc);
        return rc.bottom - rc.top;
    };
    int h1 = height(IDC_MESSAGE);
    int h2 = height(IDC_FILE_NAME);
    int h3 = height(IDC_PROGRESS);
    const int left = AtDpi(10, dpi);
    const int width = AtDpi(350, dpi);
    ::MoveWindow(GetDlgItem(IDC_MESSAGE), left, AtDpi(10, dpi), width, h1, TRUE);
    ::MoveWindow(GetDlgItem(IDC_FILE_NAME), left, h1 + AtDpi(30, dpi), width, h2, TRUE);
    ::MoveWindow(GetDlgItem(IDC_PROGRESS), left, h1 + h2 + AtDpi(50, dpi), width, h3, TRUE);
}

BOOL CStatusDlg::PumpMessages()
{
    if (!m_hWnd || !::IsWindow(m_hWnd))
        return CancelRequest ? TRUE : FALSE;
    PumpWaitingMessages();
    return CancelRequest ? TRUE : FALSE;
}

CString CStatusDlg::FileNamePart(const CString& path)
{
    int start = LastComponentStart(path);
    if (start < 0)
        return CString();
    return path.Mid(start);
}
