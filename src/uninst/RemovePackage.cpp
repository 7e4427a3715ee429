#include "uninst/RemovePackage.h"

#include "base/FileOps.h"
#include "base/Links.h"
#include "base/PathHelpers.h"
#include "base/RegistryRoot.h"
#include "base/RegistryText.h"
#include "base/RunLog.h"
#include "base/ScopedHandles.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "rollback/UndoSteps.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"
#include "uninst/EmptyKeys.h"
#include "uninst/SharedUsers.h"

#include <string>

namespace {

// The profile key the framework opens at every start of the installer.
constexpr char INSTALLER_PROFILE_KEY[] = "Software\\Zerdane\\Tarvel";

bool HasItemInside(const std::vector<CString>& items, const CString& folder)
{
    for (const CString& item : items)
        if (PathHelpers::IsInside(item, folder))
            return true;
    return false;
}

// The links met on the way: each one that stays is named once at the end.
using MetLinks = std::vector<CString>;

// The link above an item, between the folder it belongs to and itself;
// empty when there is none or the item is the link. What lies behind a link
// is its target's, however the log names it, and stays untouched.
CString LinkAbove(const CString& root, const CString& item, MetLinks& links)
{
    const CString link = Links::FirstLinkBelow(root, item);
    if (link.IsEmpty() || link.CompareNoCase(PathHelpers::WithoutTrailingBackslash(item)) == 0)
        return CString();
    bool known = false;
    for (const CString& met : links)
        known = known || met.CompareNoCase(link) == 0;
    if (!known)
        links.push_back(link);
    RunLog::Line("left", "not removed, it lies behind the link " + link + ": " + item);
    return link;
}

// A link the log names as a file or folder goes as the link alone; where the
// system cannot do that, it stays and is named.
bool RemovedAsLink(const CString& path, bool folder, RemovalOutcome& outcome)
{
    if (!Links::IsLink(path))
        return false;
    if (folder ? Undo::RemoveFolderIfEmpty(path) : Undo::RemoveFile(path)) {
        RunLog::Line("remove", "link removed, its target untouched: " + path);
    } else {
        RunLog::Failure("remove link", path, GetLastError());
        RunLog::Line("left", "link left, it cannot be removed without its target: " + path);
        outcome.Left.push_back(path);
    }
    return true;
}

// The links met that are still there and not named yet.
void NameLinksLeft(const MetLinks& links, RemovalOutcome& outcome)
{
    for (const CString& link : links) {
        if (!FileOps::Exists(link))
            continue;
        bool named = false;
        for (const CString& left : outcome.Left)
            named = named || left.CompareNoCase(link) == 0;
        if (named)
            continue;
        RunLog::Line("left", "link left: " + link);
        outcome.Left.push_back(link);
    }
}

// A file that will not go now: one held open goes at the next restart.
void RemoveOrSchedule(const CString& path, RemovalOutcome& outcome)
{
    if (RemovedAsLink(path, false, outcome))
        return;
    if (Undo::RemoveFile(path)) {
        RunLog::Line("remove", "file removed: " + path);
        return;
    }
    const DWORD error = GetLastError();
    if (!FileOps::Exists(path)) {
        RunLog::Line("remove", "file already gone: " + path);
        return;
    }
    if ((error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED)
        && MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        RunLog::Line("restart", "file in use, removed at the next restart: " + path + ", " + RunLog::ErrorText(error));
        outcome.AtRestart.push_back(path);
    } else {
        RunLog::Failure("remove file", path, error);
        RunLog::Line("left", "file left: " + path);
        outcome.Left.push_back(path);
    }
}

// A folder that stays because of something inside is named once, by its
// innermost level; one that holds only files due at the restart goes then too.
void RemoveFolder(const CString& folder, RemovalOutcome& outcome)
{
    if (!FileOps::Exists(folder)) {
        RunLog::Line("remove", "folder already gone: " + folder);
        return;
    }
    if (RemovedAsLink(folder, true, outcome))
        return;
    if (Undo::RemoveFolderIfEmpty(folder)) {
        RunLog::Line("remove", "folder removed: " + folder);
        return;
    }
    if (HasItemInside(outcome.AtRestart, folder)) {
        if (MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
            RunLog::Line("restart", "folder removed at the next restart, with the files in use: " + folder);
            outcome.AtRestart.push_back(folder);
        } else {
            RunLog::Line("left", "folder left, it holds files due at the next restart: " + folder);
        }
        return;
    }
    if (HasItemInside(outcome.Left, folder)) {
        RunLog::Line("left", "folder left, it holds an item left: " + folder);
    } else {
        RunLog::Line("left", "folder left, it holds items the install did not put there: " + folder);
        outcome.Left.push_back(folder);
    }
}

} // namespace

void RemoveUninstallEntry(const UninstallPlan& plan, const std::vector<UninstallEntry::Value>& values)
{
    if (plan.UninstallKey.IsEmpty())
        return;
    // The key is named by the package, not by the installation: when the
    // package was installed again elsewhere, the key is that one's; a key
    // that names no installation at all is another program's.
    const CString folderText = PathHelpers::WithoutTrailingBackslash(plan.InstallFolder);
    CString registered;
    const CString entry = RegistryRoot::Name(plan.Root) + ("\\" + plan.UninstallKey);
    if (!RegistryText::Read(plan.Root, plan.UninstallKey, VALUE_UNINSTALL_FOLDER, registered)) {
        if (SharedRegistry::KeyExists(plan.Root, plan.UninstallKey))
            RunLog::Line("left", "uninstall entry " + entry + " names no installation, it is not this one's");
        return;
    }
    if (registered.CompareNoCase(folderText) != 0) {
        RunLog::Line("left", "uninstall entry " + entry + " names another installation: " + registered);
        return;
    }
    for (const UninstallEntry::Value& value : values)
        EmptyKeys::RemoveValue(plan.Root, plan.UninstallKey, value.Name);
    EmptyKeys::Remove(plan.Root, plan.UninstallKey);
}

namespace {

void RemoveRegistration(const UninstallPlan& plan)
{
    RemoveUninstallEntry(plan, UninstallEntry::Values());
    for (const ProductKey& product : plan.Products) {
        CString keyFile;
        if (RegistryText::Read(plan.Root, product.KeyPath, VALUE_KEY_FILE, keyFile)
            && keyFile.CompareNoCase(product.KeyFile) != 0) {
            RunLog::Line("left", CString("product key ") + RegistryRoot::Name(plan.Root) + "\\" + product.KeyPath
                                     + " names another installation: " + keyFile);
            continue;
        }
        EmptyKeys::RemoveValue(plan.Root, product.KeyPath, VALUE_KEY_FILE);
        // Up to the product's level; the maker's key goes after the counters.
        EmptyKeys::RemoveUpwards(plan.Root, product.KeyPath, 2);
    }
}

void RemoveLinks(const UninstallPlan& plan, RemovalOutcome& outcome)
{
    if (!plan.MenuLink.IsEmpty() && FileOps::Exists(plan.MenuLink))
        RemoveOrSchedule(plan.MenuLink, outcome);
    if (!plan.ProgramFolder.IsEmpty() && FileOps::Exists(plan.ProgramFolder)) {
        if (Undo::RemoveFolderIfEmpty(plan.ProgramFolder))
            RunLog::Line("remove", "program folder removed: " + plan.ProgramFolder);
        else
            RunLog::Line("left", "program folder left, it holds other links: " + plan.ProgramFolder);
    }
    if (!plan.DesktopLink.IsEmpty() && FileOps::Exists(plan.DesktopLink))
        RemoveOrSchedule(plan.DesktopLink, outcome);
}

// The maker's counter keys. Only a plan with shared libraries asks, and such
// a plan has a usable company name.
CString CountersKey(const UninstallPlan& plan)
{
    return SharedRegistry::CounterParentPath(plan.Value(SEC_INSTALL, KEY_COMPANY_NAME));
}

// The folders between a removed shared file and the shared folder that it
// leaves empty, innermost first; the first one that stays keeps those above.
void RemoveEmptyFoldersAbove(const CString& path, const CString& sharedFolder)
{
    for (CString folder = PathHelpers::FolderOf(path); PathHelpers::IsInside(folder, sharedFolder);
         folder = PathHelpers::FolderOf(folder)) {
        if (!FileOps::Exists(folder) || !Undo::RemoveFolderIfEmpty(folder))
            return;
        RunLog::Line("remove", "folder removed: " + folder);
    }
}

bool IsLibraryPath(const UninstallPlan& plan, const CString& path)
{
    for (const SharedLibrary& library : plan.Libraries)
        if (library.Path.CompareNoCase(path) == 0)
            return true;
    return false;
}

// The shared files other than the libraries have no counter of their own:
// they serve every package of the maker, so they go only when no counter of
// the maker is left. The folders that held them go when that leaves them empty.
void RemoveSharedFiles(const UninstallPlan& plan, RemovalOutcome& outcome, MetLinks& links)
{
    if (plan.SharedFiles.empty() && plan.SharedFolders.empty())
        return;
    const CString counters = CountersKey(plan);
    if (EmptyKeys::HoldsSubKeys(SharedRegistry::CounterRoot(), counters)) {
        RunLog::Line("shared", "shared files stay, the maker's other packages count on them: HKLM\\" + counters);
        return;
    }
    const CString sharedFolder = plan.SharedLevels.back();
    for (const CString& file : plan.SharedFiles) {
        // A library is its counter's to remove, or stays uncounted.
        if (IsLibraryPath(plan, file) || !FileOps::Exists(file))
            continue;
        if (!LinkAbove(sharedFolder, file, links).IsEmpty())
            continue;
        RemoveOrSchedule(file, outcome);
        // Another package's shared copy may have made the folders that hold
        // it, so they are not all in this log.
        RemoveEmptyFoldersAbove(file, sharedFolder);
    }
    for (auto folder = plan.SharedFolders.rbegin(); folder != plan.SharedFolders.rend(); ++folder)
        if (LinkAbove(sharedFolder, *folder, links).IsEmpty())
            RemoveFolder(*folder, outcome);
}

// One user fewer for each library, and at none the counter, the
// registration, the library and the shared folder levels left empty.
// 'otherInstallation': the key file of another installation of the product
// that still uses the libraries, or empty.
void RemoveSharedLibraries(const UninstallPlan& plan, const CString& otherInstallation, RemovalOutcome& outcome,
                           MetLinks& links)
{
    if (plan.Libraries.empty())
        return;
    const CString sharedFolder = plan.SharedLevels.empty() ? CString() : plan.SharedLevels.back();
    for (const SharedLibrary& library : plan.Libraries) {
        LONG counter = 0;
        // A library nobody counts was not this install's to count: it stays.
        if (!SharedRegistry::KeyExists(SharedRegistry::CounterRoot(), library.CounterKey)
            || !SharedRegistry::ReadCounter(library.CounterKey, counter)) {
            RunLog::Line("left", "shared library without a counter, not this install's to remove: HKLM\\"
                                     + library.CounterKey);
            continue;
        }
        // An install made before each folder counted itself counted the
        // product once: that count is the other installation's.
        if (counter <= 1 && !otherInstallation.IsEmpty()) {
            RunLog::Line("shared", "counter HKLM\\" + library.CounterKey + " stays at "
                                       + CString(std::to_string(counter).c_str())
                                       + ", the library stays: the product key names another installation that "
                                         "still uses it: "
                                       + otherInstallation);
            continue;
        }
        CString users;
        users.Format("%ld -> %ld", static_cast<long>(counter), static_cast<long>(counter > 1 ? counter - 1 : 0));
        if (counter > 1) {
            if (SharedRegistry::WriteCounter(library.CounterKey, counter - 1)) {
                RunLog::Line("shared", "counter HKLM\\" + library.CounterKey + " " + users + ", the library stays");
            } else {
                RunLog::Line("left", "counter HKLM\\" + library.CounterKey + " cannot be written, stays at "
                                         + CString(std::to_string(counter).c_str()));
                outcome.Left.push_back(CString(RegistryRoot::FullName(SharedRegistry::CounterRoot())) + "\\"
                                       + library.CounterKey);
            }
            continue;
        }
        if (Undo::RemoveKey(SharedRegistry::CounterRoot(), library.CounterKey))
            RunLog::Line("shared", "counter HKLM\\" + library.CounterKey + " " + users + ", key removed");
        else
            RunLog::Line("left", "counter key HKLM\\" + library.CounterKey + " holds other keys");
        if (library.Path.IsEmpty() || !FileOps::Exists(library.Path))
            continue;
        if (!LinkAbove(sharedFolder, library.Path, links).IsEmpty())
            continue;
        Undo::UnregisterLibrary(library.Path);
        RunLog::Line("shared", "unregistered: " + library.Path);
        RemoveOrSchedule(library.Path, outcome);
        RemoveEmptyFoldersAbove(library.Path, sharedFolder);
    }
    RemoveSharedFiles(plan, outcome, links);
    for (auto level = plan.SharedLevels.rbegin(); level != plan.SharedLevels.rend(); ++level)
        if (FileOps::Exists(*level)) {
            if (Undo::RemoveFolderIfEmpty(*level))
                RunLog::Line("remove", "shared folder removed: " + *level);
            else
                RunLog::Line("left", "shared folder left, other packages use it: " + *level);
        }
    EmptyKeys::RemoveUpwards(SharedRegistry::CounterRoot(), CountersKey(plan), 2);
}

} // namespace

RemovalOutcome RemovePackage(const UninstallPlan& plan, const CString& uninstaller, const RemovalProgress& progress)
{
    RemovalOutcome outcome;
    const int total = static_cast<int>(plan.Files.size() + plan.Folders.size()) + 1;
    int done = 0;
    auto step = [&] {
        if (progress)
            progress(++done, total);
    };

    MetLinks links;
    for (const CString& file : plan.Files) {
        if (file.CompareNoCase(uninstaller) != 0 && LinkAbove(plan.InstallFolder, file, links).IsEmpty())
            RemoveOrSchedule(file, outcome);
        step();
    }
    RemoveOrSchedule(plan.LogPath, outcome);
    if (FileOps::Exists(plan.SharedFilesLogPath))
        RemoveOrSchedule(plan.SharedFilesLogPath, outcome);
    for (auto folder = plan.Folders.rbegin(); folder != plan.Folders.rend(); ++folder) {
        if (LinkAbove(plan.InstallFolder, *folder, links).IsEmpty())
            RemoveFolder(*folder, outcome);
        step();
    }

    RemoveLinks(plan, outcome);
    // Asked before the product keys that name this installation go.
    const CString otherInstallation = SharedUsers::OtherInstallation(plan);
    RemoveRegistration(plan);
    RemoveSharedLibraries(plan, otherInstallation, outcome, links);
    NameLinksLeft(links, outcome);
    // The maker's key holds the product keys under the plan's root and the
    // counters under the machine's: one of each when the two differ.
    if (!plan.Company.IsEmpty()) {
        EmptyKeys::RemoveUpwards(plan.Root, plan.Company, 1);
        if (plan.Root != SharedRegistry::CounterRoot())
            EmptyKeys::RemoveUpwards(SharedRegistry::CounterRoot(), plan.Company, 1);
    }
    EmptyKeys::RemoveUpwards(HKEY_CURRENT_USER, INSTALLER_PROFILE_KEY, 1);

    // The installation folder goes after the uninstaller has ended; whatever
    // else is in it then keeps it.
    WIN32_FIND_DATAA found;
    ScopedFind search(plan.InstallFolder + "*", found);
    bool othersInside = false;
    for (bool more = search.IsOpen(); more && !othersInside; more = search.Next(found)) {
        const CString name = found.cFileName;
        if (name != "." && name != ".." && (plan.InstallFolder + name).CompareNoCase(uninstaller) != 0)
            othersInside = true;
    }
    if (othersInside && !HasItemInside(outcome.Left, plan.InstallFolder)
        && !HasItemInside(outcome.AtRestart, plan.InstallFolder)) {
        RunLog::Line("left", "installation folder left, it holds items the install did not put there: "
                                 + plan.InstallFolder);
        outcome.Left.push_back(PathHelpers::WithoutTrailingBackslash(plan.InstallFolder));
    }
    step();
    return outcome;
}
