// The shared-component settings, read when the package is loaded: whether
// the package carries shared libraries, where they go, whether this product
// is installed already, and the user counter of every library.
#include "install/TarvelDoc.h"

#include "base/PathHelpers.h"
#include "base/RunLog.h"
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
            if (value.IsEmpty())
                return RefuseMissingKey(KEY_REG_LIBFILE1);
            if (value.CompareNoCase(VALUE_NONE) == 0)
                return 1;
            IsSharedComponents = 1;
        } else if (value.IsEmpty()) {
            break;
        }
        CString path = "..\\" + value;
        CFileStatus status;
        if (!CFile::GetStatus(path, status))
            return RefuseMissingFile(path, GetLastError());
        LibraryList.Add(path);
    }

    CString libBase = GetScriptValue(SEC_INSTALL, KEY_LIBFILEPATH_BASE);
    if (libBase.IsEmpty())
        return RefuseMissingKey(KEY_LIBFILEPATH_BASE);
    SharedSourceFolder = GetScriptValue(SEC_INSTALL, KEY_COMMON_PATH);
    if (SharedSourceFolder.IsEmpty())
        return RefuseMissingKey(KEY_COMMON_PATH);

    CString programFiles;
    if (!SharedRegistry::ReadProgramFilesDir(programFiles)) {
        RunLog::Failure("read key", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir",
                        GetLastError());
        ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
        return 0;
    }
    SharedFolder = PathHelpers::JoinBelow(programFiles, libBase);

    CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    CString product = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NAME1);
    CString language = GetScriptValue(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1);
    if (!product.IsEmpty())
        IsProductInstalled
            = SharedRegistry::KeyExists(KeysRoot, SharedRegistry::ProductKeyPath(company, product, language));

    for (int j = 0; j < 5; ++j)
        CounterRecords[j] = CounterRecord();
    for (int j = 0; j < LibraryList.GetSize() && j < 5; ++j) {
        CounterRecord& record = CounterRecords[j];
        record.LibraryPath = LibraryList[j];
        LONG counter = 0;
        const CString counterKey = SharedRegistry::CounterKeyPath(company, LibraryList[j]);
        if (!SharedRegistry::ReadCounter(counterKey, counter)) {
            // An unreadable counter (a value of the wrong size, a key we may
            // not open) must not end the run without a word to the user.
            RunLog::Failure("read user counter", "HKLM\\" + counterKey, GetLastError());
            ShowMessage(GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED));
            return 0;
        }
        record.CounterBefore = record.CounterNow = counter;
    }
    return 1;
}
