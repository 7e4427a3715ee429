// The two checks the installer and the uninstaller make before they change
// anything: that they run with administrator rights, and that the process
// code page reads the package's Shift-JIS texts. Either refusal is one log
// line and a built-in text, in Japanese and English, that the caller shows
// in one box before it ends the run with its "nothing changed" exit code.
#pragma once

#include <windows.h>

#include <vector>

#include "base/afxstr.h"

namespace RunGuards {

// The code page every text of a package is written in.
constexpr UINT PACKAGE_CODE_PAGE = 932;

// TRUE when the process token is elevated, or (where the system knows no
// elevation, or has it turned off) is an enabled member of Administrators.
bool HasAdminRights();

// TRUE when the file holds a byte above 0x7F, which the process code page
// must read as Shift-JIS; a file that is not there or cannot be read holds
// none (the run's own reading then tells).
bool HoldsNonAscii(const char* path);

// The built-in texts of the refusals.
const wchar_t* NoRightsText();
const wchar_t* CodePageText();

// Both checks, rights first: null when the run may go on, else the text of
// the refusal, after its log line. 'files' are the package's files the run
// is about to read, in the installation's code page.
const wchar_t* Refusal(const std::vector<CString>& files);

} // namespace RunGuards
