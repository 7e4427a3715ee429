// The checker's findings about the script itself: its bytes (code page, line
// ends), what the reader cuts or drops, names the installer never reads, and
// values it will read in another way than the author meant. Plain C++, so
// that the fuzz target runs it on every input too.
#pragma once

#include "chk/Findings.h"
#include "chk/ScriptModel.h"

#include <string>

namespace Chk {

// Adds the findings about 'bytes', the whole script file, which 'model' has
// read. False when the script cannot be read as lines at all (its line ends
// are carriage returns alone): then the table is no use to check further.
bool CheckScript(const std::string& bytes, const CScriptModel& model, CFindings& findings);

} // namespace Chk
