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
#include <windows.h>

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

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    if (__argc != 4)
        return 1000000;
    std::vector<char> manifest = ReadWhole(__argv[1]);
    if (manifest.size() <= 1)
        return 1000001;
    const std::string root = std::string(__argv[2]) + "\\";
    const std::string destination = __argv[3];
    CreateLevels(destination);
    const std::string base = destination + "\\";

    int line = 0;
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
        }
        if (!end)
            break;
        cursor = end + 1;
    }
    return 0;
}
