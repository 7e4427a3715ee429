#include "MachineState.h"

#include "Text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace e2e {

namespace {

// Folders whose contents Wine and the test runs change by themselves.
bool IsSkipped(const std::wstring& path)
{
    std::wstring lower = path;
    for (wchar_t& c : lower)
        c = static_cast<wchar_t>(towlower(c));
    return lower == L"c:\\windows\\temp" || lower == L"c:\\windows\\logs"
        || (lower.rfind(L"c:\\users\\", 0) == 0 && lower.size() > 5 && lower.substr(lower.size() - 5) == L"\\temp");
}

void ListFiles(const std::wstring& folder, std::set<std::string>& out)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + name;
        if (IsSkipped(path))
            continue;
        const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        const unsigned long long size = isFolder ? 0 : (static_cast<unsigned long long>(found.nFileSizeHigh) << 32)
                | found.nFileSizeLow;
        out.insert(dlg::Utf8FromWide(path) + "|" + std::to_string(found.dwFileAttributes) + "|"
                   + std::to_string(size));
        if (isFolder && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            ListFiles(path, out);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// Wine's registry file format escapes a backslash, a quote and every character
// above 0x7F (\x followed by up to four hex digits); decoded to UTF-8 so that
// a difference reads as the names the test wrote.
std::string Unescape(const std::string& text)
{
    std::wstring wide;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 == text.size()) {
            wide += static_cast<unsigned char>(c);
            continue;
        }
        const char next = text[++i];
        if (next == 'x') {
            unsigned value = 0;
            size_t digits = 0;
            while (digits < 4 && i + 1 < text.size() && isxdigit(static_cast<unsigned char>(text[i + 1]))) {
                const char d = text[++i];
                value = value * 16 + (isdigit(static_cast<unsigned char>(d)) ? d - '0' : (tolower(d) - 'a' + 10));
                ++digits;
            }
            wide += static_cast<wchar_t>(value);
        } else {
            wide += static_cast<unsigned char>(next);
        }
    }
    return dlg::Utf8FromWide(wide);
}

// Asking for a key and every value one call at a time takes seconds under
// Wine (HKLM\Software holds some 15,000 keys); the system's own save of a whole
// tree is one call. The save names each key, then its values, and wraps long
// data over lines ending in a backslash.
void ListTree(HKEY root, const wchar_t* path, REGSAM view, const std::string& name, const std::string& skipped,
              std::set<std::string>& out)
{
    static const bool canSave = [] {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token))
            return false;
        TOKEN_PRIVILEGES privileges = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        const bool enabled = LookupPrivilegeValueW(nullptr, L"SeBackupPrivilege", &privileges.Privileges[0].Luid)
            && AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        CloseHandle(token);
        return enabled;
    }();
    HKEY key = nullptr;
    ASSERT_TRUE(canSave) << "the registry cannot be saved without the backup privilege";
    ASSERT_EQ(RegOpenKeyExW(root, path, 0, KEY_READ | view, &key), ERROR_SUCCESS) << name;
    wchar_t folder[MAX_PATH], file[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"reg", 0, file);
    DeleteFileW(file); // the save makes the file itself, and fails on one that exists
    const LONG saved = RegSaveKeyW(key, file, nullptr);
    RegCloseKey(key);
    ASSERT_EQ(saved, ERROR_SUCCESS) << name;
    std::ifstream in(file, std::ios::binary);
    std::string line, keyName;
    bool skipping = false;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\\') {
            std::string more;
            if (!std::getline(in, more))
                break;
            line.pop_back();
            line += more.substr(more.find_first_not_of(' '));
        }
        if (line.empty() || line[0] == ';' || line.rfind("#time=", 0) == 0 || line.rfind("#arch=", 0) == 0
            || line.rfind("WINE REGISTRY", 0) == 0)
            continue;
        if (line[0] == '[') {
            // "[path] seconds": the time of the last change is no state.
            const std::string path = Unescape(line.substr(1, line.rfind(']') - 1));
            skipping = !skipped.empty() && (path == skipped || path.rfind(skipped + "\\", 0) == 0);
            keyName = name + "\\" + path;
            if (!skipping)
                out.insert(keyName);
        } else if (!skipping) {
            out.insert(keyName + "|" + Unescape(line));
        }
    }
    in.close();
    DeleteFileW(file);
}

} // namespace

MachineState CaptureMachineState()
{
    MachineState state;
    ListFiles(L"C:", state.files);
    // Both views: the 32-bit one is HKLM\Software\Wow6432Node, and a 32-bit
    // class registration lands below Classes.
    ListTree(HKEY_LOCAL_MACHINE, L"Software", KEY_WOW64_64KEY, "HKLM\\Software", "", state.registry);
    // Wine's own settings, which it changes by itself when windows open.
    ListTree(HKEY_CURRENT_USER, L"Software", 0, "HKCU\\Software", "Wine", state.registry);
    return state;
}
std::string StateChanges(const MachineState& before, const MachineState& after)
{
    std::string changes;
    auto compare = [&changes](const std::set<std::string>& a, const std::set<std::string>& b) {
        for (const std::string& item : a)
            if (!b.count(item))
                changes += "  gone: " + item + "\n";
        for (const std::string& item : b)
            if (!a.count(item))
                changes += "  new:  " + item + "\n";
    };
    compare(before.files, after.files);
    compare(before.registry, after.registry);
    return changes;
}

MachineState WithoutItemsUnder(MachineState state, const std::string& prefix)
{
    for (std::set<std::string>* items : {&state.files, &state.registry})
        for (auto item = items->begin(); item != items->end();)
            item = item->rfind(prefix, 0) == 0 ? items->erase(item) : std::next(item);
    return state;
}

} // namespace e2e
