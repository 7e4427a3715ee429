// The shared-component settings, read when the package is loaded: whether
// the package carries shared libraries, where they go, whether this product
// is installed already, and the user counter of every library.
#include "install/TarvelDoc.h"

#include "base/PathHelpers.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

int CTarvelDoc::LoadSharedComponentSettings()
{
    IsProductInstalled = 0;
    IsSharedComponents = 0;
    LibraryList.RemoveAll();

    for (int n = 1; n <= 5; ++n) {
        CString key;
        key.Format(KEY_REG_LIBFILE_FMT, n);
        CString value = GetScriptValue(SEC_INSTALL, key);
        if (n == 1) {
            if (value.IsEmpty()) {
                ShowTwoLineMessage("[REG_LIBFILE1]Key not found.", "Abort installation.");
                return 0;
            }
            if (value.CompareNoCase(VALUE_NONE) == 0)
                return 1;
            IsSharedComponents = 1;
        } else if (value.IsEmpty()) {
            break;
        }
        CString path = "..\\" + value;
        CFileStatus status;
        if (!CFile::GetStatus(path, status)) {
            ShowMessage(GetScriptValue(SEC_ERROR, GetLastError() == ERROR_FILE_NOT_FOUND
                                                      ? KEY_ERR_MES_FILE_NOT_EXIST
                                                      : KEY_ERR_MES_ERROR_OCCURRED));
            return 0;
        }
        LibraryList.Add(path);
    }

    CString libBase = GetScriptValue(SEC_INSTALL, KEY_LIBFILEPATH_BASE);
    if (libBase.IsEmpty()) {
        ShowTwoLineMessage("[LIBFILEPATH_BASE]Key not found.", "Abort installation.");
        return 0;
    }
    SharedSourceFolder = GetScriptValue(SEC_INSTALL, KEY_COMMON_PATH);
    if (SharedSourceFolder.IsEmpty()) {
        ShowTwoLineMessage("[COMMON_PATH]Key not found.", "Abort installation.");
        return 0;
    }

    CString programFiles;
    if (!SharedRegistry::ReadProgramFilesDir(programFiles)) {
        ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
        return 0;
    }
    SharedFolder = PathHelpers::JoinBelow(programFiles, libBase);

    CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    CString product = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NAME1);
    CString language = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1);
    if (!product.IsEmpty())
        IsProductInstalled = SharedRegistry::KeyExists(SharedRegistry::ProductKeyPath(company, product, language));

    for (int j = 0; j < 5; ++j)
        CounterRecords[j] = CounterRecord();
    for (int j = 0; j < LibraryList.GetSize() && j < 5; ++j) {
        CounterRecord& record = CounterRecords[j];
        record.LibraryPath = LibraryList[j];
        LONG counter = 0;
        if (!SharedRegistry::ReadCounter(SharedRegistry::CounterKeyPath(company, LibraryList[j]), counter)) {
            // An unreadable counter (a value of the wrong size, a key we may
            // not open) must not end the run without a word to the user.
            ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
            return 0;
        }
        record.CounterBefore = record.CounterNow = counter;
    }
    return 1;
}
