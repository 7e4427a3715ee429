// The run log's line for each change the run makes and for each change its
// undo takes back: the record's observer while a log is open.
#pragma once

#include "rollback/ChangeRecord.h"

namespace ChangeLines {

void Write(const Change& change, bool undone);

// A registry value's content as the log shows it: the text of a string, the
// number of a DWORD, the size of anything else; "absent" for no value.
CString ValueText(const PriorValue& value);

} // namespace ChangeLines
