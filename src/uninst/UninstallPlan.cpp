#include "uninst/UninstallPlan.h"

#include "afxfile.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "base/ShellFolders.h"
#include "rollback/SharedFilesLog.h"
#include "rollback/UninstallLog.h"
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
void PlanRegistration(UninstallPlan& plan)
{
    plan.DisplayName = plan.Value(SEC_INSTALL, KEY_UNINSTALL_NAME);
    const InstallLayout layout = InstallLayout::Of(plan.Script.data(), plan.ScriptCount, plan.InstallFolder,
                                                   plan.Root, ShellFolders::IsNtFamily());
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

// The shared libraries and the shared folder. The install copies the
// contents of COMMON_PATH into the shared folder, so a library's place there
// is its script path after COMMON_PATH.
bool PlanShared(UninstallPlan& plan)
{
    const CString first = plan.Value(SEC_INSTALL, KEY_REG_LIBFILE1);
    if (first.IsEmpty() || first.CompareNoCase(VALUE_NONE) == 0)
        return true;
    // The shared folder as the install made it: below the program-files
    // folder, a leading backslash of the script's value dropped.
    const CString base = plan.Value(SEC_INSTALL, KEY_LIBFILEPATH_BASE);
    const CString levels = PathHelpers::WithoutTrailingBackslash(base.Left(1) == "\\" ? base.Mid(1) : base);
    CString programFiles;
    if (plan.Company.IsEmpty() || !PathHelpers::StaysInside(levels) || !SharedRegistry::ReadProgramFilesDir(programFiles))
        return false;
    const CString sharedFolder = PathHelpers::WithTrailingBackslash(PathHelpers::JoinBelow(programFiles, base));
    // Each level below the program-files folder, outermost first.
    const CString top = PathHelpers::WithoutTrailingBackslash(programFiles);
    for (int start = 0;;) {
        const int cut = PathHelpers::FindNthBackslash(levels, start, 1);
        plan.SharedLevels.push_back(top + "\\" + (cut < 0 ? levels : levels.Left(cut)));
        if (cut < 0)
            break;
        start = cut + 1;
    }

    CString commonPrefix = PathHelpers::WithTrailingBackslash(plan.Value(SEC_INSTALL, KEY_COMMON_PATH));
    commonPrefix.MakeLower();
    const CString company = plan.Value(SEC_INSTALL, KEY_COMPANY_NAME);
    for (int n = 1; n <= 5; ++n) {
        CString key;
        key.Format(KEY_REG_LIBFILE_FMT, n);
        const CString library = plan.Value(SEC_INSTALL, key);
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
        plan.Libraries.push_back(shared);
    }
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

bool ReadScriptTable(UninstallPlan& plan)
{
    CScriptTable table(plan.Script.data(), plan.ScriptCount);
    table.Clear();
    CFile file;
    if (!file.Open(plan.InstallFolder + SETUP_SCRIPT_FILE, CFile::modeRead | CFile::shareDenyNone))
        return false;
    CScriptFileInput input(file);
    return table.Read(input, [](const char*, const char*) {}) != FALSE;
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
    const bool scriptRead = ReadScriptTable(plan);

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
    PlanRegistration(plan);
    if (!PlanShared(plan))
        return PlanResult::BadScript;
    if (!PlanSharedFiles(plan))
        return PlanResult::BadLog;
    return PlanResult::Ready;
}
