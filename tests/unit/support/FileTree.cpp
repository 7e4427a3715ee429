#include "FileTree.h"

#include "TestCommon.h"

#include <stdexcept>

namespace FileTree {

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file
        = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size())
        throw std::runtime_error("cannot write " + path);
}

std::string ReadBytes(const std::string& path)
{
    HANDLE file = CreateFileA(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    const std::string bytes = test_common::ReadAll(file);
    CloseHandle(file);
    return bytes;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

void MakeFolder(const std::string& path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error("cannot create folder " + path);
}

void MakeNewFolder(const std::string& path)
{
    if (!CreateDirectoryA(path.c_str(), nullptr))
        throw std::runtime_error("cannot create folder " + path);
}

void RemoveTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

void CopyTree(const std::string& from, const std::string& to)
{
    MakeFolder(to);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((from + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot read " + from);
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + "\\" + name, to + "\\" + name);
        else
            WriteBytes(to + "\\" + name, ReadBytes(from + "\\" + name));
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

std::string NewTempFolder()
{
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH)
        throw std::runtime_error("no temp folder");
    std::string base = temp;
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string path = base + "\\tarvel-tree-" + std::to_string(GetCurrentProcessId()) + "-"
            + std::to_string(++counter);
        if (CreateDirectoryA(path.c_str(), nullptr))
            return path;
    }
    throw std::runtime_error("cannot create a temp folder");
}

namespace {

void AddToSnapshot(
    const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        std::string path = folder + "\\" + name;
        std::string attributes = std::to_string(found.dwFileAttributes);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out[prefix + name] = "dir " + attributes;
            AddToSnapshot(path, prefix + name + "\\", out);
        } else {
            out[prefix + name] = "file " + attributes + " " + ReadBytes(path);
        }
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

} // namespace

std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> out;
    AddToSnapshot(folder, "", out);
    return out;
}

TempTree::TempTree(const std::string& currentSubFolder)
    : m_root(NewTempFolder())
{
    if (currentSubFolder.empty())
        return;
    char current[MAX_PATH];
    DWORD n = GetCurrentDirectoryA(MAX_PATH, current);
    if (n > 0 && n < MAX_PATH)
        m_previous = current;
    MakeFolder(*this / currentSubFolder);
    if (!SetCurrentDirectoryA((*this / currentSubFolder).c_str()))
        throw std::runtime_error("cannot enter " + currentSubFolder);
}

TempTree::~TempTree()
{
    if (!m_previous.empty())
        SetCurrentDirectoryA(m_previous.c_str());
    RemoveTree(m_root);
}

} // namespace FileTree
