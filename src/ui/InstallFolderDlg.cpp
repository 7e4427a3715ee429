#include "InstallFolderDlg.h"

#include "base/PathHelpers.h"
#include "install/RunHost.h"
#include "install/RunContext.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"
#include "ui/FolderBrowser.h"

CInstallFolderDlg::CInstallFolderDlg() : CDialog(IDD_INSTALL_FOLDER)
{
}

void CInstallFolderDlg::LoadTexts(RunContext& run)
{
    Caption = run.GetScriptValue(SEC_INSTALL, KEY_CAPTION);
    Message = run.GetScriptValue(SEC_INSTALL, KEY_MSG_FOLDER_SEL);
    DestinationPath = run.InstallFolder;
    BrowseText = run.GetScriptValue(SEC_INSTALL, KEY_BUTTON_REF);
    OkText = run.GetScriptValue(SEC_INSTALL, KEY_BUTTON_OK);
    CancelText = run.GetScriptValue(SEC_INSTALL, KEY_BUTTON_CANCEL);
    FolderTitle = run.GetScriptValue(SEC_INSTALL, KEY_FOLDER_TITLE);
    BrowseInstruction = run.GetScriptValue(SEC_INSTALL, KEY_MSG_SELECT_FOLDER);
    MakeFolderQuestion = run.GetScriptValue(SEC_INSTALL, KEY_MAKE_FOLDER_CONF);
    InvalidFolderText = run.GetScriptValue(SEC_ERROR, KEY_ERR_SEL_FOL_INVALID);
    WriteErrorText = run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_WRITE_ERROR);
    Record = &run.Record();
}

void CInstallFolderDlg::DoDataExchange(CDataExchange* pDX)
{
    DDX_Control(pDX, IDC_BANNER, BannerCtrl);
    DDX_Control(pDX, IDOK, OkButton);
    DDX_Control(pDX, IDCANCEL, CancelButton);
    DDX_Control(pDX, IDC_FOLDER_FRAME, FolderFrame);
    DDX_Control(pDX, IDC_BROWSE, BrowseButton);
    DDX_Text(pDX, IDC_FOLDER_PATH, DisplayedPath);
    DDX_Text(pDX, IDC_MESSAGE, Message);
}

BOOL CInstallFolderDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    LoadBanner();
    return TRUE;
}

LRESULT CInstallFolderDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
            OnBrowse();
            return 0;
        }
        break;
    case WM_SHOWWINDOW: {
        LRESULT result = Default(message, wParam, lParam);
        OnShowWindow(static_cast<BOOL>(wParam), static_cast<UINT>(lParam));
        return result;
    }
    case WM_DESTROY: {
        LRESULT result = Default(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CTLCOLORSTATIC:
        // The banner is the dialog's to paint (OnPaint). The version 6 static
        // control fills its whole area with this brush when it paints itself,
        // after the dialog: a hollow brush leaves the banner standing.
        if (reinterpret_cast<HWND>(lParam) == BannerCtrl.m_hWnd)
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CInstallFolderDlg::OnShowWindow(BOOL, UINT)
{
    DisplayedPath = FitPathToControl();
    SetDlgItemText(IDC_FOLDER_PATH, DisplayedPath);
    OkButton.SetWindowText(OkText);
    CancelButton.SetWindowText(CancelText);
    BrowseButton.SetWindowText(BrowseText);
    FolderFrame.SetWindowText(FolderTitle);
    SetWindowText(Caption);
}

void CInstallFolderDlg::OnBrowse()
{
    CFolderBrowser browser(Caption, BrowseInstruction, DestinationPath, nullptr);
    browser.SetText(BROWSE_TEXT_INSTRUCTION, BrowseInstruction);
    browser.SetText(BROWSE_TEXT_MAKE_FOLDER, MakeFolderQuestion);
    browser.SetText(BROWSE_TEXT_INVALID, InvalidFolderText);
    browser.SetText(BROWSE_TEXT_WRITE_ERROR, WriteErrorText);
    browser.Record = Record;
    if (browser.DoModal() == 1)
        DestinationPath = browser.GetPath();

    // The package's paths are relative to the installer's folder, whatever
    // the shell did to the current folder meanwhile.
    if (IRunHost* pHost = RunHost(); pHost && pHost->InstallerFolderPath()[0])
        SetCurrentDirectoryA(pHost->InstallerFolderPath());

    DisplayedPath = FitPathToControl();
    SetDlgItemText(IDC_FOLDER_PATH, DisplayedPath);
    UpdateData(FALSE);
}

void CInstallFolderDlg::OnDestroy()
{
    ReleaseBanner();
}

void CInstallFolderDlg::OnPaint()
{
    CPaintDC dc(this);
    PaintBanner();
}

CString CInstallFolderDlg::FitPathToControl()
{
    RECT rect = {0, 0, 0, 0};
    ::GetWindowRect(GetDlgItem(IDC_FOLDER_PATH), &rect);
    const LONG width = rect.right - rect.left;

    // Measured with the device context's own font, not the dialog's.
    CClientDC dc(this);
    auto fits = [&](const CString& text) { return dc.GetTextExtent(text).cx <= width; };

    const CString& path = DestinationPath;
    CString result = path;
    if (path.GetLength() < 4)
        return result;
    const CString head = path.Left(3) + "...";
    int tailStart = 3;
    while (!fits(result)) {
        if (tailStart >= path.GetLength())
            break;
        const int separator = PathHelpers::FindNthBackslash(path, tailStart, 1);
        if (separator < 0)
            break;
        tailStart = separator + 1;
        result = head + "\\" + path.Mid(tailStart);
    }
    return result;
}
