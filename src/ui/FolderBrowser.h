// CFolderBrowser: the shell's folder browser with an edit box above the tree,
// where any path can be typed. OK is ours: the path is checked, a missing
// folder is created after one question (every level journalled), and only an
// accepted path closes the browser.
// CFolderBrowserWnd: the subclass of the shell's browse window that brings OK
// and the edit box's changes to the browser.
#pragma once

#include "afxwin.h"
#include "rollback/ChangeRecord.h"

#include <shlobj.h>

class CFolderBrowser;

// Controls of the shell's browse window that the browser touches.
enum {
    IDC_BROWSE_TREE = 14145,   // the folder tree; the edit box goes above it
    IDC_BROWSE_STATUS = 14147, // the status line, hidden to make room
    IDC_BROWSE_EDIT = 14148,   // the edit box the browser adds
};

// The texts given through SetText.
enum {
    BROWSE_TEXT_INSTRUCTION = 257,
    BROWSE_TEXT_MAKE_FOLDER = 258,
    BROWSE_TEXT_INVALID = 512,
    BROWSE_TEXT_WRITE_ERROR = 513,
};

// Results of ValidateFolder and CheckOrCreatePath.
enum {
    FOLDER_DECLINED = -1,   // the user did not want the folder created
    FOLDER_ACCEPTED = 0,
    FOLDER_INVALID = 1,     // not a drive path, or a bad folder name
    FOLDER_NOT_CREATED = 2, // a level could not be created (or is a file)
};

class CFolderBrowserWnd : public CWnd
{
public:
// Data members
    CFolderBrowser* Browser = nullptr;

// Overridables
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

// Message handlers
    void OnOK();
    void OnEditChange();
};

class CFolderBrowser
{
public:
// Data members
    CString WriteErrorText;
    CString InvalidFolderText;
    CString MakeFolderQuestion;
    const char* WindowTitle = nullptr; // points at TitleText, or null
    const char* StartFolder = nullptr; // points at StartText
    char Path[MAX_PATH] = {};
    BROWSEINFOA BrowseInfo = {};
    HWND BrowseWindow = nullptr;
    HWND Owner = nullptr;
    LONG Accepted = 0;
    // The run's record: the levels OK creates are the run's, and its undo
    // takes them away.
    ChangeRecord* Record = nullptr;
    CFolderBrowserWnd BrowseWnd;

// Construction
    CFolderBrowser(LPCSTR title, LPCSTR instruction, LPCSTR startFolder, CWnd* parent);
    virtual ~CFolderBrowser() = default;
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

// Attributes
    CString GetPath() const { return CString(Path); }
    void SetText(int id, CString text);

// Operations
    // 1 when OK accepted a path (GetPath), -1 otherwise.
    virtual int DoModal();
    // 0 accepted, -1 declined, 1 invalid, 2 not created; warns for 1 and 2.
    int ValidateFolder(LPCSTR path);
    // The form of a drive path, folder name by folder name; unless checkOnly,
    // each missing level of a sound path is created and recorded in 'record'
    // (without one, nothing is created).
    static int CheckOrCreatePath(LPCSTR path, BOOL checkOnly, ChangeRecord* record = nullptr);
    static BOOL IsValidFolderName(LPCSTR name);

// Implementation
    static int CALLBACK BrowseCallbackProc(HWND hwnd, UINT message, LPARAM param, LPARAM data);
    void OnInitialized(HWND hwnd);
    void OnSelectionChanged(LPCITEMIDLIST item);
    void ShowWarning(int result);
    // The edit box's text into Path; FALSE when it is longer than Path holds.
    BOOL ReadEditBox();

private:
    CString TitleText;
    CString StartText;
    CString InstructionText; // what the shell shows above the tree
};
