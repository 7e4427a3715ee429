// Install preparation against the real file system: a throw-away tree with
// the installer's folder "setup" (made current), the data folders beside it
// and the destinations below it.
#include <gtest/gtest.h>

#include "FakeDisk.h"
#include "FileTree.h"
#include "TestSupport.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

// "表": its trail byte is the code of a backslash.
const std::string HYO = "\x95\x5C";

const char CAPTION[] = "Prep caption";
const char QUESTION[] = "Create the folder?";
const char TEXT_NOT_EXIST[] = "not-exist text";
const char TEXT_OCCURRED[] = "occurred text";
const char TEXT_WRITE[] = "write text";
const char TEXT_NOSPACE[] = "nospace text";

using FileTree::Exists;

} // namespace

class PrepareTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        ResetJournal();
        g_disk = FakeDisk();
        g_disk.list = &doc.SourceList;

        setup = root.Path() + "\\setup";
        MakeFolder(setup);
        MakeFolder(root.Path() + "\\DATA");
        ASSERT_TRUE(SetCurrentDirectoryA(setup.c_str()));
        root.WriteFile("setup\\uninst.exe", "MZ stub");
        root.WriteFile("setup\\tarvel.eif", "[INSTALL]\n");
        root.WriteFile("setup\\tarvel.ico", "icon");

        Set(SEC_INSTALL, KEY_MAKE_FOLDER_CONF, QUESTION);
        Set(SEC_INSTALL, KEY_DATA_PATH, "DATA");
        Set(SEC_INSTALL, KEY_ICON_NAME, "tarvel.ico");
        Set(SEC_UNINSTALL, KEY_UNINSTALL_FILE, "uninst.exe");
        Set(SEC_ERROR, KEY_ERR_MES_FILE_NOT_EXIST, TEXT_NOT_EXIST);
        Set(SEC_ERROR, KEY_ERR_MES_ERROR_OCCURRED, TEXT_OCCURRED);
        Set(SEC_ERROR, KEY_ERR_MES_WRITE_ERROR, TEXT_WRITE);
        Set(SEC_ERROR, KEY_ERR_MES_NOSPACE, TEXT_NOSPACE);
        doc.Caption = CAPTION;
        doc.InstallFolder = (root.Path() + "\\dest").c_str();
    }

    void TearDown() override
    {
        ResetSystemCalls();
        ResetJournal();
    }

    void Set(const char* section, const char* key, const std::string& value) { SetScriptValue(doc, section, key, value); }

    static void MakeFolder(const std::string& path) { FileTree::MakeNewFolder(path); }

    void ExpectOneBox(const char* text)
    {
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(text, boxes.Last().Text);
        EXPECT_EQ(CAPTION, boxes.Last().Caption);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONINFORMATION), boxes.Last().Type);
    }

    std::vector<std::string> Paths() const
    {
        std::vector<std::string> out;
        for (const SourceEntry& e : doc.SourceList)
            out.push_back(e.Path.str());
        return out;
    }

    const SourceEntry* Find(const std::string& path) const
    {
        for (const SourceEntry& e : doc.SourceList)
            if (e.Path == path.c_str())
                return &e;
        return nullptr;
    }

    std::string Dest(const std::string& below) const { return root.Path() + "\\" + below; }

    BoxRecorder boxes;
    ScriptFolder root;
    std::string setup;
    CTarvelDoc doc;
};

TEST_F(PrepareTest, DestinationGetsOneTrailingBackslash)
{
    MakeFolder(Dest("dest"));
    const std::string cases[][2] = {
        {Dest("dest"), Dest("dest\\")},
        {Dest("dest\\"), Dest("dest\\")},
        // The last byte of "表" is 0x5C, but it is no backslash.
        {Dest(HYO), Dest(HYO + "\\")},
    };
    for (const auto& c : cases) {
        doc.InstallFolder = c[0].c_str();
        EXPECT_EQ(0, doc.PrepareInstall(FALSE)) << c[0];
        EXPECT_EQ(c[1], doc.InstallFolder.str());
    }
    // The double-byte name itself was created, not a folder cut at its trail byte.
    EXPECT_TRUE(Exists(Dest(HYO)));
    EXPECT_EQ(std::vector<std::string>{Dest(HYO)}, InstallJournal());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(PrepareTest, MissingDestinationIsCreatedLevelByLevelAndJournalled)
{
    doc.InstallFolder = Dest("dest\\A\\B").c_str();

    EXPECT_EQ(0, doc.PrepareInstall(FALSE));

    // Outermost first, so that undo (last first) empties each before its parent.
    std::vector<std::string> expected = {Dest("dest"), Dest("dest\\A"), Dest("dest\\A\\B")};
    EXPECT_EQ(expected, InstallJournal());
    EXPECT_TRUE(Exists(Dest("dest\\A\\B")));
    EXPECT_EQ(0u, boxes.Count()) << "no question without the argument";
}

TEST_F(PrepareTest, QuestionIsAskedOnlyForAMissingDestination)
{
    boxes.Answer({IDNO});
    EXPECT_EQ(1, doc.PrepareInstall(TRUE));
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(QUESTION, boxes.Last().Text);
    EXPECT_EQ(CAPTION, boxes.Last().Caption);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), boxes.Last().Type);
    EXPECT_FALSE(Exists(Dest("dest")));
    EXPECT_TRUE(InstallJournal().empty());

    boxes.Answer({IDYES});
    EXPECT_EQ(0, doc.PrepareInstall(TRUE));
    EXPECT_EQ(2u, boxes.Count());
    EXPECT_TRUE(Exists(Dest("dest")));

    // Now it exists: neither asked nor created again.
    EXPECT_EQ(0, doc.PrepareInstall(TRUE));
    EXPECT_EQ(2u, boxes.Count());
    EXPECT_EQ(std::vector<std::string>{Dest("dest")}, InstallJournal());
}

TEST_F(PrepareTest, PathWithoutDriveCreatesNothing)
{
    doc.InstallFolder = "newdir\\sub";

    EXPECT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_FALSE(Exists(setup + "\\newdir"));
    EXPECT_TRUE(InstallJournal().empty());
}

TEST_F(PrepareTest, LevelThatCannotBeCreatedUndoesTheEarlierOnes)
{
    doc.InstallFolder = Dest("dest\\A\\B").c_str();
    g_creationsAllowed = 1;
    Sys().CreateDirectoryA = &FailingCreateDirectory;

    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_WRITE);
    EXPECT_FALSE(Exists(Dest("dest")));
}

TEST_F(PrepareTest, DataFoldersAreListedDepthFirstThenTheNamedFiles)
{
    root.WriteFile("DATA\\index.htm", std::string(123, 'x'));
    MakeFolder(Dest("DATA\\img"));
    root.WriteFile("DATA\\img\\a.gif", "a");
    MakeFolder(Dest("DATA\\img\\deep"));
    root.WriteFile("DATA\\img\\deep\\b.gif", "bb");
    root.WriteFile("DATA\\img\\z.gif", "z");
    MakeFolder(Dest("DATA\\css"));
    root.WriteFile("DATA\\css\\s.css", "s");
    root.WriteFile("DATA\\hidden.dat", "h");
    SetFileAttributesA(Dest("DATA\\hidden.dat").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    MakeFolder(Dest("DATA2"));
    root.WriteFile("DATA2\\more.htm", "m");
    Set(SEC_INSTALL, "DATA_PATH2", "DATA2");
    // An empty third key ends the list: the fourth names no folder at all.
    Set(SEC_INSTALL, "DATA_PATH3", "");
    Set(SEC_INSTALL, "DATA_PATH4", "NO_SUCH_FOLDER");

    ASSERT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_EQ(0u, boxes.Count());

    std::vector<std::string> paths = Paths();
    ASSERT_EQ(13u, paths.size());
    std::vector<std::string> data(paths.begin(), paths.begin() + 9);
    std::multiset<std::string> expected = {
        "..\\DATA\\index.htm", "..\\DATA\\img", "..\\DATA\\img\\a.gif", "..\\DATA\\img\\deep",
        "..\\DATA\\img\\deep\\b.gif", "..\\DATA\\img\\z.gif", "..\\DATA\\css", "..\\DATA\\css\\s.css",
        "..\\DATA\\hidden.dat"};
    EXPECT_EQ(expected, std::multiset<std::string>(data.begin(), data.end()));
    // Each folder is followed at once by all of its contents.
    for (size_t i = 0; i < data.size(); ++i) {
        if (!(Find(data[i])->Attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        std::string prefix = data[i] + "\\";
        size_t inside = std::count_if(data.begin(), data.end(),
                                      [&](const std::string& p) { return p.compare(0, prefix.size(), prefix) == 0; });
        for (size_t k = 1; k <= inside; ++k)
            EXPECT_EQ(0, data[i + k].compare(0, prefix.size(), prefix)) << data[i + k] << " after " << data[i];
    }
    std::vector<std::string> tail(paths.begin() + 9, paths.end());
    EXPECT_EQ((std::vector<std::string>{"..\\DATA2\\more.htm", "uninst.exe", "tarvel.eif", "tarvel.ico"}), tail);

    EXPECT_EQ(123u, Find("..\\DATA\\index.htm")->SizeLow);
    EXPECT_EQ(0u, Find("..\\DATA\\index.htm")->SizeHigh);
    EXPECT_EQ(7u, Find("uninst.exe")->SizeLow);
    DWORD hidden = Find("..\\DATA\\hidden.dat")->Attributes;
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              hidden & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));

    // A second preparation rebuilds the list instead of adding to it.
    ASSERT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_EQ(13u, doc.SourceList.size());
}

TEST_F(PrepareTest, WithoutDataFolderOnlyTheNamedFilesAreListed)
{
    Set(SEC_INSTALL, KEY_DATA_PATH, "");
    Set(SEC_INSTALL, "DATA_PATH2", "DATA");

    ASSERT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_EQ((std::vector<std::string>{"uninst.exe", "tarvel.eif", "tarvel.ico"}), Paths());
}

TEST_F(PrepareTest, PackageOfMoreThanTwoThousandItemsIsListedWhole)
{
    MakeFolder(Dest("DATA\\pages"));
    for (int i = 0; i < 2500; ++i)
        root.WriteFile("DATA\\pages\\p" + std::to_string(i) + ".htm", "p");

    ASSERT_EQ(0, doc.PrepareInstall(FALSE));
    ASSERT_EQ(2504u, doc.SourceList.size());
    std::vector<std::string> paths = Paths();
    std::set<std::string> unique(paths.begin() + 1, paths.begin() + 2501);
    EXPECT_EQ(2500u, unique.size());
    EXPECT_EQ(1u, unique.count("..\\DATA\\pages\\p2499.htm"));
    EXPECT_EQ("tarvel.ico", doc.SourceList.back().Path.str());
}

TEST_F(PrepareTest, ScanWritesAtTheGivenPositionAndReportsTheEnd)
{
    root.WriteFile("DATA\\one.htm", "1");
    root.WriteFile("DATA\\two.htm", "2");
    std::vector<SourceEntry> list(5);
    list[4].Path = "kept";

    int end = -1;
    EXPECT_EQ(2, doc.ScanSourceFolder("..\\DATA\\*.*", list, 1, &end));
    EXPECT_EQ(3, end);
    EXPECT_EQ(5u, list.size()) << "room enough: nothing grows";
    EXPECT_EQ("", list[0].Path.str());
    EXPECT_EQ("kept", list[4].Path.str());

    EXPECT_EQ(2, doc.ScanSourceFolder("..\\DATA\\*.*", list, 4, &end));
    EXPECT_EQ(6, end);
    EXPECT_EQ(6u, list.size());
}

TEST_F(PrepareTest, DataFolderThatCannotBeListedFailsAsMissing)
{
    // A file where the folder should be: the system says "path not found" or
    // "not a folder", the user still reads that a file is missing.
    root.WriteFile("NOT_A_FOLDER", "x");
    for (const char* folder : {"NO_SUCH_FOLDER", "NOT_A_FOLDER"}) {
        boxes.Clear();
        ResetJournal();
        doc.InstallFolder = Dest("dest\\A").c_str();
        Set(SEC_INSTALL, KEY_DATA_PATH, folder);

        EXPECT_EQ(-1, doc.PrepareInstall(FALSE)) << folder;
        ExpectOneBox(TEXT_NOT_EXIST);
        EXPECT_FALSE(Exists(Dest("dest"))) << "the created destination is removed again";
    }
}

TEST_F(PrepareTest, NamedFileThatCannotBeFoundIsReportedByItsError)
{
    struct Case
    {
        const char* icon;
        const char* text;
    } cases[] = {
        {"missing.ico", TEXT_NOT_EXIST},   // error 2
        {"", TEXT_NOT_EXIST},              // the script names no icon
        {"nodir\\x.ico", TEXT_OCCURRED},   // error 3
        {"*.ico", TEXT_OCCURRED},          // would find tarvel.ico under another name
    };
    for (const Case& c : cases) {
        boxes.Clear();
        ResetJournal();
        doc.InstallFolder = Dest("dest").c_str();
        Set(SEC_INSTALL, KEY_ICON_NAME, c.icon);

        EXPECT_EQ(-1, doc.PrepareInstall(FALSE)) << c.icon;
        ExpectOneBox(c.text);
        EXPECT_FALSE(Exists(Dest("dest"))) << c.icon;
    }
}

TEST_F(PrepareTest, FreeSpaceMustExceedTheTotal)
{
    root.WriteFile("DATA\\big.htm", std::string(5000, 'b'));
    UseFakeDisk();

    g_disk.overTotal = 1;
    EXPECT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_EQ(root.Path().substr(0, 3), g_disk.root) << "asked for the destination's drive root";
    EXPECT_EQ(0, g_disk.fallbackCalls);

    // Equal is not enough; the folders made for this attempt go again.
    ResetJournal();
    doc.InstallFolder = Dest("dest2\\sub").c_str();
    g_disk.overTotal = 0;
    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_NOSPACE);
    EXPECT_FALSE(Exists(Dest("dest2")));
}

TEST_F(PrepareTest, NetworkDestinationIsMeasuredOnItsShare)
{
    UseFakeDisk();
    doc.InstallFolder = "\\\\nohost\\share\\docs";

    doc.PrepareInstall(FALSE);
    EXPECT_EQ("\\\\nohost\\share\\", g_disk.root);
    EXPECT_TRUE(InstallJournal().empty());
}

TEST_F(PrepareTest, WithoutTheExtendedCallTheClusterCountDecides)
{
    UseFakeDisk();
    g_disk.hasEx = false;

    // 8 x 512 x 2^20 bytes is 4 GiB: 0 if it were computed in 32 bits.
    g_disk.clusters = 1048576;
    EXPECT_EQ(0, doc.PrepareInstall(FALSE));
    EXPECT_EQ(1, g_disk.fallbackCalls);
    EXPECT_EQ(0, g_disk.exCalls);

    g_disk.clusters = 0;
    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_NOSPACE);
}

TEST_F(PrepareTest, FreeSpaceThatCannotBeReadFails)
{
    UseFakeDisk();
    doc.InstallFolder = Dest("dest").c_str();
    g_disk.exSucceeds = false;
    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_EQ(0, g_disk.fallbackCalls) << "a failing extended call is not retried the old way";
    EXPECT_FALSE(Exists(Dest("dest")));

    boxes.Clear();
    ResetJournal();
    g_disk.hasEx = false;
    g_disk.fallbackSucceeds = false;
    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_OCCURRED);
    EXPECT_FALSE(Exists(Dest("dest")));
}

TEST_F(PrepareTest, SharedFoldersGoAgainWhenTheDataScanFails)
{
    MakeFolder(Dest("SHAREDSRC"));
    root.WriteFile("SHAREDSRC\\lib.dll", "dll");
    doc.IsSharedComponents = 1;
    doc.SharedFolder = Dest("shared\\lib").c_str();
    doc.SharedSourceFolder = "SHAREDSRC";
    Set(SEC_INSTALL, KEY_DATA_PATH, "NO_SUCH_FOLDER");

    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    ExpectOneBox(TEXT_NOT_EXIST);
    EXPECT_FALSE(Exists(Dest("shared")));
    EXPECT_FALSE(Exists(Dest("dest")));

    // A failing shared preparation reports for itself; only the destination
    // is left for this step to take away.
    boxes.Clear();
    ResetJournal();
    doc.SharedSourceFolder = "NO_SUCH_SOURCE";
    Set(SEC_INSTALL, KEY_DATA_PATH, "DATA");
    EXPECT_EQ(-1, doc.PrepareInstall(FALSE));
    EXPECT_EQ(1u, boxes.Count());
    EXPECT_FALSE(Exists(Dest("dest")));
}
