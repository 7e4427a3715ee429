#include "chk/CheckerMain.h"

#include "base/SystemLibraries.h"
#include "chk/Console.h"
#include "chk/FolderCheck.h"
#include "chk/WingetManifest.h"
#include "script/ScriptKeys.h"

#include <cstring>

namespace {

const char USAGE[] =
    "usage: tarvelchk [--werror] [--quiet] [--utf8] <setup folder>\n"
    "       tarvelchk [--utf8] --winget <setup folder>\n"
    "  Checks the package whose setup folder (the folder of tarvel.exe and tarvel.eif) is given.\n"
    "  --werror  count warnings as errors\n"
    "  --quiet   print errors only\n"
    "  --utf8    write UTF-8 also to a console (output that is no console is UTF-8 anyway)\n"
    "  --winget  print the package's winget installer manifest instead\n"
    "Exit code: 0 no errors, 1 errors, 2 the folder or its script could not be read.";

enum ExitCode { CLEAN = 0, FOUND_ERRORS = 1, UNREADABLE = 2 };

} // namespace

namespace Chk {

int CheckerMain(int argc, char** argv)
{
    // Before anything can load a library: see SystemLibraries.h.
    SystemLibraries::RestrictSearch();

    bool werror = false, quiet = false, winget = false;
    const char* folder = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--werror") == 0) {
            werror = true;
        } else if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
        } else if (std::strcmp(argv[i], "--utf8") == 0) {
            PrintAlwaysUtf8();
        } else if (std::strcmp(argv[i], "--winget") == 0) {
            winget = true;
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

    if (winget)
        return PrintWingetManifest(folder);

    CFindings findings;
    switch (CheckSetupFolder(folder, findings)) {
    case FolderCheck::FolderUnreadable:
        PrintLine(CString("tarvelchk: error: cannot open the setup folder \"") + folder + "\"", true);
        return UNREADABLE;
    case FolderCheck::ScriptUnreadable:
        PrintLine(CString(SETUP_SCRIPT_FILE) + ": error: cannot read " + SETUP_SCRIPT_FILE + " in \"" + folder
                      + "\": the installer stops at once with \"File not found.\"",
                  true);
        return UNREADABLE;
    case FolderCheck::Checked:
        break;
    }

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

} // namespace Chk
