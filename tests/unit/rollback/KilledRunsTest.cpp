// The recovery of a killed run from its journal: a run in miniature is cut
// off after each of its steps, its record dropped as a killed process drops
// it, and the next run's recovery must give the tree before it back; a
// journal that names anything outside its root changes nothing.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "base/SystemCalls.h"
#include "rollback/ChangeRecord.h"
#include "rollback/KeptAside.h"
#include "rollback/KilledRuns.h"
#include "rollback/RecordedFolders.h"
#include "rollback/RunJournal.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

using FileTree::Exists;
using FileTree::MakeFolder;
using FileTree::ReadBytes;
using FileTree::Snapshot;
using FileTree::WriteBytes;

namespace {

// The aside folder a run of this process makes first under 'root'.
std::string AsideFolder(const std::string& root)
{
    return root + "\\~TarvelKept." + std::to_string(GetCurrentProcessId()) + ".0";
}

class KilledRunsTest : public ::testing::Test {
protected:
    FileTree::TempTree tree;
    const std::string top = tree / "Maker";
    const std::string root = tree / "Maker\\Guide";

    // An earlier installation's index.htm kept aside and written again.
    void ReplaceIndex(ChangeRecord& record)
    {
        MakeFolder(top);
        MakeFolder(root);
        WriteBytes(root + "\\index.htm", "earlier");
        ASSERT_TRUE(KeptAside::Keep(record, Change::Area::Package, root.c_str(), (root + "\\index.htm").c_str()));
        record.FileWritten(Change::Area::Package, (root + "\\index.htm").c_str());
        WriteBytes(root + "\\index.htm", "version 2");
    }
};

// A re-install's steps in the order a run makes them: the levels, the
// journal, an earlier file kept aside and written again, a new folder with a
// new file, the earlier log kept aside and written again.
std::vector<std::function<void(ChangeRecord&, const std::string&)>> ReinstallSteps()
{
    auto write = [](ChangeRecord& record, const std::string& path, const char* bytes) {
        record.FileWritten(Change::Area::Package, path.c_str());
        WriteBytes(path, bytes);
    };
    auto keep = [](ChangeRecord& record, const std::string& root, const std::string& path) {
        ASSERT_TRUE(KeptAside::Keep(record, Change::Area::Package, root.c_str(), path.c_str()));
    };
    return {
        [](ChangeRecord& record, const std::string& root) {
            ASSERT_TRUE(KeptAside::Start(record, Change::Area::Package, root.c_str()));
        },
        [=](ChangeRecord& record, const std::string& root) { keep(record, root, root + "\\index.htm"); },
        [=](ChangeRecord& record, const std::string& root) { write(record, root + "\\index.htm", "version 2"); },
        [](ChangeRecord& record, const std::string& root) {
            ASSERT_TRUE(RecordedFolders::Create(record, Change::Area::Package, (root + "\\img").c_str()));
        },
        [=](ChangeRecord& record, const std::string& root) { write(record, root + "\\img\\new.gif", "new"); },
        [=](ChangeRecord& record, const std::string& root) { keep(record, root, root + "\\setupf.cfn"); },
        [=](ChangeRecord& record, const std::string& root) { write(record, root + "\\setupf.cfn", "log 2"); },
    };
}

TEST_F(KilledRunsTest, AReinstallKilledAfterAnyStepIsUndoneByTheNextRun)
{
    const auto steps = ReinstallSteps();
    for (size_t done = 0; done <= steps.size(); ++done) {
        SCOPED_TRACE(done);
        FileTree::RemoveTree(top);
        MakeFolder(top);
        MakeFolder(root);
        WriteBytes(root + "\\index.htm", "earlier");
        SetFileAttributesA((root + "\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteBytes(root + "\\setupf.cfn", "log 1");
        WriteBytes(root + "\\user.txt", "the user's");
        const auto before = Snapshot(tree.Root());
        {
            // Dropped without its undo, as a killed process drops it.
            ChangeRecord record;
            for (size_t i = 0; i < done; ++i)
                steps[i](record, root);
        }
        KilledRuns::RecoverUnder(root.c_str());
        EXPECT_EQ(before, Snapshot(tree.Root()));
        // The recovery is done once: a second run finds nothing more to do.
        EXPECT_EQ(0, KilledRuns::RecoverUnder(root.c_str()));
    }
}

// A fresh install: the levels it made go too, and a level that was there stays.
TEST_F(KilledRunsTest, AFreshInstallKilledLosesItsLevelsAndFiles)
{
    MakeFolder(tree / "Before");
    const auto before = Snapshot(tree.Root());
    {
        ChangeRecord record;
        ASSERT_TRUE(RecordedFolders::CreateMissingLevels(record, Change::Area::Package, (root + "\\").c_str()));
        ASSERT_TRUE(KeptAside::Start(record, Change::Area::Package, root.c_str()));
        record.FileWritten(Change::Area::Package, (root + "\\index.htm").c_str());
        WriteBytes(root + "\\index.htm", "new");
        // Killed half-way through this copy: the journal names it already.
        record.FileWritten(Change::Area::Package, (root + "\\a.htm").c_str());
    }
    EXPECT_TRUE(Exists(AsideFolder(root)));
    EXPECT_EQ(1, KilledRuns::RecoverUnder(root.c_str()));
    EXPECT_EQ(before, Snapshot(tree.Root()));
}

// A run killed while it dropped the replaced files after its success: the
// new installation stays, the rest of the earlier files go.
TEST_F(KilledRunsTest, ARunKilledAfterItsSuccessKeepsTheNewFiles)
{
    {
        ChangeRecord record;
        ReplaceIndex(record);
        record.Journal().Done();
    }
    KilledRuns::RecoverUnder(root.c_str());
    EXPECT_EQ((std::map<std::string, std::string>{{"index.htm", Snapshot(root).at("index.htm")}}), Snapshot(root));
    EXPECT_EQ("version 2", ReadBytes(root + "\\index.htm"));
}

// The run's own undo and its success take the journal away with the folder.
TEST_F(KilledRunsTest, ARunThatEndsLeavesNoJournal)
{
    for (const bool succeeds : {false, true}) {
        ChangeRecord record;
        ReplaceIndex(record);
        if (succeeds)
            record.Commit();
        else
            record.UndoAll();
        EXPECT_FALSE(Exists(AsideFolder(root))) << succeeds;
        EXPECT_EQ(succeeds ? "version 2" : "earlier", ReadBytes(root + "\\index.htm"));
    }
}

struct JournalCase {
    const char* name;
    const char* text;
    bool accepted;
    size_t steps;
};

// Every path of a journal stays inside its root; a level is the root or above it.
TEST(KilledRunsJournal, OnlyLinesThatStayInsideTheRootAreAccepted)
{
    const char* root = "C:\\Maker\\Guide";
    const JournalCase cases[] = {
        {"every kind", "level C:\\Maker\r\nlevel C:\\Maker\\Guide\r\nfolder img\r\nnew img\\a.gif\r\n"
                       "kept 12 index.htm\r\ndone\r\n", true, 5},
        {"an unfinished last line", "new a.htm\r\nkept 3 b.h", true, 1},
        {"nothing", "", true, 0},
        {"a level above", "new ..\\x.htm\r\n", false, 0},
        {"a level above in a kept line", "kept 1 a\\..\\..\\x.htm\r\n", false, 0},
        {"an absolute path", "new C:\\Windows\\x.dll\r\n", false, 0},
        {"a rooted path", "folder \\Windows\r\n", false, 0},
        {"a network path", "new \\\\host\\share\\x\r\n", false, 0},
        {"a stream", "new a.htm:stream\r\n", false, 0},
        {"a level beside the root", "level C:\\Maker\\Other\r\n", false, 0},
        {"a level below the root", "level C:\\Maker\\Guide\\img\r\n", false, 0},
        {"the drive's root", "level C:\\\r\n", false, 0},
        {"a negative number", "kept -1 a.htm\r\n", false, 0},
        {"a huge number", "kept 99999999999 a.htm\r\n", false, 0},
        {"no path", "kept 1\r\n", false, 0},
        {"an unknown word", "delete a.htm\r\n", false, 0},
        {"an empty path", "new \r\n", false, 0},
    };
    for (const JournalCase& c : cases) {
        KilledRuns::Journal journal;
        EXPECT_EQ(c.accepted, KilledRuns::Parse(c.text, root, journal)) << c.name;
        if (c.accepted) {
            EXPECT_EQ(c.steps, journal.Steps.size()) << c.name;
        }
    }
}

// A tampered journal that names a file outside changes nothing, inside or out.
TEST_F(KilledRunsTest, ATamperedJournalChangesNothing)
{
    MakeFolder(top);
    MakeFolder(root);
    WriteBytes(tree / "victim.txt", "not ours");
    WriteBytes(root + "\\index.htm", "installed");
    const std::string aside = AsideFolder(root);
    MakeFolder(aside);
    WriteBytes(aside + "\\journal", "new index.htm\r\nnew ..\\..\\victim.txt\r\n");
    const auto before = Snapshot(tree.Root());
    KilledRuns::RecoverUnder(root.c_str());
    EXPECT_EQ(before, Snapshot(tree.Root()));
}

// The folder of a run that still goes on is left alone.
TEST_F(KilledRunsTest, TheFolderOfARunningProcessIsLeft)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    // Held before its first instruction: it runs until the test ends it.
    char command[] = "cmd.exe /c exit 0";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                               nullptr, nullptr, &startup, &process));
    MakeFolder(top);
    MakeFolder(root);
    const std::string aside = root + "\\~TarvelKept." + std::to_string(process.dwProcessId) + ".0";
    MakeFolder(aside);
    WriteBytes(aside + "\\journal", "new index.htm\r\n");
    WriteBytes(root + "\\index.htm", "being installed");
    EXPECT_FALSE(KilledRuns::IsFromEndedRun(aside.c_str()));
    KilledRuns::RecoverUnder(root.c_str());
    EXPECT_EQ("being installed", ReadBytes(root + "\\index.htm"));
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    EXPECT_TRUE(KilledRuns::IsFromEndedRun(aside.c_str()));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    KilledRuns::RecoverUnder(root.c_str());
    EXPECT_FALSE(Exists(root + "\\index.htm"));
}

} // namespace
