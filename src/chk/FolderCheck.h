// The checker's whole reading of one package: its setup folder entered as
// the installer runs in it, the script read and checked, then the files the
// script names, and last the installer's own package loading. The program
// prints what it finds.
#pragma once

#include "chk/Findings.h"

namespace Chk {

enum class FolderCheck {
    Checked,          // the findings say the rest
    FolderUnreadable, // the setup folder cannot be entered
    ScriptUnreadable, // the folder holds no setup script that can be read
};

// Adds the findings about the package whose setup folder is 'folder'. The
// setup folder is the current folder while the check runs; the previous one
// is current again afterwards.
FolderCheck CheckSetupFolder(const char* folder, CFindings& findings);

} // namespace Chk
