// Real folders and files for the tests of the copy, the log and the
// rollback: a throw-away folder tree under the temp folder, byte-exact file
// reads and writes, and a snapshot of a tree to compare before and after.
#pragma once

#include <windows.h>

#include <map>
#include <string>

namespace FileTree {

// Writes exactly these bytes (the file is created or truncated).
void WriteBytes(const std::string& path, const std::string& bytes);
// The file's bytes; "<missing>" when it cannot be opened.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// An existing folder; a file of that name is none.
bool IsFolder(const std::string& path);
DWORD Attributes(const std::string& path);
// Makes sure the folder is there.
void MakeFolder(const std::string& path);
// Makes a folder that must not be there yet.
void MakeNewFolder(const std::string& path);
// A new empty folder under the temp folder.
std::string NewTempFolder();
// Deletes a folder and everything below it, read-only files included.
void RemoveTree(const std::string& folder);
// Copies everything below 'from' into 'to', made where missing; files of
// the same name are replaced.
void CopyTree(const std::string& from, const std::string& to);

// Everything below a folder, by relative path: "dir <attributes>" for a
// folder, "file <attributes> <bytes>" for a file. Equal snapshots mean the
// tree is byte for byte and attribute for attribute the same.
std::map<std::string, std::string> Snapshot(const std::string& folder);

// A fresh folder under the temp folder, removed with everything in it at
// the end. With a current sub-folder, that sub-folder is made current for
// the lifetime of the object (the installer's folder of a package).
class TempTree {
public:
    explicit TempTree(const std::string& currentSubFolder = std::string());
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::string& Root() const { return m_root; }
    // Root + "\\" + relative.
    std::string operator/(const std::string& relative) const { return m_root + "\\" + relative; }

private:
    std::string m_root;
    std::string m_previous;
};

} // namespace FileTree
