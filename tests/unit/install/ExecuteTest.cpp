// The copy phase of an install on a real package tree: where each item
// lands, the log text, the progress, the failures and the cancel, and a
// re-install that fails or is cancelled over an earlier installation.
#include <cstring>
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "TestSupport.h"
#include "base/HeldFiles.h"
#include "base/SystemCalls.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"
#include "install/PackageCopy.h"
#include "script/ScriptKeys.h"

#include <shlobj.h>

#include <algorithm>

#include <string>
#include <vector>

using FileTree::Attributes;
using FileTree::Exists;
using FileTree::ReadBytes;
using FileTree::WriteBytes;

namespace {

const char WRITE_TEXT[] = "write error";
const char COPY_TEXT[] = "copy error";
const char NOSPACE_TEXT[] = "no space";
const char CANCEL_TEXT[] = "cancelled";
const char GENERAL_TEXT[] = "error occurred";

// Answers the copy loop like the status window would: records what it was
// shown and raises the cancel request when told to.
class RecordingView : public CTarvelView {
public:
    RecordingView() { IsStatusShown = 1; }

    void OnUpdate(CView*, LPARAM, CObject*) override
    {
        Positions.push_back(GetDocument()->GetProgress());
        Items.push_back(GetDocument()->CurrentItem.str());
        if (static_cast<int>(Positions.size()) == CancelAtUpdate)
            StatusDlg.CancelRequest = 1;
    }

    std::vector<int> Positions;
    std::vector<std::string> Items;
    int CancelAtUpdate = 0;
};

// What the fake CopyFileA does with copies into the destination tree (the
// copies aside into the temp folder are not counted).
struct CopyFaults {
    std::string Destination; // copies whose target starts with this count
    int Calls = 0;
    int FailAt = 0;
    DWORD Error = 0;
    int FailCount = 1; // the calls from FailAt on that fail
    int CancelAfter = 0;
    bool FailSavesAside = false;
    RecordingView* View = nullptr;
};
CopyFaults g_copy;

BOOL WINAPI FakeMoveFile(LPCSTR from, LPCSTR to)
{
    if (g_copy.FailSavesAside) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return MoveFileA(from, to);
}

BOOL WINAPI FakeCopyFile(LPCSTR from, LPCSTR to, BOOL failIfExists)
{
    const std::string target = to;
    const bool counted = target.compare(0, g_copy.Destination.size(), g_copy.Destination) == 0;
    if (counted && ++g_copy.Calls >= g_copy.FailAt && g_copy.Calls < g_copy.FailAt + g_copy.FailCount) {
        SetLastError(g_copy.Error);
        return FALSE;
    }
    BOOL ok = CopyFileA(from, to, failIfExists);
    if (counted && g_copy.Calls == g_copy.CancelAfter && g_copy.View)
        g_copy.View->StatusDlg.CancelRequest = 1;
    return ok;
}

std::vector<DWORD> g_pauses;
void WINAPI RecordedPause(DWORD ms)
{
    g_pauses.push_back(ms);
}

BOOL WINAPI FailingCreateDirectory(LPCSTR, LPSECURITY_ATTRIBUTES)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

BOOL WINAPI FailingSetAttributes(LPCSTR, DWORD)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// Only the first call on a file fails: the install's, not its undo's (the
// hidden bit of the folder that keeps replaced files is no file's).
int g_attributeCalls = 0;
BOOL WINAPI FirstSetAttributesFails(LPCSTR path, DWORD attributes)
{
    if (std::strstr(path, "~TarvelKept") == nullptr && ++g_attributeCalls == 1)
        return FailingSetAttributes(path, attributes);
    return SetFileAttributesA(path, attributes);
}

} // namespace

// A package as it lies on the disk: root\SETUP (the installer's folder,
// current), root\GUIDE (the data folder) and the destination root\Docs\Guide,
// whose two levels the preparation "created" and journalled.
class ExecuteTest : public ::testing::Test {
protected:
    ExecuteTest()
        : tree("SETUP")
        , docs(tree / "Docs")
        , dest(tree / "Docs\\Guide")
    {
    }

    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        savedCalls = Sys();
        ResetJournal();
        g_copy = CopyFaults();
        g_copy.Destination = docs;
        g_pauses.clear();
        Sys().Sleep = &RecordedPause;

        WriteBytes(tree / "SETUP\\tarvel.eif", "script");
        WriteBytes(tree / "SETUP\\uninst.exe", "uninstaller");
        WriteBytes(tree / "SETUP\\guide.ico", "icon");
        FileTree::MakeFolder(tree / "GUIDE");
        FileTree::MakeFolder(tree / "GUIDE\\img");
        WriteBytes(tree / "GUIDE\\index.htm", "index v1");
        WriteBytes(tree / "GUIDE\\img\\a.gif", "gif v1");
        Configure(doc);
        doc.AddView(&view);
    }

    void TearDown() override
    {
        Sys() = savedCalls;
        doc.Record().Commit();
        ResetJournal();
    }

    // The script, destination and source list of the worked example.
    void Configure(CTarvelDoc& d)
    {
        SetScript(d, { { SEC_INSTALL, KEY_DATA_PATH, "GUIDE" } });
        d.InstallFolder = (dest + "\\").c_str();
        d.SourceList.clear();
        AddRecord(d, "..\\GUIDE\\index.htm");
        AddRecord(d, "..\\GUIDE\\img", true);
        AddRecord(d, "..\\GUIDE\\img\\a.gif");
        AddRecord(d, "uninst.exe");
        AddRecord(d, "tarvel.eif");
        AddRecord(d, "guide.ico");
    }

    static void SetScript(CTarvelDoc& d, std::vector<std::vector<std::string>> entries)
    {
        entries.push_back({ SEC_ERROR, KEY_ERR_MES_WRITE_ERROR, WRITE_TEXT });
        entries.push_back({ SEC_ERROR, KEY_ERR_MES_COPY_ERROR, COPY_TEXT });
        entries.push_back({ SEC_ERROR, KEY_ERR_MES_NOSPACE, NOSPACE_TEXT });
        entries.push_back({ SEC_ERROR, KEY_ERR_MES_USER_CANCEL, CANCEL_TEXT });
        entries.push_back({ SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, GENERAL_TEXT });
        d.ScriptCount = static_cast<int>(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            d.SetupScript[i].Section = entries[i][0].c_str();
            d.SetupScript[i].Key = entries[i][1].c_str();
            d.SetupScript[i].Value = entries[i][2].c_str();
        }
    }

    static void AddRecord(CTarvelDoc& d, const std::string& path, bool folder = false)
    {
        SourceEntry entry;
        entry.Path = path.c_str();
        entry.Attributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        d.SourceList.push_back(entry);
    }

    // The two destination levels, made and journalled as the preparation does.
    void PrepareDestination()
    {
        FileTree::MakeFolder(docs);
        FileTree::MakeFolder(dest);
        TestApp().AddCreatedInstallFolder(docs.c_str());
        TestApp().AddCreatedInstallFolder(dest.c_str());
    }

    // The boxes shown and nothing of the install left on the disk.
    void ExpectOneBoxAndNothingLeft(const char* text)
    {
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(text, boxes.Last().Text);
        EXPECT_FALSE(Exists(docs)) << "the created levels are removed again";
    }

    std::string WorkedExampleLog() const
    {
        return "<f>:" + docs + "? <f>:" + dest
            + "? index.htm? <d>:img? img\\a.gif? uninst.exe? tarvel.eif? guide.ico? ";
    }

    FileTree::TempTree tree;
    const std::string docs;
    const std::string dest;
    SystemCalls savedCalls {};
    BoxRecorder boxes;
    CTarvelDoc doc;
    RecordingView view;
};

TEST_F(ExecuteTest, WorkedExampleInstallsEveryItemAndLogsIt)
{
    PrepareDestination();

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ(0u, boxes.Count());
    EXPECT_EQ(WorkedExampleLog(), doc.LogText.str());
    EXPECT_EQ(7, doc.ProgressDivisor);
    EXPECT_EQ("index v1", ReadBytes(dest + "\\index.htm"));
    EXPECT_EQ("gif v1", ReadBytes(dest + "\\img\\a.gif"));
    EXPECT_EQ("uninstaller", ReadBytes(dest + "\\uninst.exe"));
    EXPECT_EQ("script", ReadBytes(dest + "\\tarvel.eif"));
    EXPECT_EQ("icon", ReadBytes(dest + "\\guide.ico"));

    std::string stored = ReadBytes(dest + "\\setupf.cfn");
    for (char& c : stored)
        ++c;
    EXPECT_EQ(doc.LogText.str(), stored);
    EXPECT_TRUE(Attributes(dest + "\\setupf.cfn") & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(0, doc.Record().KeptCount()) << "a first install replaces nothing";
}

TEST_F(ExecuteTest, FirstMatchingDataFolderWinsWithoutRegardToCase)
{
    PrepareDestination();
    SetScript(doc,
        { { SEC_INSTALL, KEY_DATA_PATH, "DOC" }, { SEC_INSTALL, "DATA_PATH2", "DOC\\SUB" },
            { SEC_INSTALL, "DATA_PATH3", "Extra" } });
    FileTree::MakeFolder(tree / "DOC");
    FileTree::MakeFolder(tree / "DOC\\SUB");
    FileTree::MakeFolder(tree / "Extra");
    WriteBytes(tree / "DOC\\SUB\\x.htm", "x");
    WriteBytes(tree / "Extra\\e.txt", "e");
    doc.SourceList.clear();
    AddRecord(doc, "..\\doc\\Sub", true);
    AddRecord(doc, "..\\doc\\Sub\\x.htm");
    AddRecord(doc, "..\\EXTRA\\e.txt");
    AddRecord(doc, "uninst.exe");

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ("x", ReadBytes(dest + "\\Sub\\x.htm"));
    EXPECT_EQ("e", ReadBytes(dest + "\\e.txt"));
    EXPECT_EQ("uninstaller", ReadBytes(dest + "\\uninst.exe"));
    EXPECT_EQ(
        "<f>:" + docs + "? <f>:" + dest + "? <d>:Sub? Sub\\x.htm? e.txt? uninst.exe? ", doc.LogText.str());
}

TEST_F(ExecuteTest, DoubleByteNamesWithBackslashTrailBytesMapIntact)
{
    // "表" and "ソ" end in the byte of a backslash.
    const std::string hyo = "\x95\x5C", so = "\x83\x5C";
    PrepareDestination();
    SetScript(doc, { { SEC_INSTALL, KEY_DATA_PATH, "Data" + hyo } });
    FileTree::MakeFolder(tree / ("Data" + hyo));
    FileTree::MakeFolder(tree / ("Data" + hyo + "\\" + so));
    WriteBytes(tree / ("Data" + hyo + "\\" + so + "\\" + hyo + ".htm"), "sjis");
    doc.SourceList.clear();
    AddRecord(doc, "..\\Data" + hyo + "\\" + so, true);
    AddRecord(doc, "..\\Data" + hyo + "\\" + so + "\\" + hyo + ".htm");

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ("sjis", ReadBytes(dest + "\\" + so + "\\" + hyo + ".htm"));
    EXPECT_EQ("<f>:" + docs + "? <f>:" + dest + "? <d>:" + so + "? " + so + "\\" + hyo + ".htm? ",
        doc.LogText.str());
}

TEST_F(ExecuteTest, SameNameInTwoDataFoldersIsNotKeptAsAnEarlierFile)
{
    PrepareDestination();
    SetScript(doc, { { SEC_INSTALL, KEY_DATA_PATH, "GUIDE" }, { SEC_INSTALL, "DATA_PATH2", "MORE" } });
    FileTree::MakeFolder(tree / "MORE");
    FileTree::MakeFolder(tree / "MORE\\img");
    WriteBytes(tree / "MORE\\index.htm", "more");
    doc.SourceList.clear();
    AddRecord(doc, "..\\GUIDE\\img", true);
    AddRecord(doc, "..\\GUIDE\\index.htm");
    AddRecord(doc, "..\\MORE\\img", true);
    AddRecord(doc, "..\\MORE\\index.htm");
    AddRecord(doc, "uninst.exe");
    g_copy.FailAt = 3;
    g_copy.Error = ERROR_ACCESS_DENIED;
    Sys().CopyFileA = &FakeCopyFile;

    EXPECT_FALSE(doc.CopyPackage());

    // The second index.htm and img are this install's own: nothing comes back.
    ExpectOneBoxAndNothingLeft(COPY_TEXT);
    EXPECT_EQ(0, doc.Record().KeptCount());
}

// The copy skips its existence check in folders that were empty or that it
// made itself; a name that a second data folder writes again must still be
// found there, read-only bit and all, and must not count as an earlier file.
TEST_F(ExecuteTest, NameWrittenAgainIntoANewFolderIsOverwritten)
{
    PrepareDestination();
    SetScript(doc, { { SEC_INSTALL, KEY_DATA_PATH, "GUIDE" }, { SEC_INSTALL, "DATA_PATH2", "MORE" } });
    FileTree::MakeFolder(tree / "MORE");
    FileTree::MakeFolder(tree / "MORE\\img");
    WriteBytes(tree / "MORE\\index.htm", "index more");
    WriteBytes(tree / "MORE\\img\\a.gif", "gif more");
    // The first copies arrive read-only, as their sources are.
    SetFileAttributesA((tree / "GUIDE\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((tree / "GUIDE\\img\\a.gif").c_str(), FILE_ATTRIBUTE_READONLY);
    doc.SourceList.clear();
    AddRecord(doc, "..\\GUIDE\\index.htm");
    AddRecord(doc, "..\\GUIDE\\img", true);
    AddRecord(doc, "..\\GUIDE\\img\\a.gif");
    AddRecord(doc, "..\\MORE\\img", true);
    AddRecord(doc, "..\\MORE\\img\\a.gif");
    AddRecord(doc, "..\\MORE\\index.htm");

    const bool copied = doc.CopyPackage();
    SetFileAttributesA((tree / "GUIDE\\index.htm").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((tree / "GUIDE\\img\\a.gif").c_str(), FILE_ATTRIBUTE_NORMAL);

    ASSERT_TRUE(copied);
    EXPECT_EQ(0u, boxes.Count());
    EXPECT_EQ("index more", ReadBytes(dest + "\\index.htm"));
    EXPECT_EQ("gif more", ReadBytes(dest + "\\img\\a.gif"));
    EXPECT_EQ(0, doc.Record().KeptCount());
    EXPECT_EQ("<f>:" + docs + "? <f>:" + dest
            + "? index.htm? <d>:img? img\\a.gif? <d>:img? img\\a.gif? index.htm? ",
        doc.LogText.str());
}

// "ア" is 0x83 0x41: its trail byte is an upper-case letter's code, which the
// data folder's match must leave alone while it folds the letters around it.
TEST_F(ExecuteTest, DataFolderWithLetterTrailByteMatchesWithoutRegardToCase)
{
    const std::string a = "\x83\x41";
    PrepareDestination();
    SetScript(doc, { { SEC_INSTALL, KEY_DATA_PATH, a + "Doc" } });
    FileTree::MakeFolder(tree / (a + "Doc"));
    WriteBytes(tree / (a + "Doc\\" + a + ".htm"), "katakana");
    doc.SourceList.clear();
    AddRecord(doc, "..\\" + a + "DOC\\" + a + ".htm");

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ("katakana", ReadBytes(dest + "\\" + a + ".htm"));
    EXPECT_EQ("<f>:" + docs + "? <f>:" + dest + "? " + a + ".htm? ", doc.LogText.str());
}

TEST_F(ExecuteTest, ProgressStepsAndPositions)
{
    PrepareDestination();
    doc.SourceList.resize(5);
    for (int i = 0; i < 5; ++i) {
        WriteBytes(tree / ("SETUP\\f" + std::to_string(i)), "");
        doc.SourceList[i].Path = ("f" + std::to_string(i)).c_str();
    }
    ASSERT_EQ(&view, doc.ProgressView());

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ(6, doc.ProgressDivisor);
    EXPECT_EQ((std::vector<int> { 16, 33, 50, 66, 83 }), view.Positions);
    EXPECT_EQ(dest + "\\f4", view.Items.back());

    // Twenty items give 22 steps; fewer than ten get one more than the items.
    CTarvelDoc twenty;
    Configure(twenty);
    twenty.SourceList.assign(20, doc.SourceList[0]);
    ASSERT_TRUE(twenty.CopyPackage());
    EXPECT_EQ(22, twenty.ProgressDivisor);
    twenty.SourceList.clear();
    ASSERT_TRUE(twenty.CopyPackage());
    EXPECT_EQ(1, twenty.ProgressDivisor);
    twenty.Record().Commit();
}

TEST_F(ExecuteTest, ExistingFolderIsLoggedAndReadOnlyFileIsOverwritten)
{
    // The destination exists already: nothing is journalled.
    FileTree::MakeFolder(docs);
    FileTree::MakeFolder(dest);
    FileTree::MakeFolder(dest + "\\img");
    WriteBytes(dest + "\\index.htm", "old");
    SetFileAttributesA((dest + "\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ(0u, boxes.Count());
    EXPECT_EQ("index v1", ReadBytes(dest + "\\index.htm"));
    EXPECT_NE(std::string::npos, doc.LogText.str().find("<d>:img? "));
    EXPECT_EQ(0u, doc.LogText.str().find("index.htm? ")) << "no created levels to log";
}

class CopyErrorTest : public ExecuteTest,
                      public ::testing::WithParamInterface<std::pair<DWORD, const char*>> { };

TEST_P(CopyErrorTest, FailedCopyIsReportedByItsErrorAndUndone)
{
    PrepareDestination();
    g_copy.FailAt = 3; // uninst.exe, after index.htm and img\a.gif were copied
    g_copy.Error = GetParam().first;
    g_copy.FailCount = 1000; // a file held for good
    Sys().CopyFileA = &FakeCopyFile;

    EXPECT_FALSE(doc.CopyPackage());

    ExpectOneBoxAndNothingLeft(GetParam().second);
    EXPECT_EQ(0, doc.IsUserCancel);
}

INSTANTIATE_TEST_SUITE_P(Errors, CopyErrorTest,
    ::testing::Values(std::make_pair(DWORD { ERROR_INVALID_DATA }, NOSPACE_TEXT),
        std::make_pair(DWORD { ERROR_ACCESS_DENIED }, COPY_TEXT),
        std::make_pair(DWORD { ERROR_DISK_FULL }, NOSPACE_TEXT),
        std::make_pair(DWORD { ERROR_HANDLE_DISK_FULL }, NOSPACE_TEXT),
        std::make_pair(DWORD { ERROR_SHARING_VIOLATION }, COPY_TEXT)),
    [](const ::testing::TestParamInfo<std::pair<DWORD, const char*>>& info) {
        return "SystemError" + std::to_string(info.param.first);
    });

// A copy that a scanner holds up for a moment: waited for, the install goes
// on; one held past the last pause fails as any failed copy, undone.
TEST_F(ExecuteTest, CopyHeldForAMomentIsWaitedForAndOneHeldForGoodFails)
{
    for (DWORD error : {DWORD {ERROR_SHARING_VIOLATION}, DWORD {ERROR_LOCK_VIOLATION}})
        for (int held = 1; held <= HeldFiles::PAUSE_COUNT + 1; ++held) {
            SCOPED_TRACE("error " + std::to_string(error) + ", held " + std::to_string(held) + " times");
            CTarvelDoc run;
            Configure(run);
            boxes.Clear();
            ResetJournal();
            PrepareDestination();
            g_copy = CopyFaults();
            g_copy.Destination = docs;
            g_copy.FailAt = 3; // uninst.exe
            g_copy.FailCount = held;
            g_copy.Error = error;
            g_pauses.clear();
            Sys().CopyFileA = &FakeCopyFile;
            const bool waitedLongEnough = held <= HeldFiles::PAUSE_COUNT;
            EXPECT_EQ(waitedLongEnough, run.CopyPackage() != FALSE);
            EXPECT_EQ(static_cast<size_t>(std::min(held, HeldFiles::PAUSE_COUNT)), g_pauses.size());
            if (waitedLongEnough) {
                EXPECT_EQ(0u, boxes.Count());
                EXPECT_EQ("uninstaller", ReadBytes(dest + "\\uninst.exe"));
                run.Record().Commit();
                FileTree::RemoveTree(docs);
            } else {
                ExpectOneBoxAndNothingLeft(COPY_TEXT);
            }
        }
}

TEST_F(ExecuteTest, FolderThatCannotBeCreatedIsAWriteError)
{
    PrepareDestination();
    Sys().CreateDirectoryA = &FailingCreateDirectory;

    EXPECT_FALSE(doc.CopyPackage());

    ExpectOneBoxAndNothingLeft(WRITE_TEXT);
}

// An earlier read-only, hidden file is replaced (kept aside by a rename, no
// attribute cleared) and comes back, bytes and attributes, when a later copy
// fails. As root under Wine a read-only file can be overwritten anyway, so
// the attributes are what tells.
TEST_F(ExecuteTest, ReadOnlyEarlierFileComesBackWithItsAttributesAfterAFailure)
{
    PrepareDestination();
    WriteBytes(dest + "\\uninst.exe", "locked");
    SetFileAttributesA((dest + "\\uninst.exe").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    g_copy.FailAt = 4; // tarvel.eif, after uninst.exe was replaced
    g_copy.Error = ERROR_ACCESS_DENIED;
    Sys().CopyFileA = &FakeCopyFile;

    EXPECT_FALSE(doc.CopyPackage());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(COPY_TEXT, boxes.Last().Text);
    EXPECT_EQ("locked", ReadBytes(dest + "\\uninst.exe"));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN),
              Attributes(dest + "\\uninst.exe") & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_FALSE(Exists(dest + "\\index.htm"));
    EXPECT_FALSE(Exists(dest + "\\img"));
}

TEST_F(ExecuteTest, CancelAtTheFirstItemLeavesNothing)
{
    PrepareDestination();
    view.CancelAtUpdate = 1;

    EXPECT_FALSE(doc.CopyPackage());

    ExpectOneBoxAndNothingLeft(CANCEL_TEXT);
    EXPECT_EQ(1, doc.IsUserCancel);
    EXPECT_EQ(1u, view.Positions.size());
}

TEST_F(ExecuteTest, CancelAfterACopyTakesTheCopiedFilesBack)
{
    PrepareDestination();
    g_copy.CancelAfter = 3; // right after uninst.exe
    g_copy.View = &view;
    Sys().CopyFileA = &FakeCopyFile;

    EXPECT_FALSE(doc.CopyPackage());

    ExpectOneBoxAndNothingLeft(CANCEL_TEXT);
    EXPECT_EQ(4u, view.Positions.size()) << "no item after the cancel";
}

TEST_F(ExecuteTest, WritableFilesLoseTheirReadOnlyBit)
{
    const std::string file = tree / "conf.ini";
    WriteBytes(file, "");
    doc.WritableFiles.Add("..\\GUIDE\\Conf.INI");
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

    // Not listed: left alone.
    EXPECT_EQ(1, doc.MakeWritableIfListed("..\\GUIDE\\other.ini", file.c_str()));
    EXPECT_TRUE(Attributes(file) & FILE_ATTRIBUTE_READONLY);

    Sys().SetFileAttributesA = &FailingSetAttributes;
    EXPECT_EQ(0, doc.MakeWritableIfListed("..\\guide\\conf.ini", file.c_str()));
    Sys() = savedCalls;

    // Listed, in another case: writable, the other bits kept.
    EXPECT_EQ(1, doc.MakeWritableIfListed("..\\guide\\conf.ini", file.c_str()));
    EXPECT_FALSE(Attributes(file) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(Attributes(file) & FILE_ATTRIBUTE_HIDDEN);
    // Already writable, or not there: nothing to do.
    EXPECT_EQ(1, doc.MakeWritableIfListed("..\\guide\\conf.ini", file.c_str()));
    EXPECT_EQ(1, doc.MakeWritableIfListed("..\\guide\\conf.ini", (tree / "none.ini").c_str()));
}

TEST_F(ExecuteTest, WritableFileThatStaysReadOnlyIsAGeneralError)
{
    PrepareDestination();
    SetFileAttributesA((tree / "GUIDE\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY);
    if (!(Attributes(tree / "GUIDE\\index.htm") & FILE_ATTRIBUTE_READONLY))
        GTEST_SKIP() << "this file system keeps no read-only bit";
    doc.WritableFiles.Add("..\\GUIDE\\index.htm");
    CTarvelDoc writable;
    Configure(writable);
    writable.WritableFiles.Add("..\\GUIDE\\index.htm");

    // The copy carries the read-only bit; the listed file loses it.
    ASSERT_TRUE(writable.CopyPackage());
    EXPECT_FALSE(Attributes(dest + "\\index.htm") & FILE_ATTRIBUTE_READONLY);
    FailLaterStep(writable);
    boxes.Clear();
    ResetJournal();

    PrepareDestination();
    g_attributeCalls = 0;
    Sys().SetFileAttributesA = &FirstSetAttributesFails;
    EXPECT_FALSE(doc.CopyPackage());
    ExpectOneBoxAndNothingLeft(GENERAL_TEXT);
    SetFileAttributesA((tree / "GUIDE\\index.htm").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ExecuteTest, UninstallLogThatCannotBeWrittenUndoesTheCopy)
{
    PrepareDestination();
    // A folder in the log's place: the log cannot be created.
    FileTree::MakeFolder(dest + "\\setupf.cfn");
    TestApp().AddCreatedInstallFolder((dest + "\\setupf.cfn").c_str());

    EXPECT_FALSE(doc.CopyPackage());

    ExpectOneBoxAndNothingLeft(NOSPACE_TEXT);
    EXPECT_EQ("<f>:" + docs + "? <f>:" + dest + "? <f>:" + dest
            + "\\setupf.cfn? index.htm? <d>:img? img\\a.gif? "
              "uninst.exe? tarvel.eif? guide.ico? ",
        doc.LogText.str())
        << "the log text reads as before the write";
}

// A re-install that fails must leave the earlier installation as it was:
// content, attributes, folders and its uninstall log.
class ReinstallTest : public ExecuteTest {
protected:
    void SetUp() override
    {
        ExecuteTest::SetUp();
        PrepareDestination();
        // An empty folder too: the rollback removes it, the restore brings it back.
        FileTree::MakeFolder(tree / "GUIDE\\empty");
        Configure(earlier);
        AddRecord(earlier, "..\\GUIDE\\empty", true);
        AddRecord(doc, "..\\GUIDE\\empty", true);
        ASSERT_TRUE(earlier.CopyPackage());
        // The install's end, which drops its journal.
        earlier.Record().Commit();
        // What the earlier installation's owner did to it afterwards.
        SetFileAttributesA((dest + "\\img\\a.gif").c_str(), FILE_ATTRIBUTE_READONLY);
        WriteBytes(dest + "\\notes.txt", "the user's own");
        before = FileTree::Snapshot(docs);
        ASSERT_TRUE(before.count("Guide\\setupf.cfn"));
        ASSERT_TRUE(before.count("Guide\\empty"));

        // The new version of the package; the destination exists now.
        ResetJournal();
        WriteBytes(tree / "GUIDE\\index.htm", "index v2");
        WriteBytes(tree / "GUIDE\\img\\a.gif", "gif v2");
        FileTree::MakeFolder(tree / "GUIDE\\new");
        WriteBytes(tree / "GUIDE\\new\\b.htm", "new in v2");
        AddRecord(doc, "..\\GUIDE\\new", true);
        AddRecord(doc, "..\\GUIDE\\new\\b.htm");
        Sys().CopyFileA = &FakeCopyFile;
    }

    void ExpectEarlierInstallation()
    {
        EXPECT_EQ(before, FileTree::Snapshot(docs));
        EXPECT_EQ(0, doc.Record().KeptCount());
        EXPECT_TRUE(doc.Record().AsideFolderUnder(dest.c_str()).IsEmpty()) << "the kept files are back";
    }

    CTarvelDoc earlier;
    std::map<std::string, std::string> before;
};

TEST_F(ReinstallTest, FailedCopyLeavesTheEarlierInstallation)
{
    g_copy.FailAt = 3; // uninst.exe: index.htm and img\a.gif are replaced already
    g_copy.Error = ERROR_ACCESS_DENIED;

    EXPECT_FALSE(doc.CopyPackage());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(COPY_TEXT, boxes.Last().Text);
    ExpectEarlierInstallation();
}

TEST_F(ReinstallTest, CancelLeavesTheEarlierInstallation)
{
    g_copy.CancelAfter = 6; // the last copy: everything replaced, the new folder made
    g_copy.View = &view;

    EXPECT_FALSE(doc.CopyPackage());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(CANCEL_TEXT, boxes.Last().Text);
    EXPECT_EQ(1, doc.IsUserCancel);
    ExpectEarlierInstallation();
}

TEST_F(ReinstallTest, FailureAfterTheLogWasWrittenLeavesTheEarlierInstallation)
{
    // Everything copied and the new log written; a later step fails.
    ASSERT_TRUE(doc.CopyPackage());
    EXPECT_EQ("index v2", ReadBytes(dest + "\\index.htm"));

    FailLaterStep(doc);
    EXPECT_EQ(1u, boxes.Count());

    ExpectEarlierInstallation();
}

TEST_F(ReinstallTest, FileThatCannotBeKeptIsNotOverwritten)
{
    g_copy.FailSavesAside = true;
    Sys().MoveFileA = &FakeMoveFile;

    EXPECT_FALSE(doc.CopyPackage());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(COPY_TEXT, boxes.Last().Text);
    EXPECT_EQ(before, FileTree::Snapshot(docs));
}

TEST_F(ReinstallTest, SuccessDropsTheCopiesAside)
{
    ASSERT_TRUE(doc.CopyPackage());
    ASSERT_FALSE(doc.Record().AsideFolderUnder(dest.c_str()).IsEmpty());
    const std::string backups = doc.Record().AsideFolderUnder(dest.c_str()).str();
    EXPECT_TRUE(Exists(backups));

    doc.Record().Commit();

    EXPECT_FALSE(Exists(backups));
    EXPECT_EQ("new in v2", ReadBytes(dest + "\\new\\b.htm"));
    EXPECT_EQ("the user's own", ReadBytes(dest + "\\notes.txt"));
}

// A package built with fixed file times can change a file and keep its size
// and its time: the bytes decide. A page changed in content only is
// replaced; a file of the same bytes is left as it is.
TEST_F(ReinstallTest, FileOfTheSameSizeTimeAndAttributesIsReplacedWhenItsBytesDiffer)
{
    // "index v2" is as long as the installed "index v1"; uninst.exe is unchanged.
    for (SourceEntry& entry : doc.SourceList) {
        const std::string source = entry.Path.str();
        const std::string installed = dest + "\\" + source.substr(source.rfind('\\') + 1);
        if (source.find("index.htm") == std::string::npos && source != "uninst.exe")
            continue;
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExA(installed.c_str(), GetFileExInfoStandard, &data)) << installed;
        HANDLE file
            = CreateFileA(source.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << source;
        SetFileTime(file, nullptr, nullptr, &data.ftLastWriteTime);
        CloseHandle(file);
        // What the scan of the package reads.
        ASSERT_TRUE(GetFileAttributesExA(source.c_str(), GetFileExInfoStandard, &data)) << source;
        entry.Attributes = data.dwFileAttributes;
        entry.SizeHigh = data.nFileSizeHigh;
        entry.SizeLow = data.nFileSizeLow;
        entry.LastWrite = data.ftLastWriteTime;
    }

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ("index v2", ReadBytes(dest + "\\index.htm"));
    auto left = [&](const std::string& name) {
        for (const Change& change : doc.Record().Changes())
            if (change.Type == Change::Kind::FileLeft && change.Path.str() == dest + "\\" + name)
                return true;
        return false;
    };
    EXPECT_TRUE(left("uninst.exe")) << "an unchanged file is left: the comparison reached the bytes";
    EXPECT_FALSE(left("index.htm"));
}

// Version 2 without the earlier img\ folder: its log names this run's items,
// then what only the earlier one installed, so one uninstall takes both.
TEST_F(ReinstallTest, LogKeepsTheEarlierEntriesForItemsThisVersionDropped)
{
    std::vector<SourceEntry> withoutImg;
    for (const SourceEntry& entry : doc.SourceList)
        if (entry.Path.Find("img") < 0)
            withoutImg.push_back(entry);
    doc.SourceList = withoutImg;

    ASSERT_TRUE(doc.CopyPackage());

    const std::string expected = "<f>:" + docs + "? <f>:" + dest
        + "? index.htm? uninst.exe? tarvel.eif? guide.ico? <d>:empty? <d>:new? new\\b.htm? "
          "<d>:img? img\\a.gif? ";
    EXPECT_EQ(expected, doc.LogText.str());
    std::string stored = ReadBytes(dest + "\\setupf.cfn");
    for (char& c : stored)
        ++c;
    EXPECT_EQ(expected, stored);
    // The earlier file itself is not touched.
    EXPECT_EQ("gif v1", ReadBytes(dest + "\\img\\a.gif"));
}

// A writable file is the customer's once installed: a re-install leaves it,
// also when it fails later, and installs the package's copy only where there
// is none. A first install copies it over whatever is there.
TEST_F(ReinstallTest, CustomersWritableFileIsKeptOnAReinstall)
{
    doc.WritableFiles.Add("..\\GUIDE\\index.htm");
    WriteBytes(dest + "\\index.htm", "the customer's notes");
    before = FileTree::Snapshot(docs);

    ASSERT_TRUE(doc.CopyPackage());
    EXPECT_EQ("the customer's notes", ReadBytes(dest + "\\index.htm"));
    EXPECT_EQ("gif v2", ReadBytes(dest + "\\img\\a.gif"));
    EXPECT_EQ(0, doc.LogText.Find("<f>:" + CString(docs.c_str()) + "? <f>:" + CString(dest.c_str()) + "? index.htm? "))
        << "still the package's, for the uninstall";
    FailLaterStep(doc);
    ExpectEarlierInstallation();

    // None there: the package's copy.
    ResetJournal();
    boxes.Clear();
    ASSERT_TRUE(DeleteFileA((dest + "\\index.htm").c_str()));
    CTarvelDoc again;
    Configure(again);
    again.WritableFiles.Add("..\\GUIDE\\index.htm");
    ASSERT_TRUE(again.CopyPackage());
    EXPECT_EQ("index v2", ReadBytes(dest + "\\index.htm"));
    again.Record().Commit();
}

TEST_F(ExecuteTest, FirstInstallCopiesAWritableFileOverWhatIsThere)
{
    PrepareDestination();
    WriteBytes(dest + "\\index.htm", "someone's");
    doc.WritableFiles.Add("..\\GUIDE\\index.htm");

    ASSERT_TRUE(doc.CopyPackage());

    EXPECT_EQ("index v1", ReadBytes(dest + "\\index.htm"));
    EXPECT_EQ(WorkedExampleLog(), doc.LogText.str());
}

// The whole install: the copy phase, then the registration steps, whose own
// failure must give the earlier installation back as well.
class RunInstallTest : public ReinstallTest {
protected:
    void SetUp() override
    {
        ReinstallTest::SetUp();
        SetScript(doc,
            { { SEC_INSTALL, KEY_DATA_PATH, "GUIDE" }, { SEC_INSTALL, KEY_PROGRAM_FOLDER_NAME, FOLDER_NAME },
                { SEC_INSTALL, KEY_SHORTCUT_NAME, "Guide" },
                { SEC_INSTALL, KEY_PRODUCT_KEY_FILE1, "index.htm" },
                { SEC_INSTALL, KEY_ICON_NAME, "guide.ico" },
                { SEC_UNINSTALL, KEY_UNINSTALL_KEY, UNINSTALL_KEY_NAME },
                { SEC_UNINSTALL, KEY_UNINSTALL_FILE, "uninst.exe" } });
        char programs[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE));
        menuFolder = std::string(programs) + "\\" + FOLDER_NAME;
    }

    void TearDown() override
    {
        FileTree::RemoveTree(menuFolder);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE,
            (std::string(test_common::kUninstallRoot) + UNINSTALL_KEY_NAME)
                .c_str());
        ReinstallTest::TearDown();
    }

    static constexpr const char* FOLDER_NAME = "Tarvel Execute Test";
    static constexpr const char* UNINSTALL_KEY_NAME = "TarvelExecuteTest";
    std::string menuFolder;
};

namespace {

LONG WINAPI FailingCreateKey(HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM, LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD)
{
    return ERROR_ACCESS_DENIED;
}

} // namespace

TEST_F(RunInstallTest, CompleteInstallEndsAtOneHundredAndDropsTheCopiesAside)
{
    ASSERT_TRUE(doc.RunInstall());

    EXPECT_EQ(0u, boxes.Count());
    ASSERT_FALSE(view.Positions.empty());
    EXPECT_EQ(100, view.Positions.back());
    EXPECT_EQ(90, view.Positions[view.Positions.size() - 2]) << "9 items in 10 steps";
    EXPECT_EQ(0, doc.Record().KeptCount());
    EXPECT_TRUE(doc.Record().AsideFolderUnder(dest.c_str()).IsEmpty());
    EXPECT_EQ("index v2", ReadBytes(dest + "\\index.htm"));
    EXPECT_TRUE(Exists(menuFolder + "\\Guide.lnk"));
}

TEST_F(RunInstallTest, FailedRegistrationLeavesTheEarlierInstallation)
{
    Sys().RegCreateKeyExA = &FailingCreateKey;

    EXPECT_FALSE(doc.RunInstall());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(GENERAL_TEXT, boxes.Last().Text);
    EXPECT_EQ(0, doc.IsUserCancel);
    ExpectEarlierInstallation();
    EXPECT_FALSE(Exists(menuFolder));
}
