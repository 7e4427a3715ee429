// Silent installs that fail: each shows exactly one box with the script's
// text and caption, ends with the exit code a deployment tool can tell apart
// (3 before the copy, 4 during it), and leaves nothing behind: no file, no
// folder level it created, no "setupf.cfn".
#include "InstallSupport.h"
#include "Text.h"

#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::GuideFixture;
namespace texts = e2e::texts;

// --- the guide package with a piece missing or in the way --------------------------------

class BrokenGuide : public GuideFixture {
protected:
    BrokenGuide()
        : GuideFixture("Broken")
    {
    }

    // The run must end with one box and leave the program-files folder as it was.
    void ExpectFailure(const std::string& text, DWORD exitCode)
    {
        dlg::RunResult run = package.Run("/PSM");
        e2e::ExpectOneBox(run, text);
        EXPECT_EQ(run.exitCode, exitCode);
        EXPECT_FALSE(e2e::Exists(destination.Top())) << "left behind: " << destination.Top();
    }
};

TEST_F(BrokenGuide, MissingUninstallerEndsBeforeAnythingIsCreated)
{
    WriteGuide();
    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("setup\\uninst.exe")).c_str()));
    ExpectFailure(texts::kFileNotExist, e2e::kFailedBeforeCopy);
}

TEST_F(BrokenGuide, MissingDataFolderTakesBackTheCreatedLevels)
{
    e2e::GuideScript script;
    script.dataPath = "NO_SUCH_FOLDER";
    WriteGuide(script);
    ExpectFailure(texts::kFileNotExist, e2e::kFailedBeforeCopy);
}

TEST_F(BrokenGuide, MissingIconTakesBackTheCreatedLevels)
{
    WriteGuide();
    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("setup\\guide.ico")).c_str()));
    ExpectFailure(texts::kFileNotExist, e2e::kFailedBeforeCopy);
}

// A file where a level of the destination should be: the level below it cannot be made.
TEST_F(BrokenGuide, LevelBlockedByAFileIsAWriteError)
{
    e2e::GuideScript script;
    script.appPathBase = destination.Base() + "\\Docs\\Guide";
    WriteGuide(script);
    ASSERT_TRUE(e2e::WriteFileBytes(destination.Top() + "\\Docs", "in the way"));

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, texts::kWriteError);
    EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
    // Only what was there before.
    EXPECT_EQ(e2e::ListTree(destination.Top()), std::vector<std::string> { "Docs" });
    EXPECT_EQ(e2e::ReadFileBytes(destination.Top() + "\\Docs"), "in the way");
}

// The first two levels are made, the third cannot be: both made ones go again.
// The script may name no level that no folder can have, so the machine's
// program-files folder does: the destination is it, a backslash and
// APPPATH_BASE. It is put back whatever happens.
TEST_F(BrokenGuide, LevelThatCannotBeCreatedTakesBackTheLevelsBeforeIt)
{
    struct PutBack {
        std::string value = e2e::ProgramFilesDir();
        ~PutBack() { EXPECT_TRUE(e2e::SetProgramFilesDir(value)); }
    } programFiles;
    ASSERT_FALSE(programFiles.value.empty());
    const std::string top = destination.Top();
    e2e::GuideScript script;
    script.appPathBase = "Guide";
    WriteGuide(script);
    ASSERT_TRUE(e2e::SetProgramFilesDir(top + "\\Docs\\Gu|ide"));

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, texts::kWriteError);
    EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
    EXPECT_FALSE(e2e::Exists(top)) << "left behind: " << top;
}

// The last item to copy (the icon) cannot be read: everything copied before it goes again.
TEST_F(BrokenGuide, CopyThatFailsUndoesTheWholeInstall)
{
    WriteGuide();
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());
    ExpectFailure(texts::kCopyError, e2e::kFailedDuringInstall);
}

// --- a destination on a real drive of 1 MB ---------------------------------------------

// The default destination comes from "ProgramFilesDir": pointed at the tiny
// drive for the test, and put back whatever happens.
class TinyDriveGuide : public GuideFixture {
protected:
    TinyDriveGuide()
        : GuideFixture("Tiny")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        // Room for the package's real uninstaller (about 1.3 MB), not for
        // the blocks of many small files besides it.
        drive.reset(new e2e::TinyDrive(package.Root(), "2m"));
        if (!drive->Ready())
            GTEST_SKIP() << "no tiny drive: " << drive->Why();
        programFiles = e2e::ProgramFilesDir();
        ASSERT_FALSE(programFiles.empty());
        ASSERT_NE(programFiles.substr(1), ":") << "ProgramFilesDir was left pointing at a drive root: "
                                                  "set it back to C:\\Program Files (x86)";
    }

    void TearDown() override
    {
        if (!programFiles.empty()) {
            EXPECT_TRUE(e2e::SetProgramFilesDir(programFiles));
        }
        drive.reset();
        GuideFixture::TearDown();
    }

    // From now on the install goes to <tiny>:\<unique>\Guide.
    void PointAtTheDrive()
    {
        ASSERT_TRUE(e2e::SetProgramFilesDir(drive->Letter()));
        top = drive->Root() + destination.Base();
    }

    std::unique_ptr<e2e::TinyDrive> drive;
    std::string programFiles;
    std::string top;
};

TEST_F(TinyDriveGuide, TooLittleSpaceEndsBeforeTheCopy)
{
    WriteGuide();
    ASSERT_TRUE(package.Write("GUIDE\\big.bin", std::string(2 * 1024 * 1024, 'x')));
    PointAtTheDrive();

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, texts::kNoSpace);
    EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
    EXPECT_EQ(e2e::ListTree(drive->Root()), std::vector<std::string> {});
}

// Little data but many files: the total fits, the blocks they take do not,
// so the drive fills up in the middle of the copy.
TEST_F(TinyDriveGuide, DriveThatFillsUpDuringTheCopyUndoesTheInstall)
{
    WriteGuide();
    ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 400, 1));
    PointAtTheDrive();

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, texts::kNoSpace);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    EXPECT_EQ(e2e::ListTree(drive->Root()), std::vector<std::string> {});
}

// An earlier read-only index.htm on a drive that turned read-only: it cannot
// be kept aside to be replaced, the copy fails, and nothing on the drive changes.
TEST_F(TinyDriveGuide, EarlierFileThatCannotBeKeptAsideOnAReadOnlyDriveIsACopyError)
{
    WriteGuide();
    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("GUIDE\\img\\a.gif")).c_str()));
    ASSERT_TRUE(RemoveDirectoryW(dlg::WideFromUtf8(package.Path("GUIDE\\img")).c_str()));
    PointAtTheDrive();
    const std::string earlier = top + "\\Guide\\index.htm";
    ASSERT_TRUE(e2e::WriteFileBytes(earlier, "earlier"));
    ASSERT_TRUE(SetFileAttributesW(dlg::WideFromUtf8(earlier).c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<e2e::TreeItem> before = e2e::Snapshot(drive->Root());
    ASSERT_TRUE(drive->SetReadOnly(true));

    dlg::RunResult run = package.Run("/PSM");
    e2e::ExpectOneBox(run, texts::kCopyError);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    EXPECT_EQ(e2e::TreeChanges(before, e2e::Snapshot(drive->Root())), "");
    EXPECT_TRUE(drive->SetReadOnly(false));
}

} // namespace
