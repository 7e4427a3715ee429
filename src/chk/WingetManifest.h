// The winget installer manifest of a package, made from its script: the
// switches and exit codes of the installer, and the uninstall entry's values
// by which winget tells that the package is installed and at which version.
#pragma once

#include "base/afxstr.h"
#include "chk/ScriptModel.h"

#include <vector>

namespace Chk {

// The manifest's lines (YAML); false, with the reason in 'why', when the
// script lacks a value winget cannot do without.
bool MakeWingetManifest(const CScriptModel& model, std::vector<CString>& lines, CString& why);

// `tarvelchk --winget <setup folder>`: prints the manifest; the exit code
// (0 printed, 1 the script lacks a value, 2 the script cannot be read).
int PrintWingetManifest(const char* setupFolder);

} // namespace Chk
