// A half-silent install ("/WD") cancelled while it copies: by closing the
// status window, or by closing the minimized main window from the taskbar.
// Either way one box says the install was cancelled, the status window stays
// until that box is closed, nothing is left behind and the exit code is 5.
#include "InstallSupport.h"
#include "MachineState.h"
#include "Text.h"

#include <functional>
#include <string>

namespace {

using e2e::GuideFixture;

constexpr DWORD kTimeoutMs = 60000;
constexpr char kFrameClass[] = "TarvelFrame";

// The guide package with 300 more pages: a copy of many items, to be
// interrupted in the middle.
class LargeGuide : public GuideFixture {
protected:
    LargeGuide()
        : GuideFixture("Large")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        WriteGuide();
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 300));
    }

    // Starts the install and does the user's action (`post` on the status
    // window) while the copy is under way; nullptr when that did not happen.
    HWND StartAndInterruptTheCopy(dlg::Process*& installer, const std::function<bool(HWND)>& post)
    {
        installer = &StartInstaller("/WD");
        HWND status = e2e::WaitForStatusWindow(*installer, kTimeoutMs);
        EXPECT_NE(status, nullptr) << "no status window";
        if (!status)
            return nullptr;
        const std::string label = e2e::InterruptTheCopy(
            *installer, status, [&] { return post(status); }, kTimeoutMs);
        EXPECT_NE(label, "") << "the copy was never caught under way";
        return label.empty() ? nullptr : status;
    }

    // The cancel box comes while the status window is still up; after OK the
    // run ends with 5 and everything is undone.
    void ExpectCancelled(dlg::Process& installer, HWND status)
    {
        HWND box = e2e::WaitForMessageBox(installer, kTimeoutMs);
        ASSERT_NE(box, nullptr) << "no box; exit code " << installer.ExitCode();
        const dlg::WindowInfo info = dlg::Inspect(box);
        EXPECT_EQ(info.caption, e2e::texts::kCaption);
        EXPECT_EQ(info.MessageText(), e2e::texts::kUserCancel);
        EXPECT_TRUE(IsWindow(status) && IsWindowVisible(status)) << "the status window went before the box";

        // The rollback is done before the box shows.
        EXPECT_FALSE(e2e::Exists(destination.Top())) << "left behind: " << destination.Top();

        ASSERT_TRUE(dlg::Click(box, IDOK));
        ASSERT_TRUE(installer.WaitForExit(kTimeoutMs));
        EXPECT_EQ(installer.ExitCode(), e2e::kCancelledDuringInstall);
        EXPECT_FALSE(IsWindow(status));
        EXPECT_EQ(dlg::TopLevelWindows(installer.Id(), false).size(), 0u);
    }
};

TEST_F(LargeGuide, HalfSilentInstallShowsOnlyTheStatusWindowAndCompletes)
{
    dlg::RunOptions options;
    // The status window has no button: it goes away by itself.
    options.handler = [](const dlg::WindowInfo& info) {
        return info.Has(1003) ? dlg::kLeaveAlone : dlg::DefaultAnswer(info);
    };
    dlg::RunResult run = package.Run("/WD", options);
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(run.windows.size(), 1u) << e2e::Describe(run);
    EXPECT_EQ(run.windows[0].info.caption, e2e::texts::kCaption);
    EXPECT_EQ(run.windows[0].info.TextOf(1008), "ファイルをコピーしています。");
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_EQ(e2e::ListTree(Installed()).size(), 300u + 4 /* part folders */ + 7);
}

TEST_F(LargeGuide, ClosingTheStatusWindowCancelsAndUndoesTheInstall)
{
    dlg::Process* installer = nullptr;
    HWND status = StartAndInterruptTheCopy(installer, [](HWND window) { return dlg::PostClose(window); });
    ASSERT_NE(status, nullptr);
    ExpectCancelled(*installer, status);
}

TEST_F(LargeGuide, EscapeInTheStatusWindowCancelsToo)
{
    dlg::Process* installer = nullptr;
    HWND status
        = StartAndInterruptTheCopy(installer, [](HWND window) { return dlg::PostKey(window, VK_ESCAPE); });
    ASSERT_NE(status, nullptr);
    ExpectCancelled(*installer, status);
}

// Closed from the taskbar while the copy pumps messages, the main window
// must not take the document and view down under the install.
TEST_F(LargeGuide, ClosingTheMinimizedMainWindowActsAsCancel)
{
    dlg::Process* installer = nullptr;
    HWND status = StartAndInterruptTheCopy(installer, [&installer](HWND) {
        HWND frame = dlg::FindWindowOf(installer->Id(), { kFrameClass, "", false });
        EXPECT_NE(frame, nullptr) << "no main window of class " << kFrameClass;
        EXPECT_TRUE(frame && IsIconic(frame));
        return frame && dlg::PostClose(frame);
    });
    ASSERT_NE(status, nullptr);
    ExpectCancelled(*installer, status);
}

// Neither a cancelled run nor one refused at load leaves anything, the
// installer's own settings key included: the whole machine is compared.
TEST_F(LargeGuide, ACancelledRunAndARunRefusedAtLoadLeaveNoKeyAndNoFile)
{
    const e2e::MachineState before = e2e::CaptureMachineState();
    dlg::Process* installer = nullptr;
    HWND status = StartAndInterruptTheCopy(installer, [](HWND window) { return dlg::PostClose(window); });
    ASSERT_NE(status, nullptr);
    ExpectCancelled(*installer, status);
    EXPECT_EQ("", e2e::StateChanges(before, e2e::CaptureMachineState()));

    // The uninstaller named by the script is not in the package.
    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("setup\\uninst.exe")).c_str()));
    const e2e::MachineState withoutUninstaller = e2e::CaptureMachineState();
    dlg::RunResult refused = package.Run("/PSM");
    ASSERT_TRUE(refused.ended) << e2e::Describe(refused);
    EXPECT_EQ(refused.exitCode, e2e::kFailedBeforeCopy);
    EXPECT_EQ("", e2e::StateChanges(withoutUninstaller, e2e::CaptureMachineState()));
}

} // namespace
