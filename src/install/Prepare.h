// The install preparation: the destination is completed and created, every
// item of the package is listed with its size, and the destination drive is
// checked for room, all before the first byte is copied.
#pragma once

#include "install/RunContext.h"

#include <functional>

namespace Preparation {

// 0 when the package is ready to copy; 1 when the destination is missing
// and 'agreeToCreate' (asked only then; none: create without asking) said
// no; -1 with the failure kept in 'run'.
int Prepare(RunContext& run, const std::function<bool()>& agreeToCreate);

// Lists the items below 'pattern' depth first into 'list' from 'position'
// on, a folder before what it holds; the number listed, or -1 with the
// failure kept. 'endPosition' gets the position after the last one.
int ScanSourceFolder(RunContext& run, const CString& pattern, std::vector<SourceEntry>& list, int position,
                     int* endPosition);

} // namespace Preparation
