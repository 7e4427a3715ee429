// The floor of the install benchmark: the least any installer can do for a
// package under the same system. It creates the destination's folders and
// copies the same files with CopyFileA, in the same order as the installer,
// and nothing else: no scan, no log, no progress, no registry, no shortcut.
//
//   floor.exe MANIFEST PACKAGE_ROOT DESTINATION
//
// The manifest, written by genpkg.exe, has one item per line:
//   D<TAB>folder relative to the destination
//   F<TAB>file relative to the package root<TAB>file relative to the destination
// Exit code 0 when everything was copied, else the line that failed.
//
// Built with GUI_FLOOR defined it is the GUI floor (floor-gui.exe): the same
// copy plus what any installer with a window, a Start-menu shortcut and an
// uninstall entry cannot avoid: it imports the same system libraries as
// Tarvel (user32, gdi32, shell32, ole32, advapi32), shows a minimized main
// window, saves one shell link into Tarvel's Start-menu folder and writes
// two uninstall values. Still no scan, no log, no progress, no checks.
#include <windows.h>
#ifdef GUI_FLOOR
#include <objbase.h>
#include <shlobj.h>
#endif

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<char> ReadWhole(const char* path)
{
    std::vector<char> text;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    const DWORD size = GetFileSize(file, nullptr);
    text.resize(size + 1);
    DWORD got = 0;
    ReadFile(file, text.data(), size, &got, nullptr);
    text[got] = 0;
    text.resize(got + 1);
    CloseHandle(file);
    return text;
}

// The levels of the destination below the drive's root, outermost first.
void CreateLevels(const std::string& destination)
{
    for (size_t at = destination.find('\\', 3); ; at = destination.find('\\', at + 1)) {
        CreateDirectoryA(destination.substr(0, at).c_str(), nullptr);
        if (at == std::string::npos)
            return;
    }
}

#ifdef GUI_FLOOR
// The main window: minimized, as an installer that shows no dialog keeps it.
HWND ShowMainWindow(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "FloorGuiFrame";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWMINIMIZED);
    UpdateWindow(window);
    return window;
}

// One shell link to the first copied file, in the all-users Start-menu
// folder that Tarvel uses (the benchmark removes it between runs).
bool SaveShortcut(const std::string& target)
{
    char programs[MAX_PATH];
    if (!SHGetSpecialFolderPathA(nullptr, programs, CSIDL_COMMON_PROGRAMS, FALSE))
        return false;
    const std::string folder = std::string(programs) + "\\TarvelBench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\floor-gui.lnk";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);

    bool saved = false;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        link->SetPath(target.c_str());
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            saved = SUCCEEDED(file->Save(wide, TRUE));
            file->Release();
        }
        link->Release();
    }
    CoUninitialize();
    return saved;
}

bool WriteUninstallEntry(const std::string& destination)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TarvelBenchFloor",
                        0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const std::string command = destination + "\\uninst.exe";
    RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>("floor"), 6);
    RegSetValueExA(key, "UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                   static_cast<DWORD>(command.size() + 1));
    RegCloseKey(key);
    return true;
}
#endif

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc != 4)
        return 1000000;
    std::vector<char> manifest = ReadWhole(__argv[1]);
    if (manifest.size() <= 1)
        return 1000001;
    const std::string root = std::string(__argv[2]) + "\\";
    const std::string destination = __argv[3];
#ifdef GUI_FLOOR
    HWND window = ShowMainWindow(instance);
#else
    (void)instance;
#endif
    CreateLevels(destination);
    const std::string base = destination + "\\";

    int line = 0;
    std::string first;
    for (char* cursor = manifest.data(); *cursor;) {
        char* end = std::strchr(cursor, '\n');
        if (end)
            *end = 0;
        ++line;
        // Fields are split in place; the strings below are the only work
        // besides the system calls themselves.
        char* fields[3] = {cursor, nullptr, nullptr};
        for (int i = 1; i < 3; ++i) {
            char* tab = fields[i - 1] ? std::strchr(fields[i - 1], '\t') : nullptr;
            if (tab) {
                *tab = 0;
                fields[i] = tab + 1;
            }
        }
        if (fields[0][0] == 'D' && fields[1]) {
            if (!CreateDirectoryA((base + fields[1]).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
                return line;
        } else if (fields[0][0] == 'F' && fields[2]) {
            if (!CopyFileA((root + fields[1]).c_str(), (base + fields[2]).c_str(), FALSE))
                return line;
            if (first.empty())
                first = base + fields[2];
        }
        if (!end)
            break;
        cursor = end + 1;
    }
#ifdef GUI_FLOOR
    if (!SaveShortcut(first))
        return 1000002;
    if (!WriteUninstallEntry(destination))
        return 1000003;
    DestroyWindow(window);
#endif
    return 0;
}
