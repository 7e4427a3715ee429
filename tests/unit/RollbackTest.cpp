// The undo of a failed install from its log text, the removal of a link and
// its emptied folder, and the return of the files the install replaced.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "app/TarvelDoc.h"

#include <string>

using FileTree::Attributes;
using FileTree::Exists;
using FileTree::MakeFolder;
using FileTree::ReadBytes;
using FileTree::WriteBytes;

// root\Pre existed before the install; the install created root\Pre\New
// and root\Pre\New\Guide (journalled as "<f>:") and copied into Guide.
class RollbackTest : public ::testing::Test {
protected:
    RollbackTest()
        : pre(tree / "Pre")
        , created(tree / "Pre\\New")
        , dest(tree / "Pre\\New\\Guide")
    {
    }

    void SetUp() override
    {
        MakeFolder(pre);
        MakeFolder(created);
        MakeFolder(dest);
        MakeFolder(dest + "\\img");
        MakeFolder(dest + "\\img\\small");
        WriteBytes(dest + "\\index.htm", "index");
        WriteBytes(dest + "\\img\\a.gif", "a");
        WriteBytes(dest + "\\img\\small\\b.gif", "b");
        WriteBytes(dest + "\\setupf.cfn", "log");
        SetFileAttributesA((dest + "\\img\\a.gif").c_str(), FILE_ATTRIBUTE_READONLY);
        SetFileAttributesA((dest + "\\setupf.cfn").c_str(), FILE_ATTRIBUTE_READONLY);
        doc.InstallFolder = (dest + "\\").c_str();
        doc.LogText = ("<f>:" + created + "? <f>:" + dest
            + "? index.htm? <d>:img? img\\a.gif? "
              "<d>:img\\small? img\\small\\b.gif? ")
                          .c_str();
    }

    void TearDown() override { doc.DropReplacedFiles(); }

    FileTree::TempTree tree;
    const std::string pre;
    const std::string created;
    const std::string dest;
    CTarvelDoc doc;
};

TEST_F(RollbackTest, EverythingLoggedGoesButTheLevelThatWasThere)
{
    doc.RollBackInstall();

    EXPECT_FALSE(Exists(created)) << "created levels, read-only files and the log are all removed";
    EXPECT_TRUE(Exists(pre));
}

TEST_F(RollbackTest, UsersOwnFileKeepsItsFolderAndParents)
{
    WriteBytes(dest + "\\img\\small\\mine.txt", "mine");

    doc.RollBackInstall();

    EXPECT_EQ("mine", ReadBytes(dest + "\\img\\small\\mine.txt"));
    EXPECT_FALSE(Exists(dest + "\\img\\small\\b.gif"));
    EXPECT_FALSE(Exists(dest + "\\img\\a.gif"));
    EXPECT_FALSE(Exists(dest + "\\index.htm"));
    EXPECT_FALSE(Exists(dest + "\\setupf.cfn"));
}

TEST_F(RollbackTest, CapitalPrefixesCountAndTextAfterTheLastSeparatorDoesNot)
{
    doc.LogText = ("<F>:" + created + "? <F>:" + dest
        + "? index.htm? <D>:img? img\\a.gif? "
          "<D>:img\\small? img\\small\\b.gif? stray.txt")
                      .c_str();
    WriteBytes(dest + "\\stray.txt", "stray");

    doc.RollBackInstall();

    EXPECT_EQ("stray", ReadBytes(dest + "\\stray.txt"));
    EXPECT_FALSE(Exists(dest + "\\img"));
    EXPECT_FALSE(Exists(dest + "\\index.htm"));
}

TEST_F(RollbackTest, EmptyTextStillDeletesTheLog)
{
    doc.LogText.Empty();

    doc.RollBackInstall();

    EXPECT_FALSE(Exists(dest + "\\setupf.cfn"));
    EXPECT_EQ("index", ReadBytes(dest + "\\index.htm"));
}

TEST_F(RollbackTest, SharedRollBackWorksInTheSharedFolderAndLeavesTheLog)
{
    doc.SharedFolder = (dest + "\\").c_str();
    doc.SharedLogText = "<d>:img\\small? img\\small\\b.gif? index.htm? ";

    doc.RollBackSharedFiles();

    EXPECT_FALSE(Exists(dest + "\\img\\small"));
    EXPECT_FALSE(Exists(dest + "\\index.htm"));
    EXPECT_EQ("a", ReadBytes(dest + "\\img\\a.gif"));
    EXPECT_EQ("log", ReadBytes(dest + "\\setupf.cfn"));
}

TEST_F(RollbackTest, LinkFolderGoesOnlyWithItsLastLink)
{
    const std::string menu = tree / "Menu";
    MakeFolder(menu);
    WriteBytes(menu + "\\Guide.lnk", "");
    WriteBytes(menu + "\\Other.lnk", "");

    doc.DeleteFileAndEmptyFolder((menu + "\\Guide.lnk").c_str(), menu.c_str());
    EXPECT_FALSE(Exists(menu + "\\Guide.lnk"));
    EXPECT_TRUE(Exists(menu + "\\Other.lnk"));

    doc.DeleteFileAndEmptyFolder((menu + "\\Other.lnk").c_str(), menu.c_str());
    EXPECT_FALSE(Exists(menu));

    // Nothing there at all: nothing happens.
    doc.DeleteFileAndEmptyFolder((menu + "\\Other.lnk").c_str(), menu.c_str());
}

TEST_F(RollbackTest, ReplacedFilesComeBackWithTheirFoldersAndAttributes)
{
    // As an earlier installation left them, before this install replaced them.
    WriteBytes(dest + "\\img\\small\\b.gif", "earlier b");
    SetFileAttributesA(
        (dest + "\\img\\small\\b.gif").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const DWORD earlierAttributes = Attributes(dest + "\\img\\small\\b.gif");
    ASSERT_TRUE(doc.SaveReplacedFile((dest + "\\img\\small").c_str()));
    ASSERT_TRUE(doc.SaveReplacedFile((dest + "\\img\\small\\b.gif").c_str()));
    ASSERT_TRUE(doc.SaveReplacedFile((tree / "nothing-there").c_str())) << "nothing to keep is no failure";
    ASSERT_EQ(2u, doc.ReplacedFiles.size());
    const std::string backups = doc.BackupFolder.str();
    EXPECT_NE(0u, backups.find(tree.Root())) << "kept outside the destination";
    SetFileAttributesA((dest + "\\img\\small\\b.gif").c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(dest + "\\img\\small\\b.gif", "new b");

    // The rollback empties and removes img\small; the restore makes it again.
    doc.RollBackInstall();

    EXPECT_EQ("earlier b", ReadBytes(dest + "\\img\\small\\b.gif"));
    EXPECT_EQ(earlierAttributes, Attributes(dest + "\\img\\small\\b.gif"));
    EXPECT_FALSE(Exists(dest + "\\img\\a.gif"));
    EXPECT_TRUE(doc.ReplacedFiles.empty());
    EXPECT_FALSE(Exists(backups));
}

TEST_F(RollbackTest, DroppedCopiesAreDeleted)
{
    ASSERT_TRUE(doc.SaveReplacedFile((dest + "\\img\\a.gif").c_str()));
    const std::string backups = doc.BackupFolder.str();
    ASSERT_TRUE(Exists(backups));

    doc.DropReplacedFiles();

    EXPECT_FALSE(Exists(backups));
    EXPECT_TRUE(doc.BackupFolder.IsEmpty());
    EXPECT_EQ("a", ReadBytes(dest + "\\img\\a.gif"));
}
