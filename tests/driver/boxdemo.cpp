// A small ANSI GUI program that behaves in ways the driver's tests can predict.
// The first word of its command line picks what it does:
//   ok ...     one OK box "cmdline=[<command line>]\ncwd=[<current folder>]"; exit code 1 (IDOK)
//   yesno ...  the same text in a Yes/No box; exit code 6 or 7
//   two        two OK boxes, "first" then "second"; exit code 2
//   owned      a minimized main window owning an OK box "owned"; exit code 1
//   edit       a dialog with an edit (100) and OK; then a box "edit=[<text>]"; exit code 3
//   quiet N    no window at all; exit code N
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kCaption[] = "boxdemo";

int Box(HWND owner, const std::string& text, UINT type)
{
    return MessageBoxA(owner, text.c_str(), kCaption, type | MB_ICONINFORMATION);
}

// An in-memory dialog template: no resource script needed for one edit and one button.
class DialogTemplate {
public:
    DialogTemplate(const wchar_t* caption, int width, int height)
    {
        DLGTEMPLATE t = {};
        t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
        t.cx = (short)width;
        t.cy = (short)height;
        Append(&t, sizeof t);
        countAt_ = offsetof(DLGTEMPLATE, cdit);
        Word(0); // no menu
        Word(0); // default class
        Text(caption);
        Word(9);
        Text(L"MS Shell Dlg");
    }

    void Add(WORD atom, const wchar_t* text, int id, DWORD style, short x, short y, short cx, short cy)
    {
        Align();
        DLGITEMTEMPLATE item = {};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = (WORD)id;
        Append(&item, sizeof item);
        Word(0xFFFF);
        Word(atom);
        Text(text);
        Word(0); // no creation data
        ++*reinterpret_cast<WORD*>(&bytes_[countAt_]);
    }

    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(bytes_.data()); }

private:
    void Append(const void* p, size_t n)
    {
        const BYTE* b = static_cast<const BYTE*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Append(&w, sizeof w); }
    void Text(const wchar_t* s) { Append(s, (wcslen(s) + 1) * sizeof(wchar_t)); }
    void Align()
    {
        while (bytes_.size() % 4)
            bytes_.push_back(0);
    }

    std::vector<BYTE> bytes_;
    size_t countAt_ = 0;
};

char g_editText[1024];

INT_PTR CALLBACK EditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        GetDlgItemTextA(dialog, 100, g_editText, sizeof g_editText);
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

int EditDialog()
{
    DialogTemplate t(L"boxdemo edit", 200, 60);
    t.Add(0x0081, L"", 100, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 7, 186, 14);
    t.Add(0x0080, L"OK", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 143, 35, 50, 14);
    DialogBoxIndirectParamA(GetModuleHandleA(nullptr), t.Get(), nullptr, EditDialogProc, 0);
    Box(nullptr, std::string("edit=[") + g_editText + "]", MB_OK);
    return 3;
}

int OwnedBox()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BoxdemoMain";
    RegisterClassA(&wc);
    HWND main = CreateWindowA("BoxdemoMain", "boxdemo main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
    ShowWindow(main, SW_SHOWMINIMIZED);
    int result = Box(main, "owned", MB_OK);
    DestroyWindow(main);
    return result;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    std::string tail = commandLine;
    std::string mode = tail.substr(0, tail.find(' '));
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, cwd);
    std::string report = "cmdline=[" + tail + "]\ncwd=[" + cwd + "]";

    if (mode == "ok")
        return Box(nullptr, report, MB_OK);
    if (mode == "yesno")
        return Box(nullptr, report, MB_YESNO);
    if (mode == "two") {
        Box(nullptr, "first", MB_OK);
        Box(nullptr, "second", MB_OK);
        return 2;
    }
    if (mode == "owned")
        return OwnedBox();
    if (mode == "edit")
        return EditDialog();
    if (mode == "quiet")
        return std::atoi(tail.c_str() + mode.size());
    return 100;
}
