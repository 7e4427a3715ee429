// The user counters of the shared libraries: one per library under the
// maker's key, raised once for each product that uses it, and the undo of
// the shared components when an install fails.
#include "install/TarvelDoc.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "rollback/RecordedRegistry.h"
#include "rollback/UninstallLog.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

using SharedRegistry::COUNTER_VALUE;

CounterRecord* CTarvelDoc::FindCounterEntry(const CString& name)
{
    for (CounterRecord& record : CounterRecords) {
        if (record.LibraryPath.IsEmpty())
            continue;
        int start = LastComponentStart(record.LibraryPath);
        CString file = start < 0 ? record.LibraryPath : record.LibraryPath.Mid(start);
        if (file.CompareNoCase(name) == 0)
            return &record;
    }
    return nullptr;
}

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
    if (!SharedRegistry::ReadKeyFile(root, productKeyPath, keyFile) || keyFile.IsEmpty())
        return true;
    return PathHelpers::IsInside(keyFile, installFolder) || GetFileAttributesA(keyFile) == INVALID_FILE_ATTRIBUTES;
}

} // namespace

int CTarvelDoc::IncrementSharedCounters()
{
    CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    const bool countedAlready = IsProductInstalled
        && IsCountedAlready(Record(), KeysRoot,
                            SharedRegistry::ProductKeyPath(company, GetScriptValue(SEC_INSTALL, KEY_PRODUCT_NAME1),
                                                           GetScriptValue(SEC_INSTALL, KEY_PRODUCT_LANGUAGE1)),
                            InstallFolder);
    const HKEY counterRoot = SharedRegistry::CounterRoot();
    for (int i = 0; i < LibraryList.GetSize(); ++i) {
        CounterRecord* record = FindCounterEntry(SharedRegistry::CounterName(LibraryList[i]));
        if (!record)
            return Fail(ERROR_CODE_GENERAL, "find counter", LibraryList[i]);
        const CString keyPath = SharedRegistry::CounterKeyPath(company, LibraryList[i]);
        ScopedRegKey key;
        const LONG created = RecordedRegistry::CreateKey(Record(), Change::Area::Shared, counterRoot, keyPath, key);
        if (created != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(created));
            return Fail(ERROR_CODE_GENERAL, "create key", keyPath);
        }

        // An installed product that is already counted is not counted twice;
        // a counter lost or at 0 counts it again.
        if (countedAlready && !(record->CounterBefore == 0 && record->CounterNow == 0))
            continue;
        const DWORD value = static_cast<DWORD>(record->CounterNow + 1);
        const LONG rc = RecordedRegistry::SetValue(Record(), Change::Area::Shared, counterRoot, key.Get(), keyPath,
                                                   COUNTER_VALUE, REG_DWORD,
                                                   reinterpret_cast<const BYTE*>(&value), sizeof(value));
        if (rc != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(rc));
            return Fail(ERROR_CODE_GENERAL, "set value", keyPath + "\\" + COUNTER_VALUE);
        }
        ++record->CounterNow;
    }
    return 1;
}
