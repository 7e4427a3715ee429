// The window side of the framework: command targets, windows, dialogs with
// data exchange, the control wrappers, GDI helpers, documents, views, frames,
// the single-document template and the application object.
//
// Each class is a thin wrapper over the Win32 calls it stands for. Messages
// reach a C++ object through one window procedure that looks the object up by
// its HWND and calls its virtual WindowProc; a class handles a message by
// overriding WindowProc with a switch and passing everything else on.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/afxstr.h"
#include "afxfile.h"

class CDocument;
class CView;
class CFrameWnd;
class CWinApp;
class CDataExchange;

// Framework command and resource identifiers.
#define ID_FILE_NEW        0xE100
#define ID_FILE_OPEN       0xE101
#define ID_APP_ABOUT       0xE140
#define ID_APP_EXIT        0xE141
#define AFX_IDS_APP_TITLE  0xE000
#define AFX_IDW_PANE_FIRST 0xE900

class CCmdTarget : public CObject
{
public:
// Overridables
    // Handles a command (menu item, accelerator, posted WM_COMMAND); TRUE when handled.
    virtual BOOL OnCmdMsg(UINT nID, int nCode);
};

class CWnd : public CCmdTarget
{
public:
// Data members
    HWND m_hWnd = nullptr;

// Construction
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

// Attributes
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return GetSafeHwnd(); }
    // The object attached to a window by this framework, or null.
    static CWnd* FromHandlePermanent(HWND hWnd);
    // The owner for a message box or modal window: the parent's top-level
    // window, else the main window's last active popup.
    static HWND GetSafeOwner(CWnd* pParent);

// Operations (each one Win32 call)
    BOOL Attach(HWND hWnd);   // binds without subclassing
    HWND Detach();
    BOOL SubclassWindow(HWND hWnd); // binds and routes its messages to WindowProc
    HWND UnsubclassWindow();

    void SetWindowText(const char* psz) { ::SetWindowTextA(m_hWnd, psz); }
    HWND GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }
    void SetDlgItemText(int nID, const char* psz) { ::SetDlgItemTextA(m_hWnd, nID, psz); }
    BOOL ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    BOOL EnableWindow(BOOL bEnable = TRUE) { return ::EnableWindow(m_hWnd, bEnable); }
    BOOL IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }
    void MoveWindow(int x, int y, int w, int h, BOOL bRepaint = TRUE) { ::MoveWindow(m_hWnd, x, y, w, h, bRepaint); }
    void GetWindowRect(RECT* pRect) const { ::GetWindowRect(m_hWnd, pRect); }
    void GetClientRect(RECT* pRect) const { ::GetClientRect(m_hWnd, pRect); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) { return ::SendMessageA(m_hWnd, msg, wParam, lParam); }
    BOOL SetForegroundWindow() { return ::SetForegroundWindow(m_hWnd); }
    virtual BOOL DestroyWindow();

// Overridables
    // Every message of an attached window comes here first.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // WM_COMMAND; TRUE when handled. The default routes to OnCmdMsg.
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    // Called after the window is gone (WM_NCDESTROY); the object is detached.
    virtual void PostNcDestroy() {}

// Implementation
    // Passes a message on to the window's original procedure.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK StandardWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The object to bind to the window that CreateWindowEx is about to create;
    // the window procedure takes it at the window's first message.
    static CWnd*& WindowBeingCreated();

protected:
    WNDPROC m_pfnSuper = nullptr; // the procedure that unhandled messages go on to
};

// Control wrappers: they own nothing and hold the control's HWND.
class CStatic : public CWnd {};
class CButton : public CWnd {};
class CEdit : public CWnd {};
class CProgressCtrl : public CWnd
{
public:
    void SetRange(short nLower, short nUpper) { SendMessage(PBM_SETRANGE, 0, MAKELPARAM(nLower, nUpper)); }
    int SetPos(int nPos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos), 0)); }
};

class CDialog : public CWnd
{
public:
// Data members
    UINT m_nIDTemplate = 0;
    CWnd* m_pParentWnd = nullptr;

// Construction
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr)
        : m_nIDTemplate(nIDTemplate), m_pParentWnd(pParentWnd) {}

// Operations
    // Modal: DialogBoxParamA owned by GetSafeOwner(parent); returns EndDialog's result.
    virtual INT_PTR DoModal();
    // Modeless: CreateDialogParamA with the given parent; FALSE when it fails.
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    void EndDialog(int nResult) { ::EndDialog(m_hWnd, nResult); }
    // Moves data between members and controls (FALSE: members to controls).
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);
    BOOL IsDialogMessage(MSG* pMsg) { return ::IsDialogMessageA(m_hWnd, pMsg); }
    // For a modeless dialog during long work: dispatches the thread's waiting
    // messages without waiting (PeekMessage, IsDialogMessage for this dialog);
    // a WM_QUIT met on the way is posted again for the main loop.
    void PumpWaitingMessages();

// Overridables
    virtual BOOL OnInitDialog(); // UpdateData(FALSE); TRUE
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();         // UpdateData(TRUE), EndDialog(IDOK)
    virtual void OnCancel();     // EndDialog(IDCANCEL)
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

// Implementation
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
};

class CDataExchange
{
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate) : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

// Binds a control wrapper to the dialog's control (no subclassing).
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
// Moves a text between a member and a control.
void DDX_Text(CDataExchange* pDX, int nIDC, CString& value);

// GDI helpers, each owning what it acquired.
class CDC
{
public:
    HDC m_hDC = nullptr;
    operator HDC() const { return m_hDC; }
    // Text extent (GetTextExtentPoint32A) in pixels.
    SIZE GetTextExtent(const char* psz, int nCount) const;
    SIZE GetTextExtent(const CString& s) const { return GetTextExtent(s, s.GetLength()); }
};

class CClientDC : public CDC
{
    HWND m_hWnd;
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC();
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
};

class CPaintDC : public CDC
{
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC();
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
};

// Owns its HBITMAP: DeleteObject deletes it, Detach gives it up.
class CBitmap : public CObject
{
public:
    HBITMAP m_hObject = nullptr;
    ~CBitmap() override { DeleteObject(); }
    operator HBITMAP() const { return m_hObject; }
    BOOL Attach(HBITMAP h) { m_hObject = h; return h != nullptr; }
    HBITMAP Detach() { HBITMAP h = m_hObject; m_hObject = nullptr; return h; }
    BOOL DeleteObject();
    int GetObject(int nCount, void* pObject) const { return ::GetObjectA(m_hObject, nCount, pObject); }
};

class CDocument : public CCmdTarget
{
public:
// Data members
    CView* m_pFirstView = nullptr; // a single-document program has one view

// Operations
    void AddView(CView* pView);
    void RemoveView(CView* pView);
    // Calls OnUpdate of every view but the sender.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, CObject* pHint = nullptr);

// Overridables
    virtual BOOL OnNewDocument() { return TRUE; }
};

class CView : public CWnd
{
public:
// Data members
    CDocument* m_pDocument = nullptr;

// Attributes
    CDocument* GetDocument() const { return m_pDocument; }

// Overridables
    virtual void OnUpdate(CView* pSender, LPARAM lHint, CObject* pHint);
    virtual void OnDraw(CDC* pDC) = 0;
    virtual void OnInitialUpdate() { OnUpdate(nullptr, 0, nullptr); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override; // deletes the view object
    ~CView() override;
};

class CFrameWnd : public CWnd
{
public:
// Data members
    CView* m_pViewActive = nullptr;
    HACCEL m_hAccelTable = nullptr;

// Attributes
    CView* GetActiveView() const { return m_pViewActive; }
    void SetActiveView(CView* pView) { m_pViewActive = pView; }

// Operations
    // Creates the frame window with menu, accelerators and title from resource nIDResource.
    BOOL LoadFrame(UINT nIDResource);
    // Creates the view as the frame's client.
    BOOL CreateView(CView* pView, CDocument* pDoc);
    void OnClose(); // ID_APP_EXIT and WM_CLOSE: destroys the frame

// Overridables
    virtual BOOL PreCreateWindow(CREATESTRUCTA&) { return TRUE; }
    virtual int OnCreate(CREATESTRUCTA*) { return 0; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override; // deletes the frame object, ends the loop for the main window
};

class CSingleDocTemplate : public CObject
{
public:
    using DocFactory = CDocument* (*)();
    using FrameFactory = CFrameWnd* (*)();
    using ViewFactory = CView* (*)();

    CSingleDocTemplate(UINT nIDResource, DocFactory doc, FrameFactory frame, ViewFactory view)
        : m_nIDResource(nIDResource), m_doc(doc), m_frame(frame), m_view(view) {}
    ~CSingleDocTemplate() override;

    // Creates the one document, its frame (the main window) and its view.
    CDocument* OpenDocumentFile(const char* pszPathName);

    UINT m_nIDResource;
    CDocument* m_pOnlyDoc = nullptr;

private:
    DocFactory m_doc;
    FrameFactory m_frame;
    ViewFactory m_view;
};

class CCommandLineInfo : public CObject
{
public:
    enum { FileNew = 0, FileOpen = 1, FileNothing = 5 };
    int m_nShellCommand = FileNew;
    CString m_strFileName;
};

class CWinApp : public CCmdTarget
{
public:
// Data members
    const char* m_pszAppName = nullptr;      // from string AFX_IDS_APP_TITLE
    const char* m_pszRegistryKey = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_lpCmdLine = "";            // the command line after the program name
    CWnd* m_pMainWnd = nullptr;

// Construction
    explicit CWinApp(const char* pszAppName = nullptr);
    ~CWinApp() override;

// Operations
    void SetRegistryKey(const char* pszRegistryKey);
    // Opens (creating it) the profile key HKCU\Software\<company>\<app>.
    void LoadStdProfileSettings(UINT nMaxMRU = 4);
    void AddDocTemplate(CSingleDocTemplate* pTemplate);
    void ParseCommandLine(CCommandLineInfo& rCmdInfo);
    BOOL ProcessShellCommand(CCommandLineInfo& rCmdInfo);
    void OnFileNew();
    void OnFileOpen();
    void OnAppExit(); // sends WM_CLOSE to the main window
    void Enable3dControlsStatic(); // 3-D controls are the system's own look on Win32

// Overridables
    virtual BOOL InitInstance() { return TRUE; }
    virtual int Run();          // GetMessage loop with the main frame's accelerators
    virtual int ExitInstance(); // the loop's exit code
    BOOL OnCmdMsg(UINT nID, int nCode) override;

// Implementation
    CSingleDocTemplate* m_pDocTemplate = nullptr;
    int m_nExitCode = 0; // WM_QUIT's wParam
    char m_szAppTitle[256] = {};
    CWinApp* m_pPreviousApp; // the application again once this one goes
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();
// A message box owned by the main window, captioned with the application's title.
int AfxMessageBox(const char* pszText, UINT nType = MB_OK);
// The entry: the library search narrowed to System32 before anything else,
// then InitInstance, Run (or ExitInstance after a failed start).
int AfxWinMain(HINSTANCE hInstance, const char* lpCmdLine);
