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
// The values of the uninstall entry that deployment tools compare.
void CheckEntryValues(const CScriptModel& model, CFindings& findings);
// TRUE for a version of 1 to 4 dotted numbers of 0 to 65535 ("2", "2.10",
// "1.0.3.12"), the form winget, Intune and Windows compare part by part.
bool IsDottedVersion(const CString& text);

} // namespace Chk
