// The products whose key files an install records: "PRODUCT_NUM" says how
// many, and product i is named by "PRODUCT_NAME<i>", "PRODUCT_LANGUAGE<i>"
// and "PRODUCT_KEY_FILE<i>" in [INSTALL].
#pragma once

#include "script/ScriptTable.h"

#include <vector>

namespace ScriptProducts {

// "PRODUCT_NUM" read as a decimal integer: leading blanks and a sign allowed,
// reading stops at the first non-digit, no number at all is 0, a negative
// number is 0, an empty text is 2.
int Count(const CString& text);

// The product numbers from 1 to 'count', in ascending order, for which the
// table has an [INSTALL] "PRODUCT_NAME<i>" key at all: the only ones that
// can be complete. A script of SCRIPT_MAX_ENTRIES entries names no more
// products than that, so a "PRODUCT_NUM" of 2147483647 costs one pass over
// the table instead of a loop to the top of int (which would overflow).
std::vector<int> Indexes(const ScriptEntry* entries, int entryCount, int count);

} // namespace ScriptProducts
