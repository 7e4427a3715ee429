// A re-install over a complete earlier installation that fails or is
// cancelled: the copy has replaced the earlier files by then, and the undo must
// put every one of them back, content and attributes, "setupf.cfn" included,
// and take away what the new package added.
#include "InstallSupport.h"
#include "Text.h"

#include <string>
#include <vector>

namespace {

using e2e::GuideFixture;

constexpr DWORD kTimeoutMs = 60000;

class EarlierInstallation : public GuideFixture {
protected:
    EarlierInstallation()
        : GuideFixture("Again")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        WriteGuide();
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 300, 64));
        dlg::RunResult first = package.Run("/PSM");
        ASSERT_TRUE(first.ended && first.exitCode == e2e::kInstalled) << e2e::Describe(first);
        // A file the user made read-only since: its attribute must come back too.
        ASSERT_TRUE(SetFileAttributesW(
            dlg::WideFromUtf8(Installed() + "\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY));
        before = e2e::Snapshot(destination.Top());
        ASSERT_EQ(before.size(), 300u + 4 + 7 + 1);

        // The new version: every page changed, one page more.
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 300, 80));
        ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>version 2</html>"));
        ASSERT_TRUE(package.Write("GUIDE\\img\\new.gif", "GIF89a new"));
    }

    std::vector<e2e::TreeItem> before;
};

TEST_F(EarlierInstallation, FailedReinstallLeavesItByteForByte)
{
    // The icon is the last item: every earlier file has been replaced when it fails.
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, e2e::texts::kCopyError);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    EXPECT_EQ(e2e::TreeChanges(before, e2e::Snapshot(destination.Top())), "");
}

TEST_F(EarlierInstallation, CancelledReinstallLeavesItByteForByte)
{
    dlg::Process& installer = StartInstaller("/WD");
    HWND status = e2e::WaitForStatusWindow(installer, kTimeoutMs);
    ASSERT_NE(status, nullptr);
    auto close = [status] { return dlg::PostClose(status); };
    ASSERT_NE(e2e::InterruptTheCopy(installer, status, close, kTimeoutMs), "") << "the copy was never caught";

    HWND box = e2e::WaitForMessageBox(installer, kTimeoutMs);
    ASSERT_NE(box, nullptr) << "no box; exit code " << installer.ExitCode();
    EXPECT_EQ(dlg::Inspect(box).MessageText(), e2e::texts::kUserCancel);
    ASSERT_TRUE(dlg::Click(box, IDOK));
    ASSERT_TRUE(installer.WaitForExit(kTimeoutMs));
    EXPECT_EQ(installer.ExitCode(), e2e::kCancelledDuringInstall);
    EXPECT_EQ(e2e::TreeChanges(before, e2e::Snapshot(destination.Top())), "");
}

// The reference run: the same re-install completes and replaces the files.
TEST_F(EarlierInstallation, CompletedReinstallReplacesTheFiles)
{
    // The levels the first install created, which this one finds existing.
    const std::string earlier = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    std::string levels;
    for (size_t at = 0; earlier.compare(at, 4, "<f>:") == 0; at = earlier.find("? ", at) + 2)
        levels = earlier.substr(0, earlier.find("? ", at) + 2);
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\index.htm"), "<html>version 2</html>");
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\img\\new.gif"), "GIF89a new");
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\part00\\page0000.htm").size(), 80u);
    // The new log lists this install's items after the levels the first
    // install created, so that one uninstall removes those too.
    const std::string log = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    ASSERT_FALSE(levels.empty()) << earlier.substr(0, 200);
    EXPECT_EQ(log.substr(0, levels.size()), levels) << log.substr(0, 200);
    EXPECT_EQ(log.find("<f>:", levels.size()), std::string::npos) << log.substr(0, 200);
    EXPECT_NE(log.find("img\\new.gif? "), std::string::npos);
}

} // namespace
