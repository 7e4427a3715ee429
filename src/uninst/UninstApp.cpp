#include "uninst/UninstApp.h"

#include "base/CommandLine.h"
#include "base/FileOps.h"
#include "base/MessageBoxes.h"
#include "base/PathHelpers.h"
#include "base/RunGuards.h"
#include "base/RunLog.h"
#include "base/SingleInstance.h"
#include "shared/SharedRegistry.h"
#include "uninst/MakerFolder.h"
#include "uninst/ProgressWindow.h"
#include "uninst/RemovePackage.h"
#include "uninst/SelfRemoval.h"
#include "uninst/UninstReport.h"
#include "uninst/UninstTexts.h"
#include "uninst/UninstallPlan.h"
#include "rollback/KilledRuns.h"
#include "install/UninstallLog.h"
#include "script/ScriptKeys.h"

#include <cstring>

namespace {

// The title of the boxes shown before the script, and its caption, are read.
const wchar_t UNINSTALLER_CAPTION[] = L"Tarvel Uninstall";

// An end message lists at most this many items; a longer list ends in "...".
constexpr size_t MAX_LISTED_ITEMS = 15;

int Box(const UninstallPlan* plan, const CString& text, UINT type)
{
    return MessageBoxes::Show(nullptr, text, TextOf(plan, UninstText::Caption), type | MB_SETFOREGROUND);
}

CString Listed(const CString& heading, const std::vector<CString>& items)
{
    CString text = "\n\n" + heading;
    for (size_t i = 0; i < items.size() && i < MAX_LISTED_ITEMS; ++i)
        text += "\n" + items[i];
    if (items.size() > MAX_LISTED_ITEMS)
        text += "\n...";
    return text;
}

} // namespace

BOOL CUninstApp::InitInstance()
{
    const char* commandLine = m_lpCmdLine;
    while (*commandLine == ' ')
        ++commandLine;
    const size_t cleanupLength = strlen(SelfRemoval::CLEANUP_SWITCH);
    if (strncmp(commandLine, SelfRemoval::CLEANUP_SWITCH, cleanupLength) == 0) {
        ExitCode = SelfRemoval::RunCleanup(commandLine + cleanupLength);
        return FALSE;
    }
    // The installer's switches with their meaning; "/WD" has no half-silent
    // uninstall to select and runs as an interactive one.
    const CommandLine::Switches switches = CommandLine::Parse(m_lpCmdLine);
    const bool silent = switches.Mode == CommandLine::RunMode::Silent;
    if (!UninstReport::Start(switches, silent, m_lpCmdLine, LogPath)) {
        ExitCode = UNINST_NOTHING_CHANGED;
        return FALSE;
    }
    if (!RunLog::IsOpen())
        LogPath.Empty();

    HANDLE mutex = SingleInstance::Acquire();
    if (!mutex) {
        if (!silent)
            Box(nullptr, TextOf(nullptr, UninstText::Running), MB_OK | MB_ICONINFORMATION);
        ExitCode = UNINST_ANOTHER_RUNNING;
    } else {
        ExitCode = Uninstall(silent);
        SingleInstance::Release(mutex);
    }
    // Once the clean-up copy has the log, the copy ends it: its last line
    // comes after the removal of this program.
    if (RunLog::IsOpen() && !HandedOver)
        UninstReport::End(ExitCode);
    RunLog::Close();
    return FALSE;
}

int CUninstApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return ExitCode;
}

int CUninstApp::Uninstall(bool silent)
{
    return UninstallBy(FileOps::OwnProgramPath(), silent, LogPath, HandedOver);
}

int UninstallBy(const CString& program, bool silent, const CString& logPath, bool& handedOver)
{
    const int cut = PathHelpers::LastBackslash(program);
    const CString folder = cut >= 0 ? program.Left(cut) : CString(".");

    // Before the log and the script are read: in another code page their
    // names would not be the ones the install wrote.
    const std::vector<CString> packageFiles = {folder + "\\" + UNINSTALL_LOG_NAME,
                                               folder + "\\" + SETUP_SCRIPT_FILE};
    if (const wchar_t* refusal = RunGuards::Refusal(packageFiles)) {
        MessageBoxes::ShowWide(nullptr, refusal, UNINSTALLER_CAPTION, MB_OK | MB_ICONSTOP | MB_SETFOREGROUND);
        return UNINST_NOTHING_CHANGED;
    }

    // An install killed in this folder left the earlier installation half
    // replaced, and its log may be the new one: both are put back first.
    KilledRuns::RecoverUnder(folder);

    UninstallPlan plan;
    switch (ReadUninstallPlan(folder, program, plan)) {
    case PlanResult::Ready:
        break;
    case PlanResult::NoLog:
        RunLog::Line("plan", "no record of an installation in " + folder);
        Box(&plan, TextOf(&plan, UninstText::Nothing), MB_OK | MB_ICONINFORMATION);
        return UNINST_NOTHING_CHANGED;
    case PlanResult::BadLog:
    case PlanResult::BadScript:
        RunLog::Line("plan", CString("refused: the record or the script in ") + folder
                                 + " cannot be read or names places outside the installation");
        Box(&plan, TextOf(&plan, UninstText::BadLog), MB_OK | MB_ICONINFORMATION);
        return UNINST_NOTHING_CHANGED;
    }

    if (!plan.SharedLevels.empty())
        KilledRuns::RecoverUnder(plan.SharedLevels.back());
    UninstReport::Plan(plan);
    if (!silent) {
        const CString question = plan.DisplayName.IsEmpty()
            ? TextOf(&plan, UninstText::Confirm)
            : plan.DisplayName + "\n\n" + TextOf(&plan, UninstText::Confirm);
        if (Box(&plan, question, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return UNINST_DECLINED;
    }

    CProgressWindow progress;
    if (!silent)
        progress.Open(TextOf(&plan, UninstText::Caption), TextOf(&plan, UninstText::Progress));
    RemovalOutcome outcome = RemovePackage(plan, program, [&](int done, int total) { progress.Show(done, total); });

    // The levels the install created or the script names, innermost first,
    // go after the program. The program-files folder as the install read it.
    CString programFiles = "C:\\";
    SharedRegistry::ReadProgramFilesDir(programFiles);
    const std::vector<CString> folders = FoldersRemovedWhenEmpty(plan, programFiles);
    handedOver = SelfRemoval::StartCleanupCopy(program, folders, logPath);
    if (!handedOver) {
        RunLog::Line("left", "no clean-up copy could be started; the uninstaller stays: " + program);
        outcome.Left.push_back(program);
    }
    progress.Close();

    if (!silent) {
        CString text = TextOf(&plan, UninstText::End);
        if (!outcome.Left.empty())
            text += Listed(TextOf(&plan, UninstText::Left), outcome.Left);
        if (!outcome.AtRestart.empty())
            text += Listed(TextOf(&plan, UninstText::Restart), outcome.AtRestart);
        Box(&plan, text, MB_OK | MB_ICONINFORMATION);
    }
    return outcome.IsComplete() ? UNINST_REMOVED : UNINST_ITEMS_LEFT;
}
