// The uninstall log "setupf.cfn": its bytes, its place, its read-only bit,
// and the log text the caller gets back after the write.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "app/TarvelDoc.h"
#include "install/UninstallLog.h"
#include "script/ScriptKeys.h"

#include <string>

using FileTree::Attributes;
using FileTree::Exists;
using FileTree::ReadBytes;

namespace {

// Shift-JIS characters whose trail byte is a backslash: "表" and "ソ".
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";

std::string Decoded(std::string bytes)
{
    for (char& c : bytes)
        ++c;
    return bytes;
}

} // namespace

class UninstallLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        doc.ScriptCount = 2;
        doc.SetupScript[0] = { SEC_ERROR, KEY_ERR_MES_NOSPACE, "no space" };
        doc.SetupScript[1] = { SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, "error occurred" };
        doc.InstallFolder = (tree.Root() + "\\").c_str();
        log = tree / "setupf.cfn";
    }

    void TearDown() override
    {
        doc.Record().Commit();
        ResetJournal();
    }

    // Writes, then restores the text as the install does; the result.
    int WriteAndRestore()
    {
        const std::string before = doc.LogText.str();
        int result = doc.WriteUninstallLog();
        std::string text = doc.LogText.str();
        EXPECT_EQ(before.size(), text.size());
        for (size_t i = 0; i < text.size(); ++i)
            EXPECT_EQ(static_cast<char>(before[i] - 1), text[i]) << "byte " << i << " is left encoded";
        doc.LogText = Decoded(text).c_str();
        EXPECT_EQ(before, doc.LogText.str());
        return result;
    }

    FileTree::TempTree tree;
    std::string log;
    BoxRecorder boxes;
    CTarvelDoc doc;
};

TEST_F(UninstallLogTest, EveryByteIsStoredMinusOneAndTheFileIsReadOnly)
{
    doc.LogText = "<f>:C:\\Docs? <d>:guide? guide\\index.htm? ";

    ASSERT_EQ(1, WriteAndRestore());

    EXPECT_EQ(0u, boxes.Count());
    const std::string stored = ReadBytes(log);
    ASSERT_EQ(41u, stored.size());
    EXPECT_EQ("\x3B\x65\x3D\x39", stored.substr(0, 4));
    EXPECT_EQ("\x3E\x1F", stored.substr(39));
    EXPECT_EQ(doc.LogText.str(), Decoded(stored));
    EXPECT_TRUE(Attributes(log) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(UninstallLogTest, PathHasExactlyOneBackslashBeforeTheName)
{
    EXPECT_EQ("C:\\Docs\\setupf.cfn", UninstallLogPath("C:\\Docs").str());
    EXPECT_EQ("C:\\Docs\\setupf.cfn", UninstallLogPath("C:\\Docs\\").str());
    // A trail byte 0x5C is not a backslash of its own.
    EXPECT_EQ("C:\\" + HYO + "\\setupf.cfn", UninstallLogPath(("C:\\" + HYO).c_str()).str());
    EXPECT_EQ("\\setupf.cfn", UninstallLogPath("").str());

    // Written where that path points, with or without the trailing backslash.
    doc.InstallFolder = tree.Root().c_str();
    doc.LogText = "a.txt? ";
    ASSERT_EQ(1, WriteAndRestore());
    EXPECT_EQ("a.txt? ", Decoded(ReadBytes(log)));
}

TEST_F(UninstallLogTest, ReadOnlyEarlierLogIsReplacedAndKeptAside)
{
    FileTree::WriteBytes(log, "earlier log");
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
    doc.LogText = "new.txt? ";

    ASSERT_EQ(1, WriteAndRestore());

    EXPECT_EQ("new.txt? ", Decoded(ReadBytes(log)));
    EXPECT_TRUE(Attributes(log) & FILE_ATTRIBUTE_READONLY);

    // Until the install succeeds the earlier one can come back.
    doc.Record().UndoAll();
    EXPECT_EQ("earlier log", ReadBytes(log));
    EXPECT_TRUE(Attributes(log) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(UninstallLogTest, DoubleByteNamesAreStoredByteForByte)
{
    // A folder whose name ends in a trail byte 0x5C holds the log.
    const std::string folder = tree / ("Guide" + HYO);
    FileTree::MakeFolder(folder);
    doc.InstallFolder = folder.c_str();
    const std::string text = "<f>:" + folder + "? <d>:" + SO + "? " + SO + "\\" + HYO + ".htm? ";
    doc.LogText = text.c_str();

    ASSERT_EQ(1, WriteAndRestore());

    const std::string stored = ReadBytes(folder + "\\setupf.cfn");
    ASSERT_EQ(text.size(), stored.size());
    EXPECT_EQ(text, Decoded(stored));
    EXPECT_EQ(text, doc.LogText.str());
}

TEST_F(UninstallLogTest, LogThatCannotBeCreatedIsReportedAndTheTextComesBack)
{
    // A folder of that name is in the way.
    FileTree::MakeFolder(log);
    doc.LogText = "<d>:img? img\\a.gif? ";

    EXPECT_EQ(0, WriteAndRestore());
    doc.EndFailedRun();

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("no space", boxes.Last().Text);
    EXPECT_TRUE(Attributes(log) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(UninstallLogTest, EmptyTextGivesAnEmptyLog)
{
    ASSERT_EQ(1, WriteAndRestore());
    EXPECT_TRUE(Exists(log));
    EXPECT_EQ("", ReadBytes(log));
}
