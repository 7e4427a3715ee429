#include "rollback/RecordedRegistry.h"

#include "base/PathHelpers.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"

namespace RecordedRegistry {

namespace {

bool KeyExists(HKEY root, const CString& keyPath)
{
    ScopedRegKey key;
    return RegOpenKeyExA(root, keyPath, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

} // namespace

LONG CreateKey(ChangeRecord& record, Change::Area area, HKEY root, const CString& keyPath, ScopedRegKey& key)
{
    // The levels are recorded outermost first, before the key is made: a
    // create that fails half-way still has its made levels taken back.
    std::vector<CString> missing;
    CString level = keyPath;
    while (!level.IsEmpty() && !KeyExists(root, level)) {
        missing.push_back(level);
        const int cut = PathHelpers::LastBackslash(level);
        if (cut <= 0)
            break;
        level = level.Left(cut);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        record.KeyCreated(area, root, *it);
    DWORD disposition = 0;
    return Sys().RegCreateKeyExA(root, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, key.Receive(), &disposition);
}

LONG SetValue(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
              const char* name, DWORD type, const BYTE* data, DWORD size)
{
    PriorValue written;
    written.Root = root;
    written.KeyPath = keyPath;
    written.Name = name;
    written.Existed = true;
    written.Type = type;
    written.Data.assign(data, data + size);
    record.ValueSet(area, Undo::CaptureValue(root, keyPath, name), written);
    return Sys().RegSetValueExA(key, name, 0, type, data, size);
}

LONG DeleteValue(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
                 const char* name)
{
    const PriorValue prior = Undo::CaptureValue(root, keyPath, name);
    if (!prior.Existed)
        return ERROR_SUCCESS;
    PriorValue deleted;
    deleted.Root = root;
    deleted.KeyPath = keyPath;
    deleted.Name = name;
    record.ValueSet(area, prior, deleted);
    return Sys().RegDeleteValueA(key, name);
}

LONG SetText(ChangeRecord& record, Change::Area area, HKEY root, HKEY key, const CString& keyPath,
             const char* name, const CString& text)
{
    return SetValue(record, area, root, key, keyPath, name, REG_SZ,
                    reinterpret_cast<const BYTE*>(static_cast<const char*>(text)),
                    static_cast<DWORD>(text.GetLength()) + 1);
}

} // namespace RecordedRegistry
