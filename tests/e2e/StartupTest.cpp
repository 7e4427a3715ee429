// Start-up seen from outside: a package without its script, a second start
// while a run is on, and where the installer looks for its script.
#include "E2eSupport.h"
#include "Text.h"

namespace {

using e2e::InstallerTest;

constexpr DWORD kTimeoutMs = 30000;
const char kMissingScriptText[] = "File not found.\nAbort installation.";

// --- a package folder without tarvel.eif -----------------------------------------

class MissingScript : public InstallerTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_TRUE(package.CopyInstaller());
        ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe")); // a package that only lacks its script
    }
};

// Silent and half-silent runs show error boxes too, so every mode ends the same way.
TEST_P(MissingScript, OneErrorBoxThenTheProcessEnds)
{
    dlg::RunResult run = package.Run(GetParam());
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(run.windows.size(), 1u) << e2e::Describe(run);

    const dlg::WindowInfo& box = run.windows[0].info;
    EXPECT_TRUE(box.IsMessageBox()) << dlg::Describe(box);
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.MessageText(), kMissingScriptText);
    EXPECT_TRUE(box.Has(IDOK) && !box.Has(IDCANCEL) && !box.Has(IDYES)) << "one OK button:\n"
                                                                        << dlg::Describe(box);
    EXPECT_EQ(run.exitCode, 3u) << "a package that cannot be loaded fails before the copy";
}

std::string ModeName(const ::testing::TestParamInfo<const char*>& info)
{
    static const char* const names[] = {"Interactive", "Silent", "HalfSilent", "SilentWithBlank"};
    return names[info.index];
}

INSTANTIATE_TEST_SUITE_P(EveryMode, MissingScript, ::testing::Values("", "/PSM", "/WD", "/psm "), ModeName);

// --- one installer at a time ------------------------------------------------------

class SingleInstance : public InstallerTest {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_TRUE(package.CopyInstaller());
    }

    // Watches a process until it ends; fails if it shows any window meanwhile
    // or ends with another code than "another instance is running".
    void ExpectEndsWithoutWindow(const dlg::Process& process)
    {
        DWORD start = GetTickCount();
        std::vector<HWND> shown;
        while (process.IsRunning() && GetTickCount() - start < kTimeoutMs) {
            for (HWND hwnd : dlg::TopLevelWindows(process.Id(), true))
                shown.push_back(hwnd);
            Sleep(dlg::kPollMs);
        }
        ASSERT_FALSE(process.IsRunning()) << "still running after " << kTimeoutMs << " ms";
        for (HWND hwnd : shown)
            ADD_FAILURE() << "showed a window:\n" << dlg::Describe(dlg::Inspect(hwnd));
        // Deployment tools tell a refused start from a failed install by this code.
        EXPECT_EQ(process.ExitCode(), 1u) << "exit code of a refused second start";
    }
};

TEST_F(SingleInstance, SecondStartWhileOneRunsEndsAtOnceWithoutWindow)
{
    dlg::Process& first = StartInstaller("");
    HWND firstBox = dlg::WaitForWindow(first, {dlg::kDialogClass, "Error"}, kTimeoutMs);
    ASSERT_NE(firstBox, nullptr) << "the first run should wait on its error box";

    dlg::Process& second = StartInstaller("");
    ExpectEndsWithoutWindow(second);

    // The refused start must leave the running one as it was.
    ASSERT_TRUE(first.IsRunning());
    EXPECT_EQ(dlg::Inspect(firstBox).MessageText(), kMissingScriptText);
    ASSERT_TRUE(dlg::Click(firstBox, IDOK));
    EXPECT_TRUE(first.WaitForExit(kTimeoutMs));
}

TEST_F(SingleInstance, MutexHeldByAnyProcessRefusesTheStart)
{
    // Not only another tarvel.exe: whoever holds the name blocks the installer.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, e2e::kInstanceMutex);
    ASSERT_NE(mutex, nullptr);
    dlg::Process& installer = StartInstaller("/PSM");
    ExpectEndsWithoutWindow(installer);
    CloseHandle(mutex);

    // Released, the same start goes on to its error box: the refusal was the mutex.
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.MessageTexts(), std::vector<std::string>{kMissingScriptText}) << e2e::Describe(run);
}

TEST_F(SingleInstance, EndedRunLeavesNoInstanceBehind)
{
    dlg::RunResult firstRun = package.Run("");
    ASSERT_TRUE(firstRun.ended) << e2e::Describe(firstRun);
    dlg::RunResult secondRun = package.Run("");
    ASSERT_TRUE(secondRun.ended) << e2e::Describe(secondRun);
    EXPECT_EQ(secondRun.MessageTexts(), std::vector<std::string>{kMissingScriptText}) << e2e::Describe(secondRun);
}

// --- the installer's folder is where the package is ------------------------------

// Started from another folder that does hold a tarvel.eif, the installer still
// reads the one beside itself (here: none), so it must have made its own folder
// the current folder before loading.
TEST_F(InstallerTest, ScriptIsLookedForBesideTheInstallerNotInTheStartFolder)
{
    ASSERT_TRUE(package.CopyInstaller());
    ASSERT_TRUE(package.Write("elsewhere\\tarvel.eif", e2e::ScriptBytes("[INSTALL]\nCAPTION=Wrong folder\n")));

    dlg::RunOptions options;
    options.currentFolder = package.Path("elsewhere");
    dlg::RunResult run = package.Run("/PSM", options);
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.MessageTexts(), std::vector<std::string>{kMissingScriptText}) << e2e::Describe(run);
}

} // namespace
