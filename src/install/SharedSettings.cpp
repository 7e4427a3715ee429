// The shared-component settings, read when the package is loaded: whether
// the package carries shared libraries, where they go, whether this product
// is installed already, and the user counter of every library.
#include "install/PackageLoading.h"

#include "base/PathHelpers.h"
#include "base/RunLog.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

namespace {

// A registry read the load needs and could not make: the user is told with
// the script's general error text.
BOOL RefuseUnreadable(RunContext& run, const char* operation, const CString& key)
{
    const DWORD error = GetLastError();
    RunLog::Failure(operation, key, error);
    return PackageLoading::Refuse(run, run.GetScriptValue(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED), operation, key,
                                  error);
}

} // namespace

namespace PackageLoading {

BOOL LoadSharedComponentSettings(RunContext& run)
{
    run.IsProductInstalled = 0;
    run.IsSharedComponents = 0;
    run.LibraryList.RemoveAll();

    for (int n = 1; n <= 5; ++n) {
        CString key;
        key.Format(KEY_REG_LIBFILE_FMT, n);
        const CString value = run.GetScriptValue(SEC_INSTALL, key);
        if (n == 1) {
            if (value.IsEmpty())
                return RefuseMissingKey(run, KEY_REG_LIBFILE1);
            if (value.CompareNoCase(VALUE_NONE) == 0)
                return TRUE;
            run.IsSharedComponents = 1;
        } else if (value.IsEmpty()) {
            break;
        }
        const CString path = "..\\" + value;
        CFileStatus status;
        if (!CFile::GetStatus(path, status))
            return RefuseMissingFile(run, path, GetLastError());
        run.LibraryList.Add(path);
    }

    const CString libBase = run.GetScriptValue(SEC_INSTALL, KEY_LIBFILEPATH_BASE);
    if (libBase.IsEmpty())
        return RefuseMissingKey(run, KEY_LIBFILEPATH_BASE);
    run.SharedSourceFolder = run.GetScriptValue(SEC_INSTALL, KEY_COMMON_PATH);
    if (run.SharedSourceFolder.IsEmpty())
        return RefuseMissingKey(run, KEY_COMMON_PATH);

    CString programFiles;
    if (!SharedRegistry::ReadProgramFilesDir(programFiles))
        return RefuseUnreadable(run, "read key", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\ProgramFilesDir");
    run.SharedFolder = PathHelpers::JoinBelow(programFiles, libBase);

    const CString company = run.GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    const CString product = run.GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NAME1);
    const CString language = run.GetScriptValue(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1);
    if (!product.IsEmpty())
        run.IsProductInstalled
            = SharedRegistry::KeyExists(run.KeysRoot, SharedRegistry::ProductKeyPath(company, product, language));

    for (int j = 0; j < 5; ++j)
        run.CounterRecords[j] = CounterRecord();
    for (int j = 0; j < run.LibraryList.GetSize() && j < 5; ++j) {
        CounterRecord& record = run.CounterRecords[j];
        record.LibraryPath = run.LibraryList[j];
        LONG counter = 0;
        const CString counterKey = SharedRegistry::CounterKeyPath(company, run.LibraryList[j]);
        // An unreadable counter (a value of the wrong size, a key we may
        // not open) must not end the run without a word to the user.
        if (!SharedRegistry::ReadCounter(counterKey, counter))
            return RefuseUnreadable(run, "read user counter", "HKLM\\" + counterKey);
        record.CounterBefore = record.CounterNow = counter;
    }
    return TRUE;
}

} // namespace PackageLoading
