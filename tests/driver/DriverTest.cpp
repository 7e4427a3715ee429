// The driver proven against boxdemo, whose windows and exit codes are known.
#include "Driver.h"
#include "TestPaths.h"
#include "Text.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kTimeoutMs = 30000;

std::string BoxDemo() { return dlg::WindowsPathFromUnix(BOXDEMO_EXE_UNIX_PATH); }

// Starts boxdemo and ends it on the way out, whatever the test did.
class BoxDemoTest : public ::testing::Test {
protected:
    void TearDown() override { demo.Terminate(); }

    void Start(const std::string& tail, const std::string& folder = "C:\\windows")
    {
        std::string error;
        ASSERT_TRUE(demo.Start(BoxDemo(), tail, folder, &error)) << error;
    }

    dlg::WindowInfo WaitForBox()
    {
        HWND box = dlg::WaitForWindow(demo, {dlg::kDialogClass, "boxdemo"}, kTimeoutMs);
        EXPECT_NE(box, nullptr) << "no box; exit code " << demo.ExitCode();
        return box ? dlg::Inspect(box) : dlg::WindowInfo{};
    }

    dlg::Process demo;
};

TEST_F(BoxDemoTest, ProgramGetsExactCommandLineAndCurrentFolder)
{
    // The trailing blank is the point: wine's own command line quotes such arguments.
    Start("ok /PSM ", "C:\\windows\\system32");
    dlg::WindowInfo box = WaitForBox();
    EXPECT_TRUE(box.IsMessageBox());
    EXPECT_EQ(box.MessageText(), "cmdline=[ok /PSM ]\ncwd=[C:\\windows\\system32]");
}

TEST_F(BoxDemoTest, MessageBoxIsReadAndOkEndsItWithThatResult)
{
    Start("ok");
    dlg::WindowInfo box = WaitForBox();
    EXPECT_EQ(box.className, "#32770");
    EXPECT_EQ(box.caption, "boxdemo");
    ASSERT_TRUE(box.Has(IDOK)) << dlg::Describe(box);
    EXPECT_FALSE(box.Has(IDCANCEL)) << dlg::Describe(box);

    ASSERT_TRUE(dlg::Click(box.hwnd, IDOK));
    ASSERT_TRUE(demo.WaitForExit(kTimeoutMs));
    EXPECT_EQ(demo.ExitCode(), (DWORD)IDOK);
}

TEST_F(BoxDemoTest, YesNoBoxAnswersNo)
{
    Start("yesno");
    dlg::WindowInfo box = WaitForBox();
    ASSERT_TRUE(box.Has(IDYES) && box.Has(IDNO)) << dlg::Describe(box);
    ASSERT_TRUE(dlg::Click(box.hwnd, IDNO));
    ASSERT_TRUE(demo.WaitForExit(kTimeoutMs));
    EXPECT_EQ(demo.ExitCode(), (DWORD)IDNO);
}

TEST_F(BoxDemoTest, TitleBarCloseEndsAnOkBox)
{
    Start("ok");
    dlg::WindowInfo box = WaitForBox();
    ASSERT_TRUE(dlg::PostSysClose(box.hwnd));
    EXPECT_TRUE(dlg::WaitWindowGone(box.hwnd, kTimeoutMs));
    EXPECT_TRUE(demo.WaitForExit(kTimeoutMs));
}

TEST_F(BoxDemoTest, TypedTextReachesTheProgramInItsCodePage)
{
    Start("edit");
    HWND dialog = dlg::WaitForWindow(demo, {dlg::kDialogClass, "boxdemo edit"}, kTimeoutMs);
    ASSERT_NE(dialog, nullptr);
    const std::string folder = "C:\\Program Files\\表示テスト";
    ASSERT_TRUE(dlg::SetText(dialog, 100, folder));
    EXPECT_EQ(dlg::Inspect(dialog).TextOf(100), folder);
    ASSERT_TRUE(dlg::Click(dialog, IDOK));

    dlg::WindowInfo box = WaitForBox();
    EXPECT_EQ(box.MessageText(), "edit=[" + folder + "]");
}

TEST_F(BoxDemoTest, ProgramWithoutWindowsEndsTheWaitEarly)
{
    Start("quiet 42");
    DWORD start = GetTickCount();
    EXPECT_EQ(dlg::WaitForWindow(demo, {}, kTimeoutMs), nullptr);
    EXPECT_LT(GetTickCount() - start, kTimeoutMs / 2) << "the wait should end with the process";
    ASSERT_TRUE(demo.WaitForExit(kTimeoutMs));
    EXPECT_EQ(demo.ExitCode(), 42u);
}

TEST(RunToEnd, CollectsEveryBoxInOrder)
{
    dlg::RunResult r = dlg::RunToEnd(BoxDemo(), "two", {});
    ASSERT_TRUE(r.ended) << r.error;
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_EQ(r.MessageTexts(), (std::vector<std::string>{"first", "second"}));
    for (const dlg::SeenWindow& w : r.windows)
        EXPECT_EQ(w.pressed, IDOK);
}

TEST(RunToEnd, LeavesAMinimizedMainWindowAloneAndAnswersItsBox)
{
    dlg::RunResult r = dlg::RunToEnd(BoxDemo(), "owned", {});
    ASSERT_TRUE(r.ended) << r.error;
    EXPECT_EQ(r.exitCode, (DWORD)IDOK);
    EXPECT_EQ(r.MessageTexts(), std::vector<std::string>{"owned"});
}

TEST(RunToEnd, HandlerChoosesTheButton)
{
    dlg::RunOptions options;
    options.handler = [](const dlg::WindowInfo&) { return IDYES; };
    dlg::RunResult r = dlg::RunToEnd(BoxDemo(), "yesno", options);
    ASSERT_TRUE(r.ended) << r.error;
    EXPECT_EQ(r.exitCode, (DWORD)IDYES);
}

TEST(RunToEnd, ProgramStillRunningAtTheTimeoutIsEnded)
{
    dlg::RunOptions options;
    options.timeoutMs = 1500;
    options.handler = [](const dlg::WindowInfo&) { return dlg::kLeaveAlone; };
    dlg::RunResult r = dlg::RunToEnd(BoxDemo(), "ok", options);
    EXPECT_TRUE(r.started);
    EXPECT_FALSE(r.ended);
    EXPECT_NE(r.error.find("timed out"), std::string::npos) << r.error;
    ASSERT_EQ(r.windows.size(), 1u) << "a window left alone is looked at once";
}

TEST(RunToEnd, MissingProgramIsReported)
{
    dlg::RunResult r = dlg::RunToEnd("C:\\no\\such\\program.exe", "", {});
    EXPECT_FALSE(r.started);
    EXPECT_NE(r.error.find("CreateProcess"), std::string::npos) << r.error;
}

TEST(QuoteArgument, RoundTripsThroughTheRuntimeParser)
{
    EXPECT_EQ(dlg::QuoteArgument("plain"), "plain");
    EXPECT_EQ(dlg::QuoteArgument(""), "\"\"");
    EXPECT_EQ(dlg::QuoteArgument("a b"), "\"a b\"");
    EXPECT_EQ(dlg::QuoteArgument("C:\\dir with space\\"), "\"C:\\dir with space\\\\\"");
    EXPECT_EQ(dlg::QuoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
}

TEST(WindowsPathFromUnix, MapsTheRootToDriveZ)
{
    EXPECT_EQ(dlg::WindowsPathFromUnix("/work/build/x.exe"), "Z:\\work\\build\\x.exe");
    EXPECT_EQ(dlg::WindowsPathFromUnix("C:\\x"), "C:\\x");
}

} // namespace
