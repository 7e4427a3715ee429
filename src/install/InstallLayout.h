// InstallLayout: every name and place one installation has, worked out once
// from its script, its destination, the registry root and whose Start menu
// it uses. The installer makes what it names, and the uninstaller removes
// what it names, so the two cannot drift apart. A name the script gives in a
// form that could reach outside the package's own places (a key level with a
// backslash, a link name with a folder, "..") leaves its place empty: the
// installer refuses such a script when it loads, and the uninstaller then
// touches nothing of it.
#pragma once

#include "base/afxstr.h"
#include "script/ScriptTable.h"

#include <windows.h>

#include <vector>

// A product's key and the "KeyFile" value the install writes into it.
struct ProductKey
{
    CString KeyPath;  // under the layout's Root
    CString KeyFile;  // the "KeyFile" value the install wrote
};

// A shared library the maker's packages count their uses of.
struct SharedLibrary
{
    CString CounterKey; // under SharedRegistry::CounterRoot()
    CString Path;       // the installed library, empty when the install never copied it
};

struct InstallLayout
{
// Where the package goes, and where its keys go
    CString InstallFolder; // ends in a backslash
    HKEY Root = nullptr;

// The links
    // The Start menu's programs folder; empty when the shell names none.
    CString ProgramsFolder;
    // The folder the install makes there for its link. Empty when the menu
    // link lies in the programs folder itself, which is the system's and
    // never ours to remove.
    CString ProgramFolder;
    // The name of both links, "<SHORTCUT_NAME>.lnk".
    CString LinkName;
    // Empty when there is no programs folder or a name is not one plain level.
    CString MenuLink;
    // Whether the script asks for a desktop link at all.
    bool DesktopLinkAsked = false;
    // Empty when the script asks none, or there is no desktop folder, or the
    // link's name is unusable.
    CString DesktopLink;
    // What both links open and the icon they show.
    CString LinkTarget;
    CString LinkIcon;

// The registration
    // The entry in the list of installed software; its values are the one
    // list of install/UninstallEntry.h. Empty when UNINSTALL_KEY is not one
    // key level.
    CString EntryKey;
    // "Software\<COMPANY_NAME>", the maker's key; empty when the name is not
    // one key level (an empty name puts an empty level into the product
    // keys, which is no key of ours to remove).
    CString CompanyKey;
    // The complete products, in the order of their numbers.
    std::vector<ProductKey> Products;

// The shared components (only after AddSharedComponents)
    std::vector<SharedLibrary> Libraries;
    // The shared folder and each level of it below the program-files
    // folder, outermost first: the shared folder itself is the last.
    std::vector<CString> SharedLevels;

    // The layout of the installation that 'script' describes. 'allUsers'
    // chooses the all-users Start menu and desktop (the NT family).
    static InstallLayout Of(const ScriptEntry* script, int count, const CString& installFolder, HKEY root,
                            bool allUsers);

    // Adds the shared libraries and the shared folder below 'programFiles',
    // for a script that names shared libraries. False when the names could
    // not be the ones an install made: no usable maker's key, or a folder
    // or library that leads out of the shared folder.
    bool AddSharedComponents(const ScriptEntry* script, int count, const CString& programFiles);
};
