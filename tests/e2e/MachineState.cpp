#include "MachineState.h"

#include "Text.h"

#include <windows.h>

#include <cstdio>
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

std::string Hex(const BYTE* data, DWORD size)
{
    std::string text;
    char byte[4];
    for (DWORD i = 0; i < size; ++i) {
        snprintf(byte, sizeof byte, "%02x", data[i]);
        text += byte;
    }
    return text;
}

void ListKeys(HKEY root, const std::string& rootName, const std::wstring& path, std::set<std::string>& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return;
    const std::string name = rootName + "\\" + dlg::Utf8FromWide(path);
    out.insert(name);
    std::vector<wchar_t> valueName(16384);
    std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(valueName.size());
        DWORD type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, valueName.data(), &nameLength, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        out.insert(name + "|" + dlg::Utf8FromWide(std::wstring(valueName.data(), nameLength)) + "|"
                   + std::to_string(type) + "|" + Hex(data.data(), size));
    }
    std::vector<std::wstring> subKeys;
    for (DWORD i = 0;; ++i) {
        wchar_t subKey[256];
        DWORD length = 256;
        if (RegEnumKeyExW(key, i, subKey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        subKeys.emplace_back(subKey, length);
    }
    RegCloseKey(key);
    for (const std::wstring& subKey : subKeys) {
        // Wine's own settings, which it changes by itself when windows open.
        if (root == HKEY_CURRENT_USER && path == L"Software" && subKey == L"Wine")
            continue;
        ListKeys(root, rootName, path + L"\\" + subKey, out);
    }
}

} // namespace

MachineState CaptureMachineState()
{
    MachineState state;
    ListFiles(L"C:", state.files);
    ListKeys(HKEY_LOCAL_MACHINE, "HKLM", L"Software", state.registry);
    ListKeys(HKEY_CURRENT_USER, "HKCU", L"Software", state.registry);
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
