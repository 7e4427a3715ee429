#include "install/InstallLayout.h"

#include "base/PathHelpers.h"
#include "base/ShellFolders.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "script/ScriptKeys.h"
#include "script/ScriptProducts.h"
#include "script/ScriptValueRules.h"
#include "shared/SharedRegistry.h"

namespace {

CString JoinPath(const CString& folder, const CString& name)
{
    return PathHelpers::WithTrailingBackslash(folder) + name;
}

void LayOutLinks(InstallLayout& layout, const ScriptEntry* script, int count, bool allUsers)
{
    const auto value = [&](const char* key) { return FindScriptValue(script, count, SEC_INSTALL, key); };
    layout.LinkName = value(KEY_SHORTCUT_NAME) + LINK_EXTENSION;
    layout.LinkTarget = layout.InstallFolder + value(KEY_PRODUCT_KEY_FILE1);
    layout.LinkIcon = layout.InstallFolder + PathHelpers::NamedFileDestination(value(KEY_ICON_NAME));
    layout.DesktopLinkAsked = value(KEY_FLAG_DESKTOP_ICON).CompareNoCase(FLAG_TRUE) == 0;
    layout.ProgramsFolder = ShellFolders::Programs(allUsers);

    // ".lnk" alone is what a script without a name gets; it is still a file name.
    if (!PathHelpers::StaysInside(layout.LinkName) || PathHelpers::LastComponentStart(layout.LinkName) != 0)
        return;
    const CString folderName = value(KEY_PROGRAM_FOLDER_NAME);
    if (!layout.ProgramsFolder.IsEmpty()) {
        if (folderName.IsEmpty()) {
            layout.MenuLink = JoinPath(layout.ProgramsFolder, layout.LinkName);
        } else if (PathHelpers::StaysInside(folderName)) {
            layout.ProgramFolder = JoinPath(layout.ProgramsFolder, folderName);
            layout.MenuLink = JoinPath(layout.ProgramFolder, layout.LinkName);
        }
    }
    // The desktop is looked up only for a package that puts a link there.
    if (layout.DesktopLinkAsked) {
        const CString desktop = ShellFolders::Desktop(allUsers);
        if (!desktop.IsEmpty())
            layout.DesktopLink = JoinPath(desktop, layout.LinkName);
    }
}

void LayOutKeys(InstallLayout& layout, const ScriptEntry* script, int count)
{
    const CString entryName = FindScriptValue(script, count, SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    if (ScriptValueRules::IsOneKeyLevel(entryName))
        layout.EntryKey = UninstallEntry::KeyPath(entryName);

    const auto value = [&](const char* key) { return FindScriptValue(script, count, SEC_INSTALL, key); };
    const CString company = value(KEY_COMPANY_NAME);
    if (ScriptValueRules::IsOneKeyLevel(company))
        layout.CompanyKey = CString(SOFTWARE_ROOT) + company;
    const int products = ScriptProducts::Count(value(KEY_PRODUCT_NUM));
    for (int i : ScriptProducts::Indexes(script, count, products)) {
        CString nameKey, languageKey, fileKey;
        nameKey.Format(KEY_PRODUCT_NAME_FMT, i);
        languageKey.Format(KEY_PRODUCT_LANGUAGE_FMT, i);
        fileKey.Format(KEY_PRODUCT_KEY_FILE_FMT, i);
        const CString name = value(nameKey);
        const CString language = value(languageKey);
        const CString keyFile = value(fileKey);
        // A product without all three is not recorded; that is no failure.
        if (ScriptValueRules::IsOneKeyLevel(name) && ScriptValueRules::IsOneKeyLevel(language) && !keyFile.IsEmpty())
            layout.Products.push_back(
                {SharedRegistry::ProductKeyPath(company, name, language), layout.InstallFolder + keyFile});
    }
}

} // namespace

InstallLayout InstallLayout::Of(const ScriptEntry* script, int count, const CString& installFolder, HKEY root,
                                bool allUsers)
{
    InstallLayout layout;
    layout.InstallFolder = PathHelpers::WithTrailingBackslash(installFolder);
    layout.Root = root;
    LayOutLinks(layout, script, count, allUsers);
    LayOutKeys(layout, script, count);
    return layout;
}

bool InstallLayout::AddSharedComponents(const ScriptEntry* script, int count, const CString& programFiles)
{
    const auto value = [&](const char* key) { return FindScriptValue(script, count, SEC_INSTALL, key); };
    // The shared folder as the install made it: below the program-files
    // folder, a leading backslash of the script's value dropped.
    const CString base = value(KEY_LIBFILEPATH_BASE);
    const CString levels = PathHelpers::WithoutTrailingBackslash(base.Left(1) == "\\" ? base.Mid(1) : base);
    if (CompanyKey.IsEmpty() || !PathHelpers::StaysInside(levels))
        return false;
    const CString top = PathHelpers::WithoutTrailingBackslash(programFiles);
    for (int start = 0;;) {
        const int cut = PathHelpers::FindNthBackslash(levels, start, 1);
        SharedLevels.push_back(top + "\\" + (cut < 0 ? levels : levels.Left(cut)));
        if (cut < 0)
            break;
        start = cut + 1;
    }

    // The install copies the contents of COMMON_PATH into the shared folder,
    // so a library's place there is its script path after COMMON_PATH.
    const CString sharedFolder = PathHelpers::WithTrailingBackslash(PathHelpers::JoinBelow(programFiles, base));
    CString commonPrefix = PathHelpers::WithTrailingBackslash(value(KEY_COMMON_PATH));
    commonPrefix.MakeLower();
    const CString company = value(KEY_COMPANY_NAME);
    for (int n = 1; n <= 5; ++n) {
        CString key;
        key.Format(KEY_REG_LIBFILE_FMT, n);
        const CString library = value(key);
        if (library.IsEmpty())
            break;
        SharedLibrary shared;
        shared.CounterKey = SharedRegistry::CounterKeyPath(company, library);
        if (PathHelpers::StartsWithLowered(library, commonPrefix)) {
            const CString relative = library.Mid(commonPrefix.GetLength());
            if (!PathHelpers::StaysInside(relative))
                return false;
            shared.Path = sharedFolder + relative;
        }
        Libraries.push_back(shared);
    }
    return true;
}
