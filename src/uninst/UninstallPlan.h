// What an uninstall will take away, read from what the install left in its
// folder: the uninstall log "setupf.cfn" and the script "tarvel.eif". The
// whole log is checked before anything is removed, so a bad log changes
// nothing; every path of the plan lies inside the installation folder, the
// shared folder or the Start-menu and desktop folders.
#pragma once

#include "base/RegistryRoot.h"
#include "base/afxstr.h"
#include "install/InstallLayout.h"
#include "script/ScriptTable.h"

#include <vector>

struct UninstallPlan
{
    CString InstallFolder; // ends in a backslash
    CString LogPath;
    CString SharedFilesLogPath; // "sharedf.cfn", whether there or not
    // Log order: a folder before what it holds, so folders are removed from
    // the last to the first.
    std::vector<CString> Files;
    std::vector<CString> Folders;
    // The levels the install created to make the installation folder,
    // outermost first.
    std::vector<CString> CreatedLevels;

    // The script, for the texts and the registration.
    std::vector<ScriptEntry> Script = std::vector<ScriptEntry>(SCRIPT_MAX_ENTRIES);
    int ScriptCount = 0;
    CString Value(const char* section, const char* key) const;

    CString DisplayName;
    // From the installation's layout, the one the installer made. Where the
    // install kept the entry and the product keys, chosen once.
    HKEY Root = RegistryRoot::Package();
    CString UninstallKey; // empty when the script's name is unusable
    CString MenuLink, ProgramFolder, DesktopLink; // ProgramFolder empty: not ours
    std::vector<ProductKey> Products;
    CString Company;      // "Software\<company>", empty when unusable
    std::vector<SharedLibrary> Libraries;
    // The shared folder and its levels below the program-files folder,
    // innermost last; empty without shared libraries.
    std::vector<CString> SharedLevels;
    // The shared files other than the libraries and the shared sub-folders
    // that installs into this folder wrote, from "sharedf.cfn"; they go with
    // the maker's last package that counts a library.
    std::vector<CString> SharedFiles;
    std::vector<CString> SharedFolders;
};

enum class PlanResult {
    Ready,
    NoLog,      // no log, or an empty one: nothing to remove
    BadLog,     // unreadable, truncated or naming something outside
    BadScript,  // the script is missing or unreadable
};

// Reads and checks the log and the script of the installation in 'folder'.
// 'uninstaller' is the path of the running uninstaller: a complete log names it.
PlanResult ReadUninstallPlan(const CString& folder, const CString& uninstaller, UninstallPlan& plan);

// The checks alone, on a decoded log text: every entry stays inside.
bool IsSafeLogText(const CString& text, const CString& installFolder);

// The log's part of the plan, from a decoded log text: its checks, then the
// created levels, folders and files below plan.InstallFolder. Ready, or
// BadLog when the text is unsafe or does not name 'uninstaller'.
PlanResult PlanLogEntries(const CString& text, const CString& uninstaller, UninstallPlan& plan);
