// The document's side of the setup script table: "tarvel.eif" is read from the
// installer's folder into the document's 200 slots, through the same table
// code that the checker runs.
#include "install/TarvelDoc.h"
#include "base/RunLog.h"
#include "script/ScriptFile.h"
#include "script/ScriptKeys.h"
#include "script/ScriptPieces.h"
#include "script/ScriptTable.h"

int CTarvelDoc::ReadScript()
{
    CScriptTable table(SetupScript, ScriptCount);
    table.Clear();

    CFile file;
    if (!file.Open(SETUP_SCRIPT_FILE, CFile::modeRead)) {
        RunLog::Failure("open setup script", SETUP_SCRIPT_FILE, GetLastError());
        ShowTwoLineMessage("File open error.", "");
        return FALSE;
    }
    CScriptFileInput input(file);
    return table.Read(input, [this](const char* first, const char* second) {
        RunLog::Failure("read setup script", SETUP_SCRIPT_FILE, GetLastError());
        ShowTwoLineMessage(first, second);
    });
}

int CTarvelDoc::AddScriptEntry(const char* key, const char* value)
{
    return CScriptTable(SetupScript, ScriptCount).AddEntry(key, value);
}

int CTarvelDoc::BeginSection(const char* name)
{
    return CScriptTable(SetupScript, ScriptCount).BeginSection(name);
}
