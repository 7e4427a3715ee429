// The user counters of the shared libraries: one per library under the
// maker's key, raised once for each product that uses it.
#include "install/SharedComponents.h"

#include "base/PathHelpers.h"
#include "base/RegistryText.h"
#include "base/ScopedHandles.h"
#include "rollback/RecordedRegistry.h"
#include "install/RegistrationNames.h"
#include "install/UninstallLog.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

using SharedRegistry::COUNTER_VALUE;

namespace {

// An installed product is counted once for each folder it is installed in:
// a re-install over an earlier installation (its log was kept aside by this
// run) or into the folder its key names is counted already, and so is one
// over an installation that is gone (its count is taken over). The same
// product in another folder that is still there is one user more.
bool IsCountedAlready(const ChangeRecord& record, HKEY root, const CString& productKeyPath,
                      const CString& installFolder)
{
    const CString earlierLog = UninstallLogPath(installFolder);
    for (const Change& change : record.Changes())
        if (change.Type == Change::Kind::FileKeptAside && change.Path.CompareNoCase(earlierLog) == 0)
            return true;
    CString keyFile;
    if (!RegistryText::Read(root, productKeyPath, VALUE_KEY_FILE, keyFile) || keyFile.IsEmpty())
        return true;
    return PathHelpers::IsInside(keyFile, installFolder) || GetFileAttributesA(keyFile) == INVALID_FILE_ATTRIBUTES;
}

} // namespace

namespace SharedComponents {

CounterRecord* FindCounter(RunContext& run, const CString& name)
{
    for (CounterRecord& record : run.CounterRecords) {
        if (record.LibraryPath.IsEmpty())
            continue;
        int start = LastComponentStart(record.LibraryPath);
        CString file = start < 0 ? record.LibraryPath : record.LibraryPath.Mid(start);
        if (file.CompareNoCase(name) == 0)
            return &record;
    }
    return nullptr;
}

BOOL RaiseCounters(RunContext& run)
{
    CString company = run.GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    const bool countedAlready = run.IsProductInstalled
        && IsCountedAlready(run.Record(), run.KeysRoot,
                            SharedRegistry::ProductKeyPath(company, run.GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NAME1),
                                                           run.GetScriptValue(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1)),
                            run.InstallFolder);
    const HKEY counterRoot = SharedRegistry::CounterRoot();
    for (int i = 0; i < run.LibraryList.GetSize(); ++i) {
        CounterRecord* record = FindCounter(run, SharedRegistry::CounterName(run.LibraryList[i]));
        if (!record)
            return run.Fail(ERROR_CODE_GENERAL, "find counter", run.LibraryList[i]);
        const CString keyPath = SharedRegistry::CounterKeyPath(company, run.LibraryList[i]);
        ScopedRegKey key;
        const LONG created = RecordedRegistry::CreateKey(run.Record(), Change::Area::Shared, counterRoot, keyPath, key);
        if (created != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(created));
            return run.Fail(ERROR_CODE_GENERAL, "create key", keyPath);
        }

        // An installed product that is already counted is not counted twice;
        // a counter lost or at 0 counts it again.
        if (countedAlready && !(record->CounterBefore == 0 && record->CounterNow == 0))
            continue;
        const DWORD value = static_cast<DWORD>(record->CounterNow + 1);
        const LONG rc = RecordedRegistry::SetValue(run.Record(), Change::Area::Shared, counterRoot, key.Get(), keyPath,
                                                   COUNTER_VALUE, REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&value), sizeof(value));
        if (rc != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(rc));
            return run.Fail(ERROR_CODE_GENERAL, "set value", keyPath + "\\" + COUNTER_VALUE);
        }
        ++record->CounterNow;
    }
    return TRUE;
}

} // namespace SharedComponents
