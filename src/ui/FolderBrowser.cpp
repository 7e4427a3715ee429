#include "FolderBrowser.h"

#include "base/FileOps.h"
#include "base/MessageBoxes.h"
#include "base/PathHelpers.h"
#include "rollback/RecordedFolders.h"
#include "ui/ScreenDpi.h"

#include <cstring>

namespace {

// Releases the shell's allocator.
class ShellMalloc
{
public:
    ShellMalloc()
    {
        if (FAILED(SHGetMalloc(&m_malloc)))
            m_malloc = nullptr;
    }
    ~ShellMalloc()
    {
        if (m_malloc)
            m_malloc->Release();
    }
    ShellMalloc(const ShellMalloc&) = delete;
    ShellMalloc& operator=(const ShellMalloc&) = delete;

    IMalloc* Get() const { return m_malloc; }

private:
    IMalloc* m_malloc = nullptr;
};

bool IsBlankOrDot(char c)
{
    return c == '\t' || c == ' ' || c == '.';
}

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Copies whole characters of src into a buffer of MAX_PATH bytes; a
// double-byte character that would not fit is left out rather than split.
void CopyPath(char (&dst)[MAX_PATH], const char* src)
{
    int n = 0;
    while (src[n]) {
        int step = PathHelpers::CharLength(src + n);
        if (n + step > MAX_PATH - 1)
            break;
        n += step;
    }
    std::memcpy(dst, src, static_cast<size_t>(n));
    dst[n] = '\0';
}

} // namespace

// ------------------------------------------------------------ CFolderBrowser

CFolderBrowser::CFolderBrowser(LPCSTR title, LPCSTR instruction, LPCSTR startFolder, CWnd* parent)
    : TitleText(title), StartText(startFolder), InstructionText(instruction)
{
    WindowTitle = title ? static_cast<const char*>(TitleText) : nullptr;
    StartFolder = StartText;
    Owner = CWnd::GetSafeOwner(parent);

    BrowseInfo = BROWSEINFOA();
    BrowseInfo.hwndOwner = Owner;
    BrowseInfo.pidlRoot = nullptr;
    BrowseInfo.lpszTitle = InstructionText;
    BrowseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    BrowseInfo.lpfn = BrowseCallbackProc;

    CopyPath(Path, StartFolder);
    BrowseWnd.Browser = this;
}

void CFolderBrowser::SetText(int id, CString text)
{
    switch (id) {
    case BROWSE_TEXT_INSTRUCTION:
        // The shell shows the instruction given at construction.
        break;
    case BROWSE_TEXT_MAKE_FOLDER:
        MakeFolderQuestion = text;
        break;
    case BROWSE_TEXT_INVALID:
        InvalidFolderText = text;
        break;
    case BROWSE_TEXT_WRITE_ERROR:
        WriteErrorText = text;
        break;
    }
}

int CFolderBrowser::DoModal()
{
    char displayName[MAX_PATH] = {};
    BrowseInfo.lpfn = BrowseCallbackProc;
    BrowseInfo.lParam = reinterpret_cast<LPARAM>(this);
    BrowseInfo.pszDisplayName = displayName;

    ShellMalloc shellMalloc;
    if (!shellMalloc.Get())
        return -1;

    Accepted = 0;
    // OK is handled by the browser itself, so the item the shell hands back
    // (none, as a rule) does not decide anything.
    LPITEMIDLIST item = SHBrowseForFolderA(&BrowseInfo);
    if (item)
        shellMalloc.Get()->Free(item);
    BrowseWindow = nullptr;
    return Accepted == 1 ? 1 : -1;
}

int CALLBACK CFolderBrowser::BrowseCallbackProc(HWND hwnd, UINT message, LPARAM param, LPARAM data)
{
    // Item 0 of the system menu is switched off on every notification; the
    // shell may rebuild the menu in between.
    if (HMENU menu = GetSystemMenu(hwnd, FALSE))
        EnableMenuItem(menu, 0, MF_BYPOSITION | MF_DISABLED);

    CFolderBrowser* pThis = reinterpret_cast<CFolderBrowser*>(data);
    if (!pThis)
        return 0;
    switch (message) {
    case BFFM_INITIALIZED:
        pThis->OnInitialized(hwnd);
        break;
    case BFFM_SELCHANGED:
        pThis->OnSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(param));
        break;
    }
    return 0;
}

void CFolderBrowser::OnInitialized(HWND hwnd)
{
    BrowseWindow = hwnd;
    if (WindowTitle)
        SetWindowTextA(hwnd, WindowTitle);
    SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(""));

    LONG_PTR exStyle = GetWindowLongPtrA(hwnd, GWL_EXSTYLE);
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTEXTHELP));
    // The caption is laid out again only when told so.
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    BrowseWnd.SubclassWindow(hwnd);

    if (HWND status = GetDlgItem(hwnd, IDC_BROWSE_STATUS))
        ShowWindow(status, SW_HIDE);

    // The edit box takes the strip just above the tree: from 27 to 4 pixels
    // above its top at 100 % scaling, as wide as the tree.
    RECT rect = {0, 0, 0, 0};
    if (HWND tree = GetDlgItem(hwnd, IDC_BROWSE_TREE))
        GetWindowRect(tree, &rect);
    const int dpi = ScreenDpi();
    RECT edit = {rect.left, rect.top - AtDpi(27, dpi), rect.right, rect.top - AtDpi(4, dpi)};
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&edit), 2);

    HWND editBox = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                                   edit.left, edit.top, edit.right - edit.left, edit.bottom - edit.top, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_BROWSE_EDIT)),
                                   AfxGetInstanceHandle(), nullptr);
    if (editBox) {
        ShowWindow(editBox, SW_SHOW);
        LRESULT font = SendMessageA(hwnd, WM_GETFONT, 0, 0);
        SendMessageA(editBox, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    }

    // Selecting the start folder rewrites the edit box (selection change);
    // the start folder's own text is written last, so the box shows it as given.
    SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(StartFolder));
    SetDlgItemTextA(hwnd, IDC_BROWSE_EDIT, StartFolder);
}

void CFolderBrowser::OnSelectionChanged(LPCITEMIDLIST item)
{
    char path[MAX_PATH] = {};
    // Only drive paths can be typed or accepted; network and virtual folders
    // leave the box empty and OK off until something is typed.
    if (!item || !SHGetPathFromIDListA(item, path) || path[0] == '\0' || path[1] != ':') {
        path[0] = '\0';
        SendMessageA(BrowseWindow, BFFM_ENABLEOK, 0, FALSE);
    } else {
        SendMessageA(BrowseWindow, BFFM_ENABLEOK, 0, TRUE);
    }
    SendMessageA(BrowseWindow, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
    SetDlgItemTextA(BrowseWindow, IDC_BROWSE_EDIT, path);
}

BOOL CFolderBrowser::ReadEditBox()
{
    HWND editBox = GetDlgItem(BrowseWindow, IDC_BROWSE_EDIT);
    int length = editBox ? GetWindowTextLengthA(editBox) : 0;
    CString text;
    if (length > 0) {
        int got = GetWindowTextA(editBox, text.GetBuffer(length + 1), length + 1);
        text.ReleaseBuffer(got);
    }
    CopyPath(Path, text);
    return text.GetLength() <= MAX_PATH - 1;
}

int CFolderBrowser::ValidateFolder(LPCSTR path)
{
    int result = CheckOrCreatePath(path, TRUE);
    if (result != FOLDER_ACCEPTED) {
        ShowWarning(result);
        return result;
    }
    // Existing folders only: a file of that name cannot take the install.
    if (FileOps::IsFolder(path))
        return FOLDER_ACCEPTED;
    if (FileOps::Exists(path)) {
        // A file of that name: no folder can be made there.
        ShowWarning(FOLDER_INVALID);
        return FOLDER_INVALID;
    }

    // The question's owner is the main window, so the browse window would stay
    // live under it: switched off meanwhile, a second OK cannot ask again.
    BOOL wasEnabled = BrowseWindow && IsWindowEnabled(BrowseWindow);
    if (wasEnabled)
        EnableWindow(BrowseWindow, FALSE);
    const int answer = AfxMessageBox(MakeFolderQuestion, MB_YESNO | MB_ICONQUESTION);
    if (wasEnabled) {
        EnableWindow(BrowseWindow, TRUE);
        SetForegroundWindow(BrowseWindow);
    }
    if (answer != IDYES)
        return FOLDER_DECLINED;

    result = CheckOrCreatePath(path, FALSE, Record);
    if (result != FOLDER_ACCEPTED)
        ShowWarning(result);
    return result;
}

void CFolderBrowser::ShowWarning(int result)
{
    const CString& text = result == FOLDER_INVALID ? InvalidFolderText : WriteErrorText;
    MessageBoxes::Show(BrowseWindow, text, WindowTitle, MB_OK | MB_ICONWARNING);
}

int CFolderBrowser::CheckOrCreatePath(LPCSTR path, BOOL checkOnly, ChangeRecord* record)
{
    if (!path)
        return FOLDER_INVALID;
    // Longer than a path buffer holds: refused, never cut into another path.
    size_t length = std::strlen(path);
    if (length > MAX_PATH - 1)
        return FOLDER_INVALID;
    char work[MAX_PATH];
    std::memcpy(work, path, length + 1);

    if (length < 3)
        return FOLDER_INVALID;
    if (!IsAsciiLetter(work[0]) || work[1] != ':' || work[2] != '\\')
        return FOLDER_INVALID;
    if (length == 3) {
        if (checkOnly)
            return FOLDER_ACCEPTED;
        return FileOps::Exists(work) ? FOLDER_ACCEPTED : FOLDER_NOT_CREATED;
    }

    int start = 3;
    for (;;) {
        // A name runs to the next single-byte backslash; a trail byte of
        // 0x5C inside a double-byte character does not end it.
        int end = start;
        while (work[end] && work[end] != '\\')
            end += PathHelpers::CharLength(work + end);

        char separator = work[end];
        work[end] = '\0';
        if (!IsValidFolderName(work + start))
            return FOLDER_INVALID;
        if (separator == '\0')
            break;
        work[end] = '\\';
        if (work[end + 1] == '\0')
            return FOLDER_INVALID; // a trailing backslash after a name
        start = end + 1;
    }
    if (checkOnly)
        return FOLDER_ACCEPTED;

    // Every name is sound before the first level is made: an invalid path
    // leaves nothing behind.
    const CString folder = CString(path) + "\\";
    if (!record || !RecordedFolders::CreateMissingLevels(*record, Change::Area::Package, folder)
        || !FileOps::IsFolder(path))
        return FOLDER_NOT_CREATED;
    return FOLDER_ACCEPTED;
}

BOOL CFolderBrowser::IsValidFolderName(LPCSTR name)
{
    if (!name || name[0] == '\0')
        return FALSE;
    if (PathHelpers::CharLength(name) == 1 && IsBlankOrDot(name[0]))
        return FALSE;

    bool lastIsSingle = false;
    char last = '\0';
    for (const char* p = name; *p;) {
        if (PathHelpers::CharLength(p) == 2) {
            // Either byte of a double-byte character may have a reserved code.
            p += 2;
            lastIsSingle = false;
            continue;
        }
        if (std::strchr("\"*/:<>?\\|", *p))
            return FALSE;
        last = *p;
        lastIsSingle = true;
        ++p;
    }
    if (lastIsSingle && IsBlankOrDot(last))
        return FALSE;
    return TRUE;
}

// --------------------------------------------------------- CFolderBrowserWnd

LRESULT CFolderBrowserWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_COMMAND) {
        // The shell's own OK would end the browser with whatever the tree
        // shows; ours checks the edit box's path first.
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
            OnOK();
            return 0;
        }
        if (LOWORD(wParam) == IDC_BROWSE_EDIT && HIWORD(wParam) == EN_CHANGE) {
            OnEditChange();
            return 0;
        }
    }
    return Default(message, wParam, lParam);
}

void CFolderBrowserWnd::OnEditChange()
{
    if (!Browser)
        return;
    Browser->ReadEditBox();
    HWND ok = ::GetDlgItem(m_hWnd, IDOK);
    HWND editBox = ::GetDlgItem(m_hWnd, IDC_BROWSE_EDIT);
    ::EnableWindow(ok, editBox && GetWindowTextLengthA(editBox) > 0);
}

void CFolderBrowserWnd::OnOK()
{
    if (!Browser)
        return;
    int result;
    if (Browser->ReadEditBox()) {
        result = Browser->ValidateFolder(Browser->Path);
    } else {
        result = FOLDER_INVALID;
        Browser->ShowWarning(result);
    }
    if (result == FOLDER_ACCEPTED) {
        Browser->Accepted = 1;
        ::EndDialog(m_hWnd, 1);
        return;
    }
    if (HWND editBox = ::GetDlgItem(m_hWnd, IDC_BROWSE_EDIT))
        ::SetFocus(editBox);
}
