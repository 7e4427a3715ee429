#include "uninst/UninstReport.h"

#include "base/MessageBoxes.h"
#include "base/RunLog.h"
#include "base/Version.h"
#include "uninst/UninstExitCodes.h"
#include "uninst/UninstTexts.h"
#include "uninst/UninstallPlan.h"

namespace UninstReport {
namespace {

const char* ExitMeaning(int exitCode)
{
    switch (exitCode) {
    case UNINST_REMOVED:
        return "removed";
    case UNINST_ANOTHER_RUNNING:
        return "another installer or uninstaller is running, nothing changed";
    case UNINST_DECLINED:
        return "the user said No, nothing changed";
    case UNINST_NOTHING_CHANGED:
        return "nothing to remove, or the record cannot be trusted; nothing changed";
    case UNINST_ITEMS_LEFT:
        return "removed, with items left";
    default:
        return "unknown";
    }
}

CString Count(size_t count, const char* noun)
{
    CString text;
    text.Format("%u %s", static_cast<unsigned>(count), noun);
    return text;
}

} // namespace

bool Start(const CommandLine::Switches& switches, bool silent, const char* commandLine, CString& path)
{
    MessageBoxes::SetSuppressed(switches.SuppressesBoxes());
    if (!switches.IsLog)
        return true;
    if (!RunLog::OpenAsAsked(switches.LogPath, path, LOG_STEM)) {
        const DWORD error = GetLastError();
        // A silent run has no one to tell; the exit code says it.
        if (silent)
            return false;
        MessageBoxes::Show(nullptr,
                           "The log file cannot be written:\n" + path + "\n" + RunLog::ErrorText(error)
                               + "\nThe uninstall goes on without a log.",
                           TextOf(nullptr, UninstText::Caption), MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
        return true;
    }
    RunLog::Line("start", CString("Tarvel uninstaller ") + TARVEL_VERSION + ", command line: " + commandLine);
    CommandLine::LogMode(switches, silent ? CommandLine::RunMode::Silent : CommandLine::RunMode::Interactive);
    return true;
}

void Plan(const UninstallPlan& plan)
{
    RunLog::Line("plan", "installation folder: " + plan.InstallFolder + ", record: " + plan.LogPath);
    RunLog::Line("plan", Count(plan.Files.size(), "files, ") + Count(plan.Folders.size(), "folders, ")
                             + Count(plan.Libraries.size(), "shared libraries, ")
                             + Count(plan.SharedFiles.size(), "shared files, ")
                             + Count(plan.Products.size(), "product keys"));
}

void End(int exitCode)
{
    RunLog::End(exitCode, ExitMeaning(exitCode));
}

} // namespace UninstReport
