// The user counters of the shared libraries: one per library under the
// maker's key, raised once for each product that uses it, and the undo of
// the shared components when an install fails.
#include "install/TarvelDoc.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "rollback/RecordedRegistry.h"
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

int CTarvelDoc::IncrementSharedCounters()
{
    CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    for (int i = 0; i < LibraryList.GetSize(); ++i) {
        CounterRecord* record = FindCounterEntry(SharedRegistry::CounterName(LibraryList[i]));
        if (!record)
            return Fail(ERROR_CODE_GENERAL, "find counter", LibraryList[i]);
        const CString keyPath = SharedRegistry::CounterKeyPath(company, LibraryList[i]);
        ScopedRegKey key;
        const LONG created = RecordedRegistry::CreateKey(Record(), Change::Area::Shared, keyPath, key);
        if (created != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(created));
            return Fail(ERROR_CODE_GENERAL, "create key", keyPath);
        }

        // An installed product that is already counted is not counted twice;
        // a counter lost or at 0 counts it again.
        if (IsProductInstalled && !(record->CounterBefore == 0 && record->CounterNow == 0))
            continue;
        const DWORD value = static_cast<DWORD>(record->CounterNow + 1);
        const LONG rc = RecordedRegistry::SetValue(Record(), Change::Area::Shared, key.Get(), keyPath,
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

void CTarvelDoc::RollBackSharedComponents()
{
    // The record holds each counter's earlier value, each registration and
    // each file and folder level of this run: exactly those go back, so a
    // library another product counts or installed keeps its registration.
    Record().UndoArea(Change::Area::Shared);
}
