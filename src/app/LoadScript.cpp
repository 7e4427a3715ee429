// Package loading: the setup script is read and the package files it names
// are checked before anything is shown or written.
#include "install/TarvelDoc.h"

#include "app/TarvelView.h"
#include "base/PathHelpers.h"
#include "base/RegistryRoot.h"
#include "base/RunLog.h"
#include "install/EntryOwner.h"
#include "install/RegistrationNames.h"
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
bool RefuseBadValues(CTarvelDoc& doc)
{
    const std::vector<ScriptValueRules::BadValue> bad
        = ScriptValueRules::BadValues(doc.SetupScript, doc.ScriptCount);
    if (bad.empty())
        return false;
    for (const ScriptValueRules::BadValue& value : bad)
        RunLog::Line("failure", "check script value failed: " + ScriptValueRules::Describe(value));
    doc.ShowTwoLineMessage("[" + bad.front().Key + "]Invalid value.", "Abort installation.");
    return true;
}

} // namespace

BOOL CTarvelDoc::LoadScript()
{
    Caption.Empty();

    CFileStatus status;
    if (!CFile::GetStatus(SETUP_SCRIPT_FILE, status)) {
        RunLog::Failure("find setup script", SETUP_SCRIPT_FILE, GetLastError());
        ShowTwoLineMessage("File not found.", "Abort installation.");
        return FALSE;
    }
    if (!ReadScript())
        return FALSE;

    LoadDialogSettings();
    if (RefuseBadValues(*this))
        return FALSE;

    CString uninstaller = GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE);
    if (uninstaller.IsEmpty())
        return RefuseMissingKey(KEY_UNINSTALL_FILE, GetScriptValue(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST));
    if (!HasStatus(uninstaller))
        return RefuseMissingFile(uninstaller, GetLastError());

    // The install-folder dialog shows the banner; the view that runs it keeps it.
    if (CTarvelView* pView = dynamic_cast<CTarvelView*>(ProgressView())) {
        pView->BannerFile = GetScriptValue(SEC_INSTALL, KEY_BACKGROUND_FILE);
        if (!pView->BannerFile.IsEmpty() && !HasStatus(pView->BannerFile))
            pView->BannerFile.Empty();
    }

    WritableFiles.RemoveAll();
    for (int i = 1; i <= 5; ++i) {
        CString key;
        key.Format(KEY_WRITE_FILE_FMT, i);
        CString value = GetScriptValue(SEC_INSTALL, key);
        if (value.IsEmpty())
            break;
        CString path = "..\\" + value;
        if (!HasStatus(path))
            return RefuseMissingFile(path, GetLastError());
        WritableFiles.Add(path);
    }

    if (!LoadSharedComponentSettings())
        return FALSE;

    // The entry the package names may be another program's: writing our
    // values over it, and the uninstall deleting it, would take that program
    // off the list. Only our own earlier installation is taken over.
    const CString entry = GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    CString entryFolder;
    const EntryOwner::Owner owner = EntryOwner::Of(KeysRoot, entry, entryFolder);
    if (owner == EntryOwner::Owner::Gone)
        RunLog::Line("setting", CString("uninstall entry ") + RegistryRoot::Name(KeysRoot) + "\\" + UNINSTALL_ROOT
                                    + entry + " is left over from an installation that is gone, and is written anew: "
                                    + entryFolder);
    if (owner == EntryOwner::Owner::Another) {
        RunLog::Line("refused", CString("uninstall entry ") + RegistryRoot::Name(KeysRoot) + "\\" + UNINSTALL_ROOT
                                    + entry + " is not this package's installation"
                                    + (entryFolder.IsEmpty() ? CString() : ": " + entryFolder));
        ShowTwoLineMessage("[UNINSTALL_KEY]Key used by another program.", "Abort installation.");
        return FALSE;
    }

    // One backslash between the two, however each is written: the fallback
    // "C:\" ends in one, and a base may begin with one.
    CString programFiles = "C:\\";
    SharedRegistry::ReadProgramFilesDir(programFiles);
    InstallFolder = PathHelpers::JoinBelow(programFiles, AppPathBase);
    return TRUE;
}
