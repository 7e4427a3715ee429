#include "install/EntryKeys.h"

#include "base/ScopedHandles.h"
#include "install/RegistrationNames.h"
#include "install/UninstallEntry.h"
#include "rollback/RecordedRegistry.h"
#include "script/ScriptKeys.h"

namespace {

constexpr Change::Area AREA = Change::Area::Shortcuts;

// A key that was there before (a reinstall) gets its earlier values back on
// failure; one this run made goes.
BOOL WriteEntry(RunContext& run, const InstallLayout& layout)
{
    ChangeRecord& record = run.Record();
    if (layout.EntryKey.IsEmpty()) {
        SetLastError(ERROR_INVALID_NAME);
        return run.Fail(ERROR_CODE_GENERAL, "create key", UninstallEntry::KeyPath(
            run.GetScriptValue(SEC_UNINSTALL, KEY_UNINSTALL_KEY)));
    }
    ScopedRegKey key;
    const LONG created = RecordedRegistry::CreateKey(record, AREA, layout.Root, layout.EntryKey, key);
    if (created != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(created));
        return run.Fail(ERROR_CODE_GENERAL, "create key", layout.EntryKey);
    }
    UninstallEntry::Facts facts;
    facts.Script = run.SetupScript;
    facts.ScriptCount = run.ScriptCount;
    facts.InstallFolder = layout.InstallFolder;
    facts.InstalledBytes = UninstallEntry::InstalledBytes(record, layout.InstallFolder);
    GetLocalTime(&facts.Today);
    CString failedValue;
    const LONG written = UninstallEntry::Write(record, AREA, layout.Root, key.Get(), layout.EntryKey, facts,
                                               UninstallEntry::Values(), failedValue);
    if (written != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(written));
        return run.Fail(ERROR_CODE_GENERAL, "set value", layout.EntryKey + "\\" + failedValue);
    }
    return TRUE;
}

void WriteProductKeys(RunContext& run, const InstallLayout& layout)
{
    for (const ProductKey& product : layout.Products) {
        ScopedRegKey key;
        if (RecordedRegistry::CreateKey(run.Record(), AREA, layout.Root, product.KeyPath, key) == ERROR_SUCCESS)
            RecordedRegistry::SetText(run.Record(), AREA, layout.Root, key.Get(), product.KeyPath, VALUE_KEY_FILE,
                                      product.KeyFile);
    }
}

} // namespace

namespace EntryKeys {

BOOL Write(RunContext& run, const InstallLayout& layout)
{
    if (!WriteEntry(run, layout))
        return FALSE;
    WriteProductKeys(run, layout);
    return TRUE;
}

} // namespace EntryKeys
