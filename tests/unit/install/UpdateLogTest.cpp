// A re-install's log: which entries of the earlier log it keeps (safe ones
// only, for items still there that this run does not name) and where.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "install/UninstallLog.h"
#include "install/UpdateLog.h"

#include <string>
#include <vector>

namespace {

// "表" (0x95 0x5C) and "ソ" (0x83 0x5C): trail bytes that are backslashes.
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";

CString Text(const std::string& bytes) { return CString(bytes.data(), static_cast<int>(bytes.size())); }

} // namespace

class UpdateLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        folder = tree.Root() + "\\";
    }

    // Stores a log text as an install does.
    void StoreEarlierLog(const std::string& text)
    {
        FileTree::WriteBytes(folder + "setupf.cfn", EncodeLogText(Text(text)).str());
    }

    FileTree::TempTree tree;
    std::string folder;
};

TEST_F(UpdateLogTest, KeepsEarlierItemsThatAreStillThereAndNotNamedAgain)
{
    FileTree::WriteBytes(tree / "index.htm", "v2");
    FileTree::WriteBytes(tree / "old.htm", "v1");
    FileTree::MakeFolder(tree / ("FAQ" + SO));
    FileTree::WriteBytes(tree / ("FAQ" + SO + "\\" + HYO + ".htm"), "v1");
    FileTree::MakeFolder(tree / "img");
    FileTree::WriteBytes(tree / "img\\old.gif", "v1");
    FileTree::MakeFolder(tree / "now a folder");
    FileTree::WriteBytes(tree / "now a file", "");

    const std::vector<LogEntry> earlier = {
        {LogEntry::Kind::CreatedFolder, "C:\\Docs"},           // belongs at the start, not here
        {LogEntry::Kind::CopiedFile, "INDEX.HTM"},             // named again, in another case
        {LogEntry::Kind::CopiedFile, "old.htm"},
        {LogEntry::Kind::CopiedFile, "gone.htm"},              // removed since
        {LogEntry::Kind::CopiedFolder, ("FAQ" + SO).c_str()},
        {LogEntry::Kind::CopiedFile, ("FAQ" + SO + "\\" + HYO + ".htm").c_str()},
        {LogEntry::Kind::CopiedFolder, "img"},                 // named again
        {LogEntry::Kind::CopiedFile, "img\\old.gif"},
        {LogEntry::Kind::CopiedFile, "now a folder"},          // the kind changed
        {LogEntry::Kind::CopiedFolder, "now a file"},
        {LogEntry::Kind::CopiedFile, "old.htm"},               // twice in the earlier log
    };
    const std::string own = "<f>:C:\\Docs? index.htm? <d>:img? img\\new.gif? ";
    CString text = Text(own);

    EXPECT_EQ(4, AppendKeptEarlierEntries(text, earlier, folder.c_str()));

    EXPECT_EQ(own + "old.htm? <d>:FAQ" + SO + "? FAQ" + SO + "\\" + HYO + ".htm? img\\old.gif? ", text.str());
}

TEST_F(UpdateLogTest, NothingEarlierLeavesTheTextAsItIs)
{
    const std::string own = "<f>:C:\\Docs? index.htm? ";
    CString text = Text(own);
    EXPECT_EQ(0, AppendKeptEarlierEntries(text, {}, folder.c_str()));
    EXPECT_EQ(own, text.str());
}

// The earlier log is untrusted: whatever the uninstaller would refuse is
// dropped, entry by entry, and a log cut short still gives what precedes the cut.
TEST_F(UpdateLogTest, EarlierLogGivesOnlyTheEntriesTheUninstallerAccepts)
{
    bool found = true;
    EXPECT_TRUE(EarlierLogEntries(folder.c_str(), found).empty());
    EXPECT_FALSE(found) << "no log: a first install";

    const std::string parent = tree.Root().substr(0, tree.Root().rfind('\\'));
    StoreEarlierLog("<f>:" + parent + "? <f>:C:\\Other? index.htm? ..\\..\\victim.txt? <d>:C:\\Windows? "
                    + std::string("zero\0byte? ", 11) + "img\\a.gif? \\\\server\\x? <d>:img? cut sh");
    const std::vector<LogEntry> entries = EarlierLogEntries(folder.c_str(), found);
    EXPECT_TRUE(found);

    ASSERT_EQ(4u, entries.size());
    EXPECT_EQ(LogEntry::Kind::CreatedFolder, entries[0].Type);
    EXPECT_EQ(parent, entries[0].Path.str());
    EXPECT_EQ("index.htm", entries[1].Path.str());
    EXPECT_EQ("img\\a.gif", entries[2].Path.str());
    EXPECT_EQ(LogEntry::Kind::CopiedFolder, entries[3].Type);
    EXPECT_EQ("img", entries[3].Path.str());
    const std::vector<CString> levels = EarlierCreatedLevels(entries);
    ASSERT_EQ(1u, levels.size());
    EXPECT_EQ(parent, levels[0].str());

    // A folder in the log's place is no earlier installation.
    ASSERT_TRUE(DeleteFileA((folder + "setupf.cfn").c_str()));
    FileTree::MakeFolder(folder + "setupf.cfn");
    EXPECT_TRUE(EarlierLogEntries(folder.c_str(), found).empty());
    EXPECT_FALSE(found);
}
