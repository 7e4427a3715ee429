// The shared folder's preparation: missing levels created and journalled in
// order, the shared file list, the free-space check of its drive, and the
// removal of the created levels after a failure.
#include <gtest/gtest.h>

#include "FakeDisk.h"
#include "SharedTestSupport.h"

#include <string>
#include <vector>

using namespace shared_test;

namespace {

// "表": its trail byte is the code of a backslash.
const std::string HYO = "\x95\x5C";

} // namespace

class SharedFolderTest : public SharedPackage
{
protected:
    void SetUp() override
    {
        SharedPackage::SetUp();
        g_disk = FakeDisk();
        g_disk.list = &doc.SharedFileList;
        WriteBytes(Root("common\\search.dll"), std::string(3000, 'x'));
        WriteBytes(Root("common\\readme.txt"), std::string(500, 'r'));
    }
};

TEST_F(SharedFolderTest, MissingLevelsAreCreatedOutermostFirstAndJournalled)
{
    doc.SharedFolder = Root("shared\\Maker\\Lib").c_str();
    ASSERT_EQ(1, Prepare());

    EXPECT_EQ(Root("shared\\Maker\\Lib\\"), doc.SharedFolder.str());
    std::vector<std::string> expected = {Root("shared"), Root("shared\\Maker"), Root("shared\\Maker\\Lib")};
    EXPECT_EQ(expected, SharedJournal());
    EXPECT_TRUE(Exists(Root("shared\\Maker\\Lib")));
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(SharedFolderTest, ExistingFolderCreatesNothing)
{
    MakeFolder(Root("shared"));
    doc.SharedFolder = Root("shared\\").c_str();
    ASSERT_EQ(1, Prepare());
    EXPECT_EQ(Root("shared\\"), doc.SharedFolder.str()) << "no second backslash";
    EXPECT_TRUE(SharedJournal().empty());
}

TEST_F(SharedFolderTest, FolderEndingInADoubleByteCharacterGetsARealBackslash)
{
    doc.SharedFolder = Root("shared" + HYO).c_str();
    ASSERT_EQ(1, Prepare());
    EXPECT_EQ(Root("shared" + HYO + "\\"), doc.SharedFolder.str());
    EXPECT_EQ(std::vector<std::string>{Root("shared" + HYO)}, SharedJournal());
}

TEST_F(SharedFolderTest, FreeSpaceEqualToTheTotalIsNotEnoughAndUndoesTheLevels)
{
    UseFakeDisk();
    doc.SharedFolder = Root("shared\\Maker\\Lib\\").c_str();
    g_disk.overTotal = 0;
    EXPECT_EQ(0, Prepare());
    ExpectOneBox(TEXT_NOSPACE);
    EXPECT_EQ(Root("").substr(0, 3), g_disk.root) << "the drive's root is measured";
    EXPECT_FALSE(Exists(Root("shared")));

    boxes.Clear();
    g_disk.overTotal = 1;
    EXPECT_EQ(1, Prepare());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(SharedFolderTest, WithoutTheExtendedCallTheClusterCountDecides)
{
    UseFakeDisk();
    g_disk.hasEx = false;
    g_disk.overTotal = 4096;
    EXPECT_EQ(1, Prepare());
    EXPECT_EQ(0u, boxes.Count());

    g_disk.fallbackSucceeds = false;
    doc.SharedFolder = Root("shared2\\Lib\\").c_str();
    EXPECT_EQ(0, Prepare());
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_FALSE(Exists(Root("shared2"))) << "the levels made by this call are removed";
}

TEST_F(SharedFolderTest, FreeSpaceThatCannotBeReadFails)
{
    UseFakeDisk();
    g_disk.exSucceeds = false;
    doc.SharedFolder = Root("shared\\Lib\\").c_str();
    EXPECT_EQ(0, Prepare());
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_FALSE(Exists(Root("shared")));
}

TEST_F(SharedFolderTest, LevelThatCannotBeCreatedUndoesTheEarlierOnes)
{
    Sys().CreateDirectoryA = &FailingCreateDirectory;
    g_creationsAllowed = 1;
    doc.SharedFolder = Root("shared\\Maker\\Lib\\").c_str();
    EXPECT_EQ(0, Prepare());
    ExpectOneBox(TEXT_WRITE);
    EXPECT_FALSE(Exists(Root("shared")));
    EXPECT_EQ(0, doc.SharedFileCount) << "nothing is listed after the failure";
}

TEST_F(SharedFolderTest, MissingSharedSourceFolderFailsAsMissing)
{
    doc.SharedSourceFolder = "nowhere";
    doc.SharedFolder = Root("shared\\Lib\\").c_str();
    EXPECT_EQ(0, Prepare());
    ExpectOneBox(TEXT_NOT_EXIST);
    EXPECT_FALSE(Exists(Root("shared")));
}

TEST_F(SharedFolderTest, RemovalGoesInnermostFirstAndKeepsFoldersThatHoldFiles)
{
    doc.SharedFolder = Root("shared\\Maker\\Lib\\").c_str();
    ASSERT_EQ(1, Prepare());
    WriteBytes(Root("shared\\Maker\\keep.txt"), "someone else's");

    FailLaterStep(doc);
    EXPECT_FALSE(Exists(Root("shared\\Maker\\Lib")));
    EXPECT_TRUE(Exists(Root("shared\\Maker\\keep.txt")));
    EXPECT_TRUE(SharedJournal().empty()) << "what was undone is forgotten";
}
