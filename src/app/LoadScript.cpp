// Package loading: the setup script is read and the package files it names
// are checked before anything is shown or written.
#include "install/TarvelDoc.h"

#include "app/TarvelView.h"
#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "install/EntryOwner.h"
#include "install/RegistrationNames.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

namespace {

// The report for a package file that the existence test did not find.
void ReportMissing(CTarvelDoc& doc, DWORD error)
{
    doc.ShowMessage(doc.GetScriptValue(SEC_ERROR, error == ERROR_FILE_NOT_FOUND ? KEY_ERR_MES_FILE_NOT_EXIST
                                                                                 : KEY_ERR_MES_ERROR_OCCURRED));
}

// The package files are looked for as the framework reads a file status.
BOOL HasStatus(const char* path)
{
    CFileStatus status;
    return CFile::GetStatus(path, status);
}

} // namespace

BOOL CTarvelDoc::LoadScript()
{
    Caption.Empty();

    CFileStatus status;
    if (!CFile::GetStatus(SETUP_SCRIPT_FILE, status)) {
        ShowTwoLineMessage("File not found.", "Abort installation.");
        return FALSE;
    }
    if (!ReadScript())
        return FALSE;

    LoadDialogSettings();

    CString uninstaller = GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_FILE);
    if (uninstaller.IsEmpty()) {
        ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST));
        return FALSE;
    }
    if (!HasStatus(uninstaller)) {
        ReportMissing(*this, GetLastError());
        return FALSE;
    }

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
        if (!HasStatus(path)) {
            ReportMissing(*this, GetLastError());
            return FALSE;
        }
        WritableFiles.Add(path);
    }

    if (!LoadSharedComponentSettings())
        return FALSE;

    // The entry the package names may be another program's: writing our
    // values over it, and the uninstall deleting it, would take that program
    // off the list. Only our own earlier installation is taken over.
    const CString entry = GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY);
    CString entryFolder;
    if (EntryOwner::Of(entry, entryFolder) == EntryOwner::Owner::Another) {
        RunLog::Line("refused", "uninstall entry HKLM\\" + CString(UNINSTALL_ROOT) + entry
                                    + " is not this package's installation"
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
