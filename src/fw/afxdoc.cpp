// Documents, views, frames and the single-document template.
#include "afxwin.h"

#include <cstring>

namespace {

const char FRAME_CLASS[] = "TarvelFrame";
const char VIEW_CLASS[] = "TarvelView";

bool RegisterFrameworkClass(const char* name, HICON icon, HBRUSH background)
{
    WNDCLASSA existing;
    if (GetClassInfoA(AfxGetInstanceHandle(), name, &existing))
        return true;
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = CWnd::StandardWndProc;
    wc.hInstance = AfxGetInstanceHandle();
    wc.hIcon = icon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassA(&wc) != 0;
}

} // namespace

// ----------------------------------------------------------------- CDocument

void CDocument::AddView(CView* pView)
{
    m_pFirstView = pView;
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView)
{
    if (m_pFirstView == pView)
        m_pFirstView = nullptr;
    pView->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* pSender, LPARAM lHint, CObject* pHint)
{
    if (m_pFirstView && m_pFirstView != pSender)
        m_pFirstView->OnUpdate(pSender, lHint, pHint);
}

// --------------------------------------------------------------------- CView

CView::~CView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void CView::OnUpdate(CView*, LPARAM, CObject*)
{
    if (m_hWnd)
        InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT CView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        CPaintDC dc(this);
        OnDraw(&dc);
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CView::PostNcDestroy()
{
    delete this;
}

// ----------------------------------------------------------------- CFrameWnd

BOOL CFrameWnd::LoadFrame(UINT nIDResource)
{
    HINSTANCE hInst = AfxGetInstanceHandle();
    HICON icon = LoadIconA(hInst, MAKEINTRESOURCEA(nIDResource));
    if (!RegisterFrameworkClass(FRAME_CLASS, icon, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;

    // The window title is the first line of the template's string.
    char title[256] = {};
    LoadStringA(hInst, nIDResource, title, sizeof(title));
    if (char* nl = strchr(title, '\n'))
        *nl = '\0';

    CREATESTRUCTA cs = {};
    cs.hInstance = hInst;
    cs.lpszClass = FRAME_CLASS;
    cs.lpszName = title;
    cs.style = WS_OVERLAPPEDWINDOW;
    cs.x = cs.y = cs.cx = cs.cy = CW_USEDEFAULT;
    cs.hMenu = LoadMenuA(hInst, MAKEINTRESOURCEA(nIDResource));
    if (!PreCreateWindow(cs))
        return FALSE;

    CWnd::WindowBeingCreated() = this;
    HWND h = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, cs.style, cs.x, cs.y, cs.cx, cs.cy,
                             nullptr, cs.hMenu, cs.hInstance, nullptr);
    CWnd::WindowBeingCreated() = nullptr;
    if (!h) {
        if (cs.hMenu)
            DestroyMenu(cs.hMenu);
        return FALSE;
    }
    m_hAccelTable = LoadAcceleratorsA(hInst, MAKEINTRESOURCEA(nIDResource));
    return TRUE;
}

BOOL CFrameWnd::CreateView(CView* pView, CDocument* pDoc)
{
    if (!RegisterFrameworkClass(VIEW_CLASS, nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)))
        return FALSE;
    pDoc->AddView(pView);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    CWnd::WindowBeingCreated() = pView;
    HWND h = CreateWindowExA(0, VIEW_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, rc.right, rc.bottom, m_hWnd,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(AFX_IDW_PANE_FIRST)),
                             AfxGetInstanceHandle(), nullptr);
    CWnd::WindowBeingCreated() = nullptr;
    if (!h) {
        pDoc->RemoveView(pView);
        return FALSE;
    }
    SetActiveView(pView);
    return TRUE;
}

void CFrameWnd::OnClose()
{
    DestroyWindow();
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        if (OnCreate(reinterpret_cast<CREATESTRUCTA*>(lParam)) == -1)
            return -1;
        return 0;
    case WM_SIZE:
        if (m_pViewActive && m_pViewActive->m_hWnd && wParam != SIZE_MINIMIZED)
            ::MoveWindow(m_pViewActive->m_hWnd, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (lParam != 0)
        return FALSE;
    UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    // Command routing: active view, its document, the frame, the application.
    if (m_pViewActive && m_pViewActive->OnCmdMsg(nID, nCode))
        return TRUE;
    if (m_pViewActive && m_pViewActive->GetDocument() && m_pViewActive->GetDocument()->OnCmdMsg(nID, nCode))
        return TRUE;
    if (OnCmdMsg(nID, nCode))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode);
}

void CFrameWnd::PostNcDestroy()
{
    CWinApp* pApp = AfxGetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        PostQuitMessage(0);
    }
    delete this;
}

// -------------------------------------------------------- CSingleDocTemplate

CSingleDocTemplate::~CSingleDocTemplate()
{
    delete m_pOnlyDoc;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const char*)
{
    if (m_pOnlyDoc)
        return m_pOnlyDoc->OnNewDocument() ? m_pOnlyDoc : nullptr;

    CDocument* pDoc = m_doc();
    CFrameWnd* pFrame = m_frame();
    if (!pFrame->LoadFrame(m_nIDResource)) {
        delete pFrame;
        delete pDoc;
        return nullptr;
    }
    CView* pView = m_view();
    if (!pFrame->CreateView(pView, pDoc)) {
        delete pView;
        pFrame->DestroyWindow(); // deletes the frame
        delete pDoc;
        return nullptr;
    }
    CWinApp* pApp = AfxGetApp();
    if (pApp && !pApp->m_pMainWnd)
        pApp->m_pMainWnd = pFrame;
    if (!pDoc->OnNewDocument()) {
        pFrame->DestroyWindow();
        delete pDoc;
        return nullptr;
    }
    m_pOnlyDoc = pDoc;
    pView->OnInitialUpdate();
    return pDoc;
}
