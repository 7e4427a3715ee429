#include "uninst/UninstApp.h"

#include "base/PathHelpers.h"
#include "app/SingleInstance.h"
#include "base/SystemCalls.h"
#include "uninst/ProgressWindow.h"
#include "uninst/RemovePackage.h"
#include "uninst/SelfRemoval.h"
#include "uninst/UninstTexts.h"
#include "uninst/UninstallPlan.h"

#include <cstring>

namespace {

constexpr char SILENT_SWITCH[] = "/PSM";
// An end message lists at most this many items; a longer list ends in "...".
constexpr size_t MAX_LISTED_ITEMS = 15;

void Box(const UninstallPlan* plan, const CString& text, UINT type)
{
    Sys().MessageBoxA(nullptr, text, TextOf(plan, UninstText::Caption), type | MB_SETFOREGROUND);
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

// ASCII letters without regard to case, nothing else: no locale decides.
bool IsSwitch(const char* text, const char* name)
{
    size_t i = 0;
    for (; text[i] && name[i]; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if (c != name[i])
            return false;
    }
    return text[i] == name[i];
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
    const bool silent = IsSwitch(m_lpCmdLine, SILENT_SWITCH);

    HANDLE mutex = SingleInstance::Acquire();
    if (!mutex) {
        if (!silent)
            Box(nullptr, TextOf(nullptr, UninstText::Running), MB_OK | MB_ICONINFORMATION);
        ExitCode = UNINST_ANOTHER_RUNNING;
        return FALSE;
    }
    ExitCode = Uninstall(silent);
    SingleInstance::Release(mutex);
    return FALSE;
}

int CUninstApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return ExitCode;
}

int CUninstApp::Uninstall(bool silent)
{
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, sizeof(modulePath));
    const CString program = modulePath;
    const int cut = PathHelpers::LastBackslash(program);
    const CString folder = cut >= 0 ? program.Left(cut) : CString(".");

    UninstallPlan plan;
    switch (ReadUninstallPlan(folder, program, plan)) {
    case PlanResult::Ready:
        break;
    case PlanResult::NoLog:
        Box(&plan, TextOf(&plan, UninstText::Nothing), MB_OK | MB_ICONINFORMATION);
        return UNINST_NOTHING_CHANGED;
    case PlanResult::BadLog:
    case PlanResult::BadScript:
        Box(&plan, TextOf(&plan, UninstText::BadLog), MB_OK | MB_ICONINFORMATION);
        return UNINST_NOTHING_CHANGED;
    }

    if (!silent) {
        const CString question = plan.DisplayName.IsEmpty()
            ? TextOf(&plan, UninstText::Confirm)
            : plan.DisplayName + "\n\n" + TextOf(&plan, UninstText::Confirm);
        if (Sys().MessageBoxA(nullptr, question, TextOf(&plan, UninstText::Caption),
                              MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND) != IDYES)
            return UNINST_DECLINED;
    }

    CProgressWindow progress;
    if (!silent)
        progress.Open(TextOf(&plan, UninstText::Caption), TextOf(&plan, UninstText::Progress));
    RemovalOutcome outcome = RemovePackage(plan, program, [&](int done, int total) { progress.Show(done, total); });

    // The levels the install created, innermost first, go after the program.
    std::vector<CString> folders(plan.CreatedLevels.rbegin(), plan.CreatedLevels.rend());
    if (!SelfRemoval::StartCleanupCopy(program, folders))
        outcome.Left.push_back(program);
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
