#include "chk/ScriptCheck.h"

#include "chk/ScriptCheckParts.h"

namespace Chk {

bool CheckScript(const std::string& bytes, const CScriptModel& model, CFindings& findings)
{
    if (!CheckBytes(bytes, findings))
        return false;
    CheckLines(bytes, model, findings);
    CheckNames(model, findings);
    CheckValues(model, findings);
    CheckEntryValues(model, findings);
    return true;
}

} // namespace Chk
