// The checker's findings about the package's files: every file and folder
// the installer will look for, looked for as the installer will, and what the
// install will do with them. Runs with the setup folder as the current
// folder, as the installer does.
#pragma once

#include "chk/Findings.h"
#include "chk/ScriptModel.h"

namespace Chk {

struct PackageOptions
{
    // The banner control's size in pixels on this system; 0 when unknown.
    int BannerWidth = 0;
    int BannerHeight = 0;
};

void CheckPackage(const CScriptModel& model, const PackageOptions& options, CFindings& findings);

// What the installer's own package loading says of the package in the
// current folder: the text of the box it would stop with, or FALSE when it
// would go on. Reads only: no file, registry value or window is made.
bool InstallerLoadFails(CString& message);

} // namespace Chk
