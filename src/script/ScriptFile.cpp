#include "script/ScriptFile.h"

#include "script/ScriptTable.h"

bool ReadInstalledScript(const CString& path, ScriptEntry* entries, int& count)
{
    CScriptTable table(entries, count);
    table.Clear();
    CFile file;
    // Shared with whoever has it open: an installer of the next version may
    // be reading its own copy at the same time.
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone))
        return false;
    CScriptFileInput input(file);
    return table.Read(input, [](const char*, const char*) {}) != FALSE;
}
