// "sharedf.cfn": what the shared copy wrote besides the libraries, stored
// for the uninstaller; earlier installs' entries carried over; a stored log
// that names anything outside the shared folder is refused whole.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "app/TarvelDoc.h"
#include "install/SharedFilesLog.h"
#include "install/UninstallLog.h"
#include "script/ScriptKeys.h"

#include <string>

using FileTree::Attributes;
using FileTree::ReadBytes;

namespace {

std::string Stored(const std::string& text) { return EncodeLogText(text.c_str()).str(); }

struct StoredCase {
    const char* why;
    std::string text;
    bool trusted;
};

} // namespace

class SharedFilesLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        doc.ScriptCount = 2;
        doc.SetupScript[0] = { SEC_ERROR, KEY_ERR_MES_NOSPACE, "no space" };
        doc.SetupScript[1] = { SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, "error occurred" };
        doc.InstallFolder = (tree.Root() + "\\Guide\\").c_str();
        doc.SharedFolder = (tree.Root() + "\\Common").c_str();
        doc.LibraryList.Add("..\\COMMON\\Search.dll");
        ASSERT_TRUE(CreateDirectoryA(doc.InstallFolder, nullptr));
        log = tree / "Guide\\sharedf.cfn";
    }

    void TearDown() override
    {
        doc.Record().Commit();
        ResetJournal();
    }

    // What a shared copy records: a created sub-folder, a new file, a file
    // it replaced, the library, and a change outside the shared folder.
    void RecordASharedCopy(const std::string& prefix)
    {
        const std::string shared = doc.SharedFolder.str();
        doc.Record().FolderCreated(Change::Area::Shared, shared.c_str());
        doc.Record().FolderCreated(Change::Area::Shared, (shared + "\\" + prefix + "data").c_str());
        doc.Record().FileCopied(Change::Area::Shared, (shared + "\\" + prefix + "data\\a.txt").c_str(),
                                ("..\\COMMON\\" + prefix + "data\\a.txt").c_str(), 1);
        doc.Record().FileCopied(Change::Area::Shared, (shared + "\\readme.txt").c_str(), "..\\COMMON\\readme.txt", 1);
        doc.Record().FileCopied(Change::Area::Shared, (shared + "\\SEARCH.DLL").c_str(), "..\\common\\search.DLL", 1);
        doc.Record().FileCopied(Change::Area::Package, (doc.InstallFolder + "index.htm").str().c_str(),
                                "..\\GUIDE\\index.htm", 1);
    }

    FileTree::TempTree tree;
    std::string log;
    BoxRecorder boxes;
    CTarvelDoc doc;
};

TEST_F(SharedFilesLogTest, NamesWhatTheSharedCopyWroteButNotTheLibrariesReadOnly)
{
    RecordASharedCopy("");
    ASSERT_EQ(1, doc.WriteSharedFilesLog());

    EXPECT_EQ(Stored("<d>:data? data\\a.txt? readme.txt? "), ReadBytes(log));
    EXPECT_TRUE(Attributes(log) & FILE_ATTRIBUTE_READONLY);
    // A failed install takes it away with the rest.
    doc.Record().UndoArea(Change::Area::Package);
    EXPECT_FALSE(FileTree::Exists(log));
}

// A re-install of a package that no longer carries "data" still names what
// the first install left there, each path once whatever its case.
TEST_F(SharedFilesLogTest, ReinstallKeepsTheEarlierEntries)
{
    RecordASharedCopy("");
    ASSERT_EQ(1, doc.WriteSharedFilesLog());
    doc.Record().Commit();

    RecordASharedCopy("new\\");
    doc.Record().FileCopied(Change::Area::Shared, (doc.SharedFolder + "\\DATA\\A.TXT").str().c_str(),
                            "..\\COMMON\\DATA\\A.TXT", 1);
    ASSERT_EQ(1, doc.WriteSharedFilesLog());
    EXPECT_EQ(Stored("<d>:data? <d>:new\\data? data\\a.txt? readme.txt? new\\data\\a.txt? "), ReadBytes(log));

    SharedFilesEntries entries;
    ASSERT_TRUE(ReadSharedFilesLog(log.c_str(), entries));
    ASSERT_EQ(2u, entries.Folders.size());
    EXPECT_EQ("new\\data", entries.Folders[1].str());
    EXPECT_EQ(3u, entries.Files.size());
}

TEST_F(SharedFilesLogTest, LogThatCannotBeWrittenFailsAndLeavesNothing)
{
    RecordASharedCopy("");
    // A folder where the file must go.
    ASSERT_TRUE(CreateDirectoryA(log.c_str(), nullptr));
    EXPECT_EQ(0, doc.WriteSharedFilesLog());
    EXPECT_EQ(ERROR_CODE_NOSPACE, doc.Failure.Code);
}

TEST_F(SharedFilesLogTest, StoredLogIsTrustedOnlyWhenEveryEntryStaysInside)
{
    const StoredCase cases[] = {
        {"what an install writes", "<d>:data? data\\a.txt? readme.txt? ", true},
        {"empty", "", true},
        {"cut short", "<d>:data? data\\a.t", false},
        {"zero byte inside", std::string("a.txt\0b? ", 9), false},
        {"file above the shared folder", "..\\..\\Windows\\system.ini? ", false},
        {"folder above the shared folder", "<d>:data\\..\\..? ", false},
        {"another drive", "D:\\x.dll? ", false},
        {"absolute folder", "<d>:C:\\Windows? ", false},
        {"a created level, which no install writes here", "<f>:C:\\Program Files? a.txt? ", false},
        {"wildcard", "*.txt? ", false},
        {"device name", "data\\aux.txt? ", false},
    };
    for (const StoredCase& c : cases) {
        FileTree::WriteBytes(log, Stored(c.text));
        SharedFilesEntries entries;
        EXPECT_EQ(c.trusted, ReadSharedFilesLog(log.c_str(), entries) != FALSE) << c.why;
    }
    SharedFilesEntries none;
    EXPECT_TRUE(ReadSharedFilesLog((tree / "absent.cfn").c_str(), none));
    EXPECT_TRUE(none.Files.empty() && none.Folders.empty());
}

TEST(SharedFilesLogText, LogAtTheReadersLimitIsReadInLinearTime)
{
    // Found by fuzzing: each entry was compared with every one before it, so a
    // log of the 4 MiB the reader takes, of distinct names, held the
    // uninstaller for hours. Repeats still go, without regard to case.
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "f" + std::to_string(i) + "? ";
    text += "<d>:D? <d>:d? F1? ";
    SharedFilesEntries entries;
    ASSERT_TRUE(ParseSharedFilesText(text.c_str(), entries));
    EXPECT_EQ(100000u, entries.Files.size());
    ASSERT_EQ(1u, entries.Folders.size());
    EXPECT_EQ(CString("D"), entries.Folders[0]);

    SharedFilesEntries now;
    now.Files = {"NEW", "new", "F2"};
    SharedFilesEntries again;
    ASSERT_TRUE(ParseSharedFilesText(SharedFilesLogText(entries, now), again));
    EXPECT_EQ(100001u, again.Files.size());
    EXPECT_EQ(CString("NEW"), again.Files.back());
}
