// Whether the package's installer and uninstaller carry an Authenticode
// signature. SmartScreen and Smart App Control judge a downloaded program by
// its signer: a package whose installer is signed but whose uninstaller is
// not (or the other way round) was signed half-way, usually by signing one
// program by hand and forgetting the other.
#pragma once

#include "chk/FileFormats.h"
#include "chk/Findings.h"
#include "chk/ScriptModel.h"

namespace Chk {

// Notes the signature of tarvel.exe in the current folder and of the
// script's uninstaller, and warns when only one of them has one.
void CheckSignatures(const CScriptModel& model, CFindings& findings);

} // namespace Chk
