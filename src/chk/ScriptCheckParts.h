// The parts of the script check, one file each (ScriptCheck.cpp runs them).
#pragma once

#include "chk/Findings.h"
#include "chk/ScriptModel.h"

#include <string>

namespace Chk {

// The bytes; false when they cannot be read as lines at all.
bool CheckBytes(const std::string& bytes, CFindings& findings);
// What the reader cuts, drops or ignores, line by line.
void CheckLines(const std::string& bytes, const CScriptModel& model, CFindings& findings);
// Section and key names.
void CheckNames(const CScriptModel& model, CFindings& findings);
// Values, and what empty or missing keys mean.
void CheckValues(const CScriptModel& model, CFindings& findings);

} // namespace Chk
