// The user counters of the shared libraries: one per library under the
// maker's key, raised once for each product that uses it, and the undo of
// counters, registrations and shared files when an install fails.
#include "app/TarvelDoc.h"

#include "app/PathHelpers.h"
#include "app/ScopedHandles.h"
#include "app/SystemCalls.h"
#include "script/ScriptKeys.h"
#include "shared/SharedRegistry.h"

namespace {

const char COUNTER_VALUE[] = "SRCHCOUNTER";

BOOL StoreCounter(HKEY key, LONG counter)
{
    DWORD value = static_cast<DWORD>(counter);
    return Sys().RegSetValueExA(key, COUNTER_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                sizeof(value))
        == ERROR_SUCCESS;
}

// The number of sub-keys of the maker's COUNTER key; 0 when it cannot be opened.
int CountCounterKeys(const CString& parentPath)
{
    ScopedRegKey parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, parentPath, 0, KEY_ALL_ACCESS, parent.Receive()) != ERROR_SUCCESS)
        return 0;
    int count = 0;
    for (DWORD index = 0;; ++index) {
        char name[250];
        DWORD length = sizeof(name);
        LONG rc = RegEnumKeyExA(parent.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        // A name too long for the buffer is still a sub-key.
        if (rc != ERROR_SUCCESS && rc != ERROR_MORE_DATA)
            break;
        ++count;
    }
    return count;
}

// TRUE when this run's shared copy put the file there: the shared log text
// names it as a copied file, relative to the shared folder.
bool CopiedByThisRun(const CTarvelDoc& doc, const CString& path)
{
    const CString& log = doc.SharedLogText;
    for (int start = 0;;) {
        int end = log.Find("? ", start);
        if (end < 0)
            return false;
        CString entry = log.Mid(start, end - start);
        start = end + 2;
        CString kind = entry.Left(4);
        if (kind.CompareNoCase("<f>:") == 0 || kind.CompareNoCase("<d>:") == 0)
            continue;
        if ((doc.SharedFolder + entry).CompareNoCase(path) == 0)
            return true;
    }
}

} // namespace

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
            return 0;
        ScopedRegKey key;
        DWORD disposition = 0;
        if (Sys().RegCreateKeyExA(HKEY_LOCAL_MACHINE, SharedRegistry::CounterKeyPath(company, LibraryList[i]), 0,
                                  nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, key.Receive(),
                                  &disposition)
            != ERROR_SUCCESS)
            return 0;

        // An installed product that is already counted is not counted twice;
        // a counter lost or at 0 counts it again.
        if (IsProductInstalled && !(record->CounterBefore == 0 && record->CounterNow == 0))
            continue;
        ++record->CounterNow;
        if (!StoreCounter(key.Get(), record->CounterNow)) {
            --record->CounterNow;
            return 0;
        }
    }
    return 1;
}

void CTarvelDoc::RollBackSharedComponents()
{
    CString company = GetScriptValue(SEC_INSTALL, KEY_COMPANY_NAME);
    for (int i = 0; i < LibraryList.GetSize(); ++i) {
        CString name = SharedRegistry::CounterName(LibraryList[i]);
        CounterRecord* record = FindCounterEntry(name);
        if (!record)
            continue;
        CString keyPath = SharedRegistry::CounterKeyPath(company, LibraryList[i]);
        ScopedRegKey key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_ALL_ACCESS, key.Receive()) != ERROR_SUCCESS)
            continue;

        if (record->CounterBefore > 0) {
            // Other products use the library: only this run's count goes back.
            // That includes an installed product at 1, which this run did not
            // count: its earlier installation keeps its library.
            if (record->CounterNow > record->CounterBefore) {
                --record->CounterNow;
                StoreCounter(key.Get(), record->CounterNow);
            }
            continue;
        }
        if (record->CounterBefore < 0)
            continue;

        // Nobody else counts this library: it goes, counter, registration and file.
        key.Close();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath);
        for (int j = 0; j < RegistrationList.GetSize(); ++j) {
            const CString& path = RegistrationList[j];
            int start = LastComponentStart(path);
            CString file = start < 0 ? path : path.Mid(start);
            if (file.CompareNoCase(name) != 0)
                continue;
            // A library that was there before this run (an equal or newer
            // one it kept) belongs to whoever installed it: it stays, and
            // stays registered, even when its counter had been lost.
            if (!CopiedByThisRun(*this, path)) {
                RegistrationList.RemoveAt(j);
                break;
            }
            CallRegistrationEntry(path, FALSE);
            DWORD attributes = GetFileAttributesA(path);
            if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
                SetFileAttributesA(path, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
            DeleteFileA(path);
            RegistrationList.RemoveAt(j);
            break;
        }
    }

    // The last product of the maker is gone: the shared files go with it.
    CString parentPath = SharedRegistry::CounterParentPath(company);
    if (CountCounterKeys(parentPath) == 0) {
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, parentPath);
        for (int j = 0; j < RegistrationList.GetSize(); ++j)
            CallRegistrationEntry(RegistrationList[j], FALSE);
        RollBackSharedFiles();
    }
}
