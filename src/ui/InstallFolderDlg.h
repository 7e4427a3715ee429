// CInstallFolderDlg: the modal window that names the destination folder, with
// the package's banner across its top. The path cannot be typed here; only
// the folder browser behind Browse changes it, and the document judges it
// after OK.
#pragma once

#include "afxwin.h"

class RunContext;
class ChangeRecord;

class CInstallFolderDlg : public CDialog
{
public:
// Data members
    CString DestinationPath;
    CString BannerFile;
    CStatic BannerCtrl;
    CButton OkButton;
    CButton CancelButton;
    CButton FolderFrame;
    CButton BrowseButton;
    CString DisplayedPath;
    CString Message;
    BITMAP BannerInfo = {};
    HBITMAP BannerHandle = nullptr;
    CBitmap Banner;
    CString FolderTitle;
    CString WriteErrorText;
    CString InvalidFolderText;
    CString MakeFolderQuestion;
    CString BrowseInstruction;
    CString Caption;
    CString CancelText;
    CString OkText;
    CString BrowseText;
    // The run's record, for the folders the browser creates.
    ChangeRecord* Record = nullptr;

// Construction
    CInstallFolderDlg();

// Operations
    // Takes every text and the destination from the document.
    void LoadTexts(RunContext& run);
    // The destination as control 1006 shows it: whole when it fits, else the
    // leading folder names replaced by "..." one by one.
    CString FitPathToControl();

// Overridables
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Message handlers
    void OnBrowse();
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnDestroy();
    void OnPaint();

// Implementation (ui/Banner.cpp)
    void LoadBanner();
    void PaintBanner();
    void ReleaseBanner();
};
