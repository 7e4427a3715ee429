// The package's entry in the list of installed software: every value Tarvel
// writes there, in one list. The installer writes from it (through the
// change record, so its undo takes each value back), the uninstaller removes
// by it, and the checker reads what an administrator's tools will see. A
// value added to the list is written, undone and removed without another edit.
#pragma once

#include "base/afxstr.h"
#include "rollback/ChangeRecord.h"
#include "script/ScriptTable.h"

#include <windows.h>

#include <vector>

namespace UninstallEntry {

// What the values are made of: the script, where the package went, what the
// run put there and when.
struct Facts
{
    const ScriptEntry* Script = nullptr;
    int ScriptCount = 0;
    CString InstallFolder; // ends in a backslash
    ULONGLONG InstalledBytes = 0;
    SYSTEMTIME Today = {}; // the local date
    CString Value(const char* section, const char* key) const;
};

struct Value
{
    const char* Name;
    DWORD Type; // REG_SZ or REG_DWORD
    // Empty text means the entry holds no such value (an optional script key
    // left out); otherwise an empty text is written as it is.
    bool OmittedWhenEmpty;
    // A failing write ends the run as the entry's first values do; only a
    // value that tools can do without is let go.
    bool MayFail;
    CString (*Text)(const Facts& facts);  // REG_SZ
    DWORD (*Number)(const Facts& facts);  // REG_DWORD
};

// Every value, in the order they are written.
const std::vector<Value>& Values();

// The entry's key below the run's root for the script's UNINSTALL_KEY.
CString KeyPath(const CString& keyName);

// The value's data as the registry takes it; false when the entry holds none.
bool MakeData(const Value& value, const Facts& facts, DWORD& type, std::vector<BYTE>& data);

// The text of a REG_SZ value of the list for these facts, empty when absent.
CString TextOf(const std::vector<Value>& values, const char* name, const Facts& facts);

// Writes each value into the open key at keyPath under 'root', each recorded
// before it is written. ERROR_SUCCESS, or the error of the first write that may not fail,
// its value's name in 'failedName'.
LONG Write(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
           const Facts& facts, const std::vector<Value>& values, CString& failedName);

// The bytes of the files that the record shows under the installation
// folder: copied now, or left in place because they were already right.
ULONGLONG InstalledBytes(const ChangeRecord& record, const CString& installFolder);

// Kilobytes as the entry's "EstimatedSize" counts them: rounded up, and at
// most what a DWORD holds.
DWORD KilobytesRoundedUp(ULONGLONG bytes);

// The arguments that run the uninstaller without a window or a box.
constexpr char QUIET_UNINSTALL_ARGUMENTS[] = "/PSM /SUPPRESSMSGBOXES";

} // namespace UninstallEntry
