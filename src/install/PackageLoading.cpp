// Package loading: the setup script is read and the package files it names
// are checked before anything is shown or written.
#include "install/PackageLoading.h"

#include "base/PathHelpers.h"
#include "base/RegistryRoot.h"
#include "base/RunLog.h"
#include "install/EntryOwner.h"
#include "install/UninstallEntry.h"
#include "script/ScriptFile.h"
#include "script/ScriptKeys.h"
#include "script/ScriptValueRules.h"
#include "shared/SharedRegistry.h"

namespace {

// The package files are looked for as the framework reads a file status.
BOOL HasStatus(const char* path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status);
}

// A value naming a place outside what the package may reach (another drive,
// a level above, a device, a key of another program) ends the run before
// anything is made: the uninstaller would refuse what it made, or remove
// what is not the package's. The box names the first such key, the log
// every one.
bool RefuseBadValues(RunContext& run)
{
    const std::vector<ScriptValueRules::BadValue> bad
        = ScriptValueRules::BadValues(run.SetupScript, run.ScriptCount);
    if (bad.empty())
        return false;
    for (const ScriptValueRules::BadValue& value : bad)
        RunLog::Line("failure", "check script value failed: " + ScriptValueRules::Describe(value));
    PackageLoading::Refuse(run, "[" + bad.front().Key + "]Invalid value.\nAbort installation.", "check script value",
                           bad.front().Key, ERROR_SUCCESS);
    return true;
}

// The entry the package names may be another program's: writing our values
// over it, and the uninstall deleting it, would take that program off the
// list. Only our own earlier installation is taken over.
bool RefuseAnotherProgramsEntry(RunContext& run)
{
    const CString entry = run.GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    const CString key = CString(RegistryRoot::Name(run.KeysRoot)) + "\\" + UninstallEntry::KeyPath(entry);
    const CString where = "uninstall entry " + key;
    CString entryFolder;
    const EntryOwner::Owner owner = EntryOwner::Of(run.KeysRoot, entry, entryFolder);
    if (owner == EntryOwner::Owner::Gone)
        RunLog::Line("setting", where + " is left over from an installation that is gone, and is written anew: "
                                    + entryFolder);
    if (owner != EntryOwner::Owner::Another)
        return false;
    RunLog::Line("refused", where + " is not this package's installation"
                                + (entryFolder.IsEmpty() ? CString() : ": " + entryFolder));
    PackageLoading::Refuse(run, "[UNINSTALL_KEY]Key used by another program.\nAbort installation.",
                           "take over uninstall entry", key, ERROR_SUCCESS);
    return true;
}

} // namespace

namespace PackageLoading {

BOOL Load(RunContext& run)
{
    run.Caption.Empty();

    CFileStatus status;
    if (!CFile::GetStatus(SETUP_SCRIPT_FILE, status)) {
        const DWORD error = GetLastError();
        RunLog::Failure("find setup script", SETUP_SCRIPT_FILE, error);
        return Refuse(run, "File not found.\nAbort installation.", "find setup script", SETUP_SCRIPT_FILE, error);
    }
    if (!ReadScript(run))
        return FALSE;

    LoadDialogSettings(run);
    if (RefuseBadValues(run))
        return FALSE;

    const CString uninstaller = run.GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE);
    if (uninstaller.IsEmpty())
        return RefuseMissingKey(run, KEY_UNINSTALL_FILE, run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST));
    if (!HasStatus(uninstaller))
        return RefuseMissingFile(run, uninstaller, GetLastError());

    // The install-folder dialog shows the banner; a missing one is no reason
    // to stop, the dialog is white where it would be.
    run.BannerFile = run.GetScriptValue(SEC_INSTALL, KEY_BACKGROUND_FILE);
    if (!run.BannerFile.IsEmpty() && !HasStatus(run.BannerFile))
        run.BannerFile.Empty();

    run.WritableFiles.RemoveAll();
    for (int i = 1; i <= 5; ++i) {
        CString key;
        key.Format(KEY_WRITE_FILE_FMT, i);
        const CString value = run.GetScriptValue(SEC_INSTALL, key);
        if (value.IsEmpty())
            break;
        const CString path = "..\\" + value;
        if (!HasStatus(path))
            return RefuseMissingFile(run, path, GetLastError());
        run.WritableFiles.Add(path);
    }

    if (!LoadSharedComponentSettings(run))
        return FALSE;
    if (RefuseAnotherProgramsEntry(run))
        return FALSE;

    // One backslash between the two, however each is written: the fallback
    // "C:\" ends in one, and a base may begin with one.
    CString programFiles = "C:\\";
    SharedRegistry::ReadProgramFilesDir(programFiles);
    run.InstallFolder = PathHelpers::JoinBelow(programFiles, run.AppPathBase);
    return TRUE;
}

BOOL ReadScript(RunContext& run)
{
    CScriptTable table(run.SetupScript, run.ScriptCount);
    table.Clear();

    CFile file;
    if (!file.Open(SETUP_SCRIPT_FILE, CFile::modeRead)) {
        const DWORD error = GetLastError();
        RunLog::Failure("open setup script", SETUP_SCRIPT_FILE, error);
        return Refuse(run, "File open error.\n", "open setup script", SETUP_SCRIPT_FILE, error);
    }
    CScriptFileInput input(file);
    bool reported = false;
    return table.Read(input, [&run, &reported](const char* first, const char* second) {
        const DWORD error = GetLastError();
        RunLog::Failure("read setup script", SETUP_SCRIPT_FILE, error);
        // The first reason is the one the user is told.
        if (!reported)
            Refuse(run, CString(first) + '\n' + second, "read setup script", SETUP_SCRIPT_FILE, error);
        reported = true;
    });
}

BOOL AddScriptEntry(RunContext& run, const char* key, const char* value)
{
    return CScriptTable(run.SetupScript, run.ScriptCount).AddEntry(key, value);
}

BOOL BeginSection(RunContext& run, const char* name)
{
    return CScriptTable(run.SetupScript, run.ScriptCount).BeginSection(name);
}

void LoadDialogSettings(RunContext& run)
{
    run.AppPathBase = run.GetScriptValue(SEC_INSTALL, KEY_APPPATH_BASE);
    run.FlagInstFolDialog = run.GetScriptValue(SEC_INSTALL, KEY_FLAG_INSTFOL_DIALOG);
    run.FlagStatusDialog = run.GetScriptValue(SEC_INSTALL, KEY_FLAG_STATUS_DIALOG);
    run.FlagEndDialog = run.GetScriptValue(SEC_INSTALL, KEY_FLAG_END_DIALOG);
    run.Caption = run.GetScriptValue(SEC_INSTALL, KEY_CAPTION);
}

} // namespace PackageLoading
