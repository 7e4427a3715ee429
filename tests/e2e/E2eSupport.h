// Support for end-to-end tests: a fresh package folder on the prefix's C: drive,
// tarvel.exe copied into it and run there under the dialog driver, and readers
// for what an install leaves behind (files, registry values, shortcuts).
//
// Layout of a package folder, as a package on a CD would look:
//   C:\tarvel-e2e\<test>-<pid>\setup\      tarvel.exe, tarvel.eif, uninstaller, icon
//   C:\tarvel-e2e\<test>-<pid>\<data>\     data folders, reached from setup\ as ..\<data>
#pragma once

#include "Driver.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <list>
#include <string>
#include <vector>

namespace e2e {

// Name of the installer's single-instance mutex.
constexpr const char* kInstanceMutex = "h_tarvel_installer_PrevInstance";

// Windows path of the tarvel.exe under test: $TARVEL_EXE when set, else the build's.
std::string InstallerPath();
std::string UninstallerPath();
// Windows path of the package checker tarvelchk.exe of the build.
std::string CheckerPath();
// Windows path of the repository's sample package folder.
std::string SamplePath();

// Script texts are written in UTF-8 here and stored as the installer reads them:
// in code page 932, lines ending in CR LF.
std::string ScriptBytes(const std::string& utf8Text);

// --- files ---------------------------------------------------------------------
bool Exists(const std::string& path);
bool IsFolder(const std::string& path);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes); // creates missing folders
bool MakeFolders(const std::string& path);
// Removes a tree, read-only files included; ignores what it cannot remove.
void RemoveTree(const std::string& path);
// Relative paths of every file and folder below `root`, folders ending in '\', sorted.
std::vector<std::string> ListTree(const std::string& root);
DWORD Attributes(const std::string& path); // INVALID_FILE_ATTRIBUTES when missing

// --- registry (HKEY_LOCAL_MACHINE etc.), in the 32-bit view the installer sees ---
bool ReadRegString(HKEY root, const std::string& subKey, const std::string& name, std::string* value);
// Creates the key with its missing levels and writes a REG_SZ value.
bool WriteRegString(HKEY root, const std::string& subKey, const std::string& name, const std::string& text);
bool ReadRegDword(HKEY root, const std::string& subKey, const std::string& name, DWORD* value);
bool RegKeyExists(HKEY root, const std::string& subKey);
void DeleteRegTree(HKEY root, const std::string& subKey);

// --- shortcuts ---------------------------------------------------------------------
struct Shortcut {
    std::string target;
    std::string iconPath;
    int iconIndex = 0;
    std::string workingFolder;
};
bool ReadShortcut(const std::string& lnkPath, Shortcut* shortcut);

// --- the package checker ---------------------------------------------------------

struct CheckerRun {
    bool ended = false;
    DWORD exitCode = 0;
    std::string output; // standard output and error, in UTF-8
    std::string bytes;  // the same as the program wrote them
};
// Runs tarvelchk on a setup folder, with options before the folder.
CheckerRun RunChecker(const std::string& setupFolder, const std::string& options = "");
// Runs any console program (reg.exe) the same way, its output caught.
CheckerRun RunConsoleProgram(const std::string& commandLine);

// --- a package folder ----------------------------------------------------------------
class PackageFolder {
public:
    // `name` makes the folder recognisable; the process id keeps parallel runs apart.
    explicit PackageFolder(const std::string& name);
    ~PackageFolder();
    PackageFolder(const PackageFolder&) = delete;
    PackageFolder& operator=(const PackageFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string SetupFolder() const { return root_ + "\\setup"; }
    // A path below the package root, e.g. Path("GUIDE\\index.htm").
    std::string Path(const std::string& relative) const { return root_ + "\\" + relative; }

    bool Write(const std::string& relative, const std::string& bytes) const;
    bool WriteScript(const std::string& utf8Text) const; // setup\tarvel.eif
    bool CopyInstaller() const;                          // setup\tarvel.exe
    bool CopyUninstaller(const std::string& relative) const;
    // The repository's sample package (its script template left out) with the
    // uninstaller; the template's text, without CR, is for the test to change
    // and write with WriteScript. Empty when a copy failed.
    std::string CopySample() const;
    std::string InstallerInPackage() const { return SetupFolder() + "\\tarvel.exe"; }

    // Runs setup\tarvel.exe with `tail` after its name, from the setup folder
    // unless options.currentFolder says otherwise, answering every box with OK.
    // A package that installs must pass the checker too: it is run on every
    // package the installer installed, and its refusal fails the test.
    dlg::RunResult Run(const std::string& tail, dlg::RunOptions options = {}) const;
    // Starts it and leaves the driving to the test.
    bool Start(dlg::Process& process, const std::string& tail, const std::string& currentFolder = "") const;

    // Keep the folder for a look after a failed test.
    void Keep() { keep_ = true; }

private:
    std::string root_;
    bool keep_ = false;
};

// Everything a run showed, for failure messages.
std::string Describe(const dlg::RunResult& result);

// Base fixture: a package folder named after the test; processes the test
// started through Track() are ended on the way out; the folder is kept when the
// test failed.
class InstallerTest : public ::testing::Test {
protected:
    InstallerTest();
    void SetUp() override;
    void TearDown() override;

    dlg::Process& Track(dlg::Process&& process);
    dlg::Process& StartInstaller(const std::string& tail, const std::string& currentFolder = "");

    PackageFolder package;

private:
    std::list<dlg::Process> processes_; // stable addresses for Track()
};

} // namespace e2e
