// tarvelchk: reads a package's setup folder as tarvel.exe will, and reports
// what would go wrong, before the package ships.
//
//   tarvelchk [--werror] [--quiet] <setup folder>
//
// Exit code 0: no errors; 1: errors (or warnings with --werror); 2: the folder
// or its script could not be read.
#include "base/ScopedHandles.h"
#include "chk/Console.h"
#include "chk/Findings.h"
#include "chk/PackageCheck.h"
#include "chk/ScriptCheck.h"
#include "chk/ScriptModel.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"

#include <windows.h>

#include <cstring>
#include <string>

using namespace Chk;

namespace {

const char USAGE[] =
    "usage: tarvelchk [--werror] [--quiet] <setup folder>\n"
    "  Checks the package whose setup folder (the folder of tarvel.exe and tarvel.eif) is given.\n"
    "  --werror  count warnings as errors\n"
    "  --quiet   print errors only\n"
    "Exit code: 0 no errors, 1 errors, 2 the folder or its script could not be read.";

enum ExitCode { CLEAN = 0, FOUND_ERRORS = 1, UNREADABLE = 2 };

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The banner control of the installer's own install-folder dialog, measured
// on this system (its size in pixels follows the dialog font).
void MeasureBanner(PackageOptions& options)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INSTALL_FOLDER), nullptr,
                                     QuietDialog, 0);
    if (!dialog)
        return;
    RECT client = {};
    if (HWND banner = GetDlgItem(dialog, IDC_BANNER); banner && GetClientRect(banner, &client)) {
        options.BannerWidth = client.right - client.left;
        options.BannerHeight = client.bottom - client.top;
    }
    DestroyWindow(dialog);
}

bool ReadScriptBytes(std::string& bytes)
{
    ScopedHandle file(CreateFileA(SETUP_SCRIPT_FILE, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file.IsValid())
        return false;
    char buffer[16384];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) != FALSE) && read > 0)
        bytes.append(buffer, read);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    bool werror = false, quiet = false;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--werror") == 0) {
            werror = true;
        } else if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
        } else if (argv[i][0] == '-' && argv[i][1] == '-' && !folder) {
            PrintLine(USAGE, true);
            return std::strcmp(argv[i], "--help") == 0 ? CLEAN : UNREADABLE;
        } else if (!folder) {
            folder = argv[i];
        } else {
            PrintLine(USAGE, true);
            return UNREADABLE;
        }
    }
    if (!folder) {
        PrintLine(USAGE, true);
        return UNREADABLE;
    }

    // The installer runs in its own folder and names everything from there.
    if (!SetCurrentDirectoryA(folder)) {
        PrintLine(CString("tarvelchk: error: cannot open the setup folder \"") + folder + "\"", true);
        return UNREADABLE;
    }
    std::string bytes;
    if (!ReadScriptBytes(bytes)) {
        PrintLine(CString(SETUP_SCRIPT_FILE) + ": error: cannot read " + SETUP_SCRIPT_FILE + " in \"" + folder
                      + "\": the installer stops at once with \"File not found.\"",
                  true);
        return UNREADABLE;
    }

    CScriptModel model;
    model.Read(bytes);
    CFindings findings;
    if (CheckScript(bytes, model, findings)) {
        PackageOptions options;
        MeasureBanner(options);
        CheckPackage(model, options, findings);
    }

    // The installer's own package loading has the last word: a package it
    // refuses is never passed, whatever the checks above missed.
    CString refusal;
    if (InstallerLoadFails(refusal) && findings.Count(Severity::Error) == 0)
        findings.Error(0, "load-fails", "the installer stops at once with the message " + Quote(refusal));

    int errors = 0, warnings = 0;
    for (Finding finding : findings.Sorted()) {
        if (werror && finding.Level == Severity::Warning)
            finding.Level = Severity::Error;
        if (finding.Level == Severity::Error)
            ++errors;
        else if (finding.Level == Severity::Warning)
            ++warnings;
        if (!quiet || finding.Level == Severity::Error)
            PrintLine(FormatFinding(SETUP_SCRIPT_FILE, finding));
    }
    if (!quiet) {
        CString verdict;
        verdict.Format("%s: %d error%s, %d warning%s", SETUP_SCRIPT_FILE, errors, errors == 1 ? "" : "s",
                       warnings, warnings == 1 ? "" : "s");
        PrintLine(verdict);
    }
    return errors ? FOUND_ERRORS : CLEAN;
}
