// Package loading: the setup script read into the run's table, the settings
// copied out of it, and every package file it names looked for, before
// anything is shown or written. A load that cannot go on leaves its reason in
// run.Failure, with the exact text of the box the driver shows for it, and
// returns FALSE; nothing here shows a box, so the checker can run the same
// load and read the reason. The failure lines of the run log are written
// where the reason is found, as for every other step.
#pragma once

#include "install/RunContext.h"

namespace PackageLoading {

// The whole load, in the installer's order: the script, the dialogs'
// settings, the values' safety, the uninstaller, the banner, the writable
// files, the shared components, the entry's owner and the default
// destination. Every failure is ERROR_CODE_GENERAL with a Text (which may be
// empty when the script gives ERR_MES_ERROR_OCCURRED none).
BOOL Load(RunContext& run);

// "tarvel.eif" from the current folder into the run's table; what was parsed
// before a read error stays in the table.
BOOL ReadScript(RunContext& run);
// FALSE when the table is full.
BOOL AddScriptEntry(RunContext& run, const char* key, const char* value);
BOOL BeginSection(RunContext& run, const char* name);

// The caption, the destination's base and the three dialog flags.
void LoadDialogSettings(RunContext& run);

// Whether the package carries shared libraries, where they go, whether its
// product is installed already, and each library's user counter now
// (install/SharedSettings.cpp).
BOOL LoadSharedComponentSettings(RunContext& run);

// The two refusals every part of the load shares (install/LoadRefusals.cpp).
// A package file that the existence test did not find is worded by [ERROR]
// as the system error says; a script without that text (or without [ERROR]
// at all, as one read as a single line) still gets a text that names the
// file. A key that must be there and is not gets 'text', or without one
// "[KEY]Key not found." and "Abort installation."; its log line tells when
// the script read as less than it holds. Both always FALSE.
BOOL RefuseMissingFile(RunContext& run, const CString& path, DWORD systemError);
BOOL RefuseMissingKey(RunContext& run, const char* key, const CString& text = CString());

// A refusal with this text, for the box, and the system's error that led
// to it, for the log. Always FALSE.
BOOL Refuse(RunContext& run, const CString& text, const char* operation, const CString& path,
            DWORD systemError);

} // namespace PackageLoading
