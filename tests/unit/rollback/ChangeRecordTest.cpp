// The record of a run's changes and its undo, against the real file system
// and registry: what the record holds goes back exactly, in its order, and
// nothing it does not hold is touched.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "base/ScopedHandles.h"
#include "base/SystemCalls.h"
#include "rollback/ChangeRecord.h"
#include "rollback/KeptAside.h"
#include "rollback/RecordedRegistry.h"
#include "rollback/UndoSteps.h"

#include <string>

using FileTree::Attributes;
using FileTree::Exists;
using FileTree::MakeFolder;
using FileTree::ReadBytes;
using FileTree::Snapshot;
using FileTree::WriteBytes;

namespace {

const char TEST_KEY[] = "Software\\TarvelRecordTest";

BOOL WINAPI FailingMove(LPCSTR, LPCSTR)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

void WINAPI NoPause(DWORD) {}

// A file that a scanner holds: the next `g_heldCalls` calls fail as held.
int g_heldCalls = 0;
BOOL WINAPI HeldMove(LPCSTR from, LPCSTR to)
{
    if (g_heldCalls-- > 0) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return MoveFileA(from, to);
}
BOOL WINAPI HeldDelete(LPCSTR path)
{
    if (g_heldCalls-- > 0) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    return DeleteFileA(path);
}

} // namespace

class ChangeRecordTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shared_test::DeleteKeyTree(TEST_KEY);
        MakeFolder(pre);
        Sys().Sleep = &NoPause;
    }
    void TearDown() override
    {
        ResetSystemCalls();
        shared_test::DeleteKeyTree(TEST_KEY);
    }

    FileTree::TempTree tree;
    const std::string pre = tree / "Pre";
    ChangeRecord record;
};

// A re-install in miniature: a folder that was there, an earlier read-only
// hidden file replaced, new folders and files, a user's file dropped into a
// new folder meanwhile. After the undo the tree is the tree before.
TEST_F(ChangeRecordTest, UndoPutsTheTreeBackAndLeavesWhatItDidNotRecord)
{
    WriteBytes(pre + "\\index.htm", "earlier");
    SetFileAttributesA((pre + "\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    const auto before = Snapshot(tree.Root());

    const std::string created = pre + "\\New";
    MakeFolder(created);
    record.FolderCreated(Change::Area::Package, created.c_str());
    ASSERT_TRUE(KeptAside::Keep(record, Change::Area::Package, pre.c_str(), (pre + "\\index.htm").c_str()));
    EXPECT_FALSE(Exists(pre + "\\index.htm")) << "renamed, not copied";
    record.FileWritten(Change::Area::Package, (pre + "\\index.htm").c_str());
    WriteBytes(pre + "\\index.htm", "new");
    record.FileWritten(Change::Area::Package, (created + "\\a.htm").c_str());
    WriteBytes(created + "\\a.htm", "a");
    SetFileAttributesA((created + "\\a.htm").c_str(), FILE_ATTRIBUTE_READONLY);

    record.UndoAll();

    EXPECT_EQ(before, Snapshot(tree.Root()));
    EXPECT_TRUE(record.IsEmpty());

    // The same again with a user's file in the new folder: it stays, with it.
    MakeFolder(created);
    record.FolderCreated(Change::Area::Package, created.c_str());
    WriteBytes(created + "\\mine.txt", "mine");
    record.UndoAll();
    EXPECT_EQ("mine", ReadBytes(created + "\\mine.txt"));
}

TEST_F(ChangeRecordTest, CommitDropsKeptFilesAndAFailedKeepChangesNothing)
{
    WriteBytes(pre + "\\a.htm", "earlier a");
    WriteBytes(pre + "\\b.htm", "earlier b");
    ASSERT_TRUE(KeptAside::Keep(record, Change::Area::Package, pre.c_str(), (pre + "\\a.htm").c_str()));
    const std::string aside = record.AsideFolderUnder(pre.c_str()).str();
    ASSERT_FALSE(aside.empty());
    EXPECT_TRUE(Attributes(aside) & FILE_ATTRIBUTE_HIDDEN);

    Sys().MoveFileA = &FailingMove;
    EXPECT_FALSE(KeptAside::Keep(record, Change::Area::Package, pre.c_str(), (pre + "\\b.htm").c_str()));
    EXPECT_EQ(ERROR_ACCESS_DENIED, GetLastError());
    EXPECT_EQ("earlier b", ReadBytes(pre + "\\b.htm"));
    EXPECT_EQ(1, record.KeptCount());
    ResetSystemCalls();
    Sys().Sleep = &NoPause;

    WriteBytes(pre + "\\a.htm", "new a");
    record.Commit();
    EXPECT_EQ("new a", ReadBytes(pre + "\\a.htm"));
    EXPECT_FALSE(Exists(aside));
    EXPECT_TRUE(record.IsEmpty());
}

// Areas go back shortcuts first, shared next, package last, each newest
// first, whatever order their changes came in.
TEST_F(ChangeRecordTest, AreasGoBackInUndoOrderAndTheObserverHearsEachStep)
{
    std::vector<std::string> heard;
    record.Observer = [&](const Change& change, bool undone) {
        if (undone)
            heard.push_back(change.Path.str());
    };
    record.FileWritten(Change::Area::Shared, "S1");
    record.FileWritten(Change::Area::Package, "P1");
    record.FileWritten(Change::Area::Shortcuts, "L1");
    record.FileWritten(Change::Area::Package, "P2");
    record.FileWritten(Change::Area::Shared, "S2");

    record.UndoAll();

    EXPECT_EQ((std::vector<std::string>{"L1", "S2", "S1", "P2", "P1"}), heard);
}

TEST_F(ChangeRecordTest, RegistryGoesBackToItsEarlierValuesAndCreatedLevelsGoWhenEmpty)
{
    const std::string existing = std::string(TEST_KEY) + "\\Existing";
    const std::string made = std::string(TEST_KEY) + "\\Existing\\Made\\Deeper";
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, existing.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr));
        RegSetValueExA(key.Get(), "Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>("earlier"), 8);
    }
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RecordedRegistry::CreateKey(record, Change::Area::Shortcuts, HKEY_LOCAL_MACHINE,
                                                             existing.c_str(), key));
        ASSERT_EQ(ERROR_SUCCESS, RecordedRegistry::SetText(record, Change::Area::Shortcuts, HKEY_LOCAL_MACHINE, key.Get(),
                                                           existing.c_str(), "Kept", "new"));
        ASSERT_EQ(ERROR_SUCCESS, RecordedRegistry::SetText(record, Change::Area::Shortcuts, HKEY_LOCAL_MACHINE, key.Get(),
                                                           existing.c_str(), "Added", "new"));
    }
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS,
                  RecordedRegistry::CreateKey(record, Change::Area::Shortcuts, HKEY_LOCAL_MACHINE, made.c_str(), key));
        RecordedRegistry::SetText(record, Change::Area::Shortcuts, HKEY_LOCAL_MACHINE, key.Get(), made.c_str(), "V",
                                  "x");
    }
    // Another program puts a key below a level this run made: that level stays.
    const std::string theirs = std::string(TEST_KEY) + "\\Existing\\Made\\Theirs";
    {
        ScopedRegKey key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, theirs.c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, key.Receive(), nullptr));
    }

    record.UndoAll();

    EXPECT_EQ("earlier", shared_test::ReadText(existing, "Kept"));
    EXPECT_EQ("<absent>", shared_test::ReadText(existing, "Added"));
    EXPECT_FALSE(shared_test::KeyExists(made));
    EXPECT_TRUE(shared_test::KeyExists(theirs));
}

// An item the undo cannot remove keeps its read-only bit: a file held open by
// another program, a folder that is not empty.
TEST_F(ChangeRecordTest, AnItemThatCannotBeRemovedKeepsItsReadOnlyBit)
{
    const std::string file = pre + "\\held.htm";
    WriteBytes(file, "held");
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    {
        ScopedHandle held(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held.IsValid());
        EXPECT_FALSE(Undo::RemoveFile(file.c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError()) << "the delete's own error";
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    EXPECT_EQ(kept, Attributes(file) & kept);

    SetFileAttributesA(pre.c_str(), FILE_ATTRIBUTE_READONLY);
    if (Attributes(pre) & FILE_ATTRIBUTE_READONLY) { // Wine may keep no such bit on a folder
        EXPECT_FALSE(Undo::RemoveFolderIfEmpty(pre.c_str()));
        EXPECT_TRUE(Attributes(pre) & FILE_ATTRIBUTE_READONLY);
    }

    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA(pre.c_str(), FILE_ATTRIBUTE_DIRECTORY);
}

// The rename that keeps an earlier file aside comes right after that file was
// read, and the undo deletes what the run wrote a moment before: a scanner
// may hold either. Both are waited for; the earlier file comes back.
TEST_F(ChangeRecordTest, KeepAndUndoWaitForAFileHeldForAMoment)
{
    WriteBytes(pre + "\\a.htm", "earlier a");
    g_heldCalls = 2;
    Sys().MoveFileA = &HeldMove;
    ASSERT_TRUE(KeptAside::Keep(record, Change::Area::Package, pre.c_str(), (pre + "\\a.htm").c_str()));
    EXPECT_EQ(1, record.KeptCount());
    EXPECT_FALSE(Exists(pre + "\\a.htm"));

    WriteBytes(pre + "\\a.htm", "new a");
    record.FileWritten(Change::Area::Package, (pre + "\\a.htm").c_str());
    g_heldCalls = 3;
    Sys().DeleteFileA = &HeldDelete;
    record.UndoAll();
    EXPECT_EQ("earlier a", ReadBytes(pre + "\\a.htm"));
    EXPECT_TRUE(record.IsEmpty());
}
