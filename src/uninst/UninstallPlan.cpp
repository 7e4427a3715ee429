#include "uninst/UninstallPlan.h"

#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "base/ShellFolders.h"
#include "install/SharedFilesLog.h"
#include "install/UninstallLog.h"
#include "script/ScriptFile.h"
#include "script/ScriptKeys.h"
#include "script/ScriptValueRules.h"
#include "shared/SharedRegistry.h"

namespace {

// The installer refuses these at load; a script that holds one anyway was
// changed since, and its names cannot be trusted to be the package's.
bool HasBadValues(const UninstallPlan& plan)
{
    const std::vector<ScriptValueRules::BadValue> bad
        = ScriptValueRules::BadValues(plan.Script.data(), plan.ScriptCount);
    for (const ScriptValueRules::BadValue& value : bad)
        RunLog::Line("failure", "check script value failed: " + ScriptValueRules::Describe(value));
    return !bad.empty();
}

// The entry, the links and the product keys where the installer put them.
void PlanRegistration(UninstallPlan& plan, const InstallLayout& layout)
{
    plan.DisplayName = plan.Value(SEC_INSTALL, KEY_UNINSTALL_NAME);
    plan.UninstallKey = layout.EntryKey;
    plan.MenuLink = layout.MenuLink;
    plan.ProgramFolder = layout.ProgramFolder;
    plan.DesktopLink = layout.DesktopLink;
    plan.Company = layout.CompanyKey;
    // Below an empty company level the keys are no one's to remove: an
    // empty level in a key path reaches the top of "Software".
    if (!plan.Company.IsEmpty())
        plan.Products = layout.Products;
}

// The shared libraries and the shared folder, for a script that names them.
bool PlanShared(UninstallPlan& plan, InstallLayout& layout)
{
    const CString first = plan.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (first.IsEmpty() || first.CompareNoCase(VALUE_NONE) == 0)
        return true;
    CString programFiles;
    if (!SharedRegistry::ReadProgramFilesDir(programFiles)
        || !layout.AddSharedComponents(plan.Script.data(), plan.ScriptCount, programFiles))
        return false;
    plan.Libraries = layout.Libraries;
    plan.SharedLevels = layout.SharedLevels;
    return true;
}

// The shared files log; FALSE when it is there and cannot be trusted.
bool PlanSharedFiles(UninstallPlan& plan)
{
    if (plan.SharedLevels.empty())
        return true;
    SharedFilesEntries entries;
    if (!ReadSharedFilesLog(plan.SharedFilesLogPath, entries))
        return false;
    const CString sharedFolder = PathHelpers::WithTrailingBackslash(plan.SharedLevels.back());
    for (const CString& folder : entries.Folders)
        plan.SharedFolders.push_back(sharedFolder + folder);
    for (const CString& file : entries.Files)
        plan.SharedFiles.push_back(sharedFolder + file);
    return true;
}

} // namespace

CString UninstallPlan::Value(const char* section, const char* key) const
{
    return FindScriptValue(Script.data(), ScriptCount, section, key);
}

PlanResult ReadUninstallPlan(const CString& folder, const CString& uninstaller, UninstallPlan& plan)
{
    plan.InstallFolder = PathHelpers::WithTrailingBackslash(folder);
    plan.LogPath = UninstallLogPath(plan.InstallFolder);
    plan.SharedFilesLogPath = SharedFilesLogPath(plan.InstallFolder);

    // The script first: its texts serve the messages about a bad log too.
    const bool scriptRead
        = ReadInstalledScript(plan.InstallFolder + SETUP_SCRIPT_FILE, plan.Script.data(), plan.ScriptCount);

    CString stored;
    bool missing = false;
    if (!ReadStoredLog(plan.LogPath, stored, missing))
        return missing ? PlanResult::NoLog : PlanResult::BadLog;
    if (stored.IsEmpty())
        return PlanResult::NoLog;
    const PlanResult logResult = PlanLogEntries(DecodeLogText(stored), uninstaller, plan);
    if (logResult != PlanResult::Ready)
        return logResult;

    if (!scriptRead || HasBadValues(plan))
        return PlanResult::BadScript;
    InstallLayout layout = InstallLayout::Of(plan.Script.data(), plan.ScriptCount, plan.InstallFolder, plan.Root,
                                             ShellFolders::IsNtFamily());
    PlanRegistration(plan, layout);
    if (!PlanShared(plan, layout))
        return PlanResult::BadScript;
    if (!PlanSharedFiles(plan))
        return PlanResult::BadLog;
    return PlanResult::Ready;
}
