// The folder browser's judgement of a typed path: the form of a drive path,
// the folder names, the creation of missing levels and the journal, and what
// the user is asked or warned about.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "base/SystemCalls.h"
#include "app/TarvelApp.h"
#include "ui/FolderBrowser.h"

#include <string>
#include <vector>

namespace {

// Shift-JIS characters whose trail byte has a reserved code: "表" (0x95 0x5C,
// the backslash) and 0x83 0x7C (the vertical bar).
const std::string HYO = "\x95\x5C";
const std::string BAR_TRAIL = "\x83\x7C";

// Empties the journal of created folders before and after a test.
struct JournalGuard
{
    JournalGuard() { Clear(); }
    ~JournalGuard()
    {
        Clear();
        ResetSystemCalls();
    }
    static void Clear() { ResetJournal(); }
};

using FileTree::IsFolder;

int Check(const std::string& path)
{
    return CFolderBrowser::CheckOrCreatePath(path.c_str(), TRUE);
}

} // namespace

// --- the form of a path, checked without touching the disk --------------------

TEST(CheckOrCreatePath, RefusesWhatIsNotAPlainDrivePath)
{
    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath(nullptr, TRUE), FOLDER_INVALID);
    for (const char* path : {"", "C:", "C:Docs", "1:\\Docs", "\\\\server\\share", "C/\\Docs", ":\\Docs"})
        EXPECT_EQ(Check(path), FOLDER_INVALID) << path;
}

TEST(CheckOrCreatePath, RefusesEmptyBlankDottedAndReservedNames)
{
    for (const char* path : {"C:\\Docs\\", "C:\\Docs\\\\Guide", "C:\\ Docs", "C:\\Docs.", "C:\\Docs ",
                             "C:\\\tDocs", "C:\\Do|cs", "C:\\Do*cs", "C:\\Docs\\Gu?ide", "C:\\Docs\\a:b",
                             "C:\\Docs\\.\\Guide", "C:\\Docs\\..", "C:\\Docs/Guide"})
        EXPECT_EQ(Check(path), FOLDER_INVALID) << path;
}

TEST(CheckOrCreatePath, AcceptsDriveRootsAndNestedNamesInEitherCase)
{
    for (const char* path : {"C:\\", "c:\\", "Q:\\", "C:\\Docs", "z:\\Docs\\Guide\\Deep", "C:\\My Docs\\v1.0 guide"})
        EXPECT_EQ(Check(path), FOLDER_ACCEPTED) << path;
}

TEST(CheckOrCreatePath, DoubleByteNamesWithReservedTrailBytesAreWhole)
{
    EXPECT_EQ(Check("C:\\" + HYO), FOLDER_ACCEPTED);
    EXPECT_EQ(Check("C:\\" + HYO + "\\Guide"), FOLDER_ACCEPTED);
    EXPECT_EQ(Check("C:\\Docs\\" + BAR_TRAIL + "x"), FOLDER_ACCEPTED);
    // The trail byte does not end the name, so this is not a trailing backslash.
    EXPECT_EQ(Check("C:\\Docs\\" + HYO), FOLDER_ACCEPTED);
}

TEST(CheckOrCreatePath, APathLongerThanABufferIsInvalidAndNothingOverflows)
{
    std::string longest = "C:\\" + std::string(MAX_PATH - 1 - 3, 'a');
    ASSERT_EQ(longest.size(), 259u);
    EXPECT_EQ(Check(longest), FOLDER_ACCEPTED);
    EXPECT_EQ(Check(longest + "b"), FOLDER_INVALID);

    std::string huge = "C:\\";
    for (int i = 0; i < 200; ++i)
        huge += "folder\\";
    huge += "end";
    EXPECT_EQ(Check(huge), FOLDER_INVALID);
    JournalGuard guard;
    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath(huge.c_str(), FALSE, &TestApp().Changes), FOLDER_INVALID);
    EXPECT_TRUE(InstallJournal().empty());
}

TEST(IsValidFolderName, LeadingAndTrailingBlanksAndDotsReservedCharacters)
{
    EXPECT_FALSE(CFolderBrowser::IsValidFolderName(nullptr));
    EXPECT_FALSE(CFolderBrowser::IsValidFolderName(""));
    for (const char* bad : {" a", "a ", ".a", "a.", "\ta", "a\t", "a\"b", "a*b", "a/b", "a:b", "a<b", "a>b", "a?b",
                            "a\\b", "a|b"})
        EXPECT_FALSE(CFolderBrowser::IsValidFolderName(bad)) << bad;
    for (const char* good : {"a", "a b", "a.b", "v1.0", "a\x01" "b", "_"})
        EXPECT_TRUE(CFolderBrowser::IsValidFolderName(good)) << good;
    EXPECT_TRUE(CFolderBrowser::IsValidFolderName(HYO.c_str()));
    EXPECT_TRUE(CFolderBrowser::IsValidFolderName((BAR_TRAIL + "a" + HYO).c_str()));
    // A double-byte character at either end is no blank.
    EXPECT_TRUE(CFolderBrowser::IsValidFolderName(("\x81\x40" + std::string("a") + "\x81\x40").c_str()));
}

// --- creating what is missing ------------------------------------------------------

TEST(CheckOrCreatePath, CreatesEachMissingLevelInOrderAndJournalsOnlyThose)
{
    JournalGuard guard;
    ScriptFolder temp;
    const std::string base = temp.Path();
    const std::string deep = base + "\\Docs\\Sub\\Deep";

    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath(deep.c_str(), FALSE, &TestApp().Changes), FOLDER_ACCEPTED);
    EXPECT_TRUE(IsFolder(deep));
    EXPECT_EQ(InstallJournal(), (std::vector<std::string>{base + "\\Docs", base + "\\Docs\\Sub", deep}));

    // Everything there already: nothing more is journalled.
    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath(deep.c_str(), FALSE, &TestApp().Changes), FOLDER_ACCEPTED);
    EXPECT_EQ(InstallJournal().size(), 3u);
}

TEST(CheckOrCreatePath, ADoubleByteNameIsCreatedAsOneFolder)
{
    JournalGuard guard;
    ScriptFolder temp;
    const std::string folder = temp.Path() + "\\" + HYO + "\\Guide";

    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath(folder.c_str(), FALSE, &TestApp().Changes), FOLDER_ACCEPTED);
    EXPECT_TRUE(IsFolder(temp.Path() + "\\" + HYO));
    EXPECT_TRUE(IsFolder(folder));
    EXPECT_EQ(InstallJournal(), (std::vector<std::string>{temp.Path() + "\\" + HYO, folder}));
}

namespace {
// Refuses to create any folder named B.
BOOL WINAPI CreateFailsForB(LPCSTR path, LPSECURITY_ATTRIBUTES sa)
{
    std::string p = path;
    if (p.size() >= 2 && p.compare(p.size() - 2, 2, "\\B") == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return CreateDirectoryA(path, sa);
}
} // namespace

TEST(CheckOrCreatePath, ALevelThatCannotBeMadeStopsButKeepsTheEarlierOnesJournalled)
{
    JournalGuard guard;
    ScriptFolder temp;
    Sys().CreateDirectoryA = CreateFailsForB;

    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath((temp.Path() + "\\A\\B\\C").c_str(), FALSE, &TestApp().Changes), FOLDER_NOT_CREATED);
    EXPECT_TRUE(IsFolder(temp.Path() + "\\A"));
    EXPECT_FALSE(IsFolder(temp.Path() + "\\A\\B"));
    EXPECT_EQ(InstallJournal(), (std::vector<std::string>{temp.Path() + "\\A"}));
}

TEST(CheckOrCreatePath, AFileInThePathIsNoFolder)
{
    JournalGuard guard;
    ScriptFolder temp;
    temp.WriteFile("file", "x");
    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath((temp.Path() + "\\file").c_str(), FALSE, &TestApp().Changes), FOLDER_NOT_CREATED);
    EXPECT_EQ(CFolderBrowser::CheckOrCreatePath((temp.Path() + "\\file\\sub").c_str(), FALSE, &TestApp().Changes), FOLDER_NOT_CREATED);
    EXPECT_TRUE(InstallJournal().empty());
}

// --- what the user sees: ValidateFolder -------------------------------------------

namespace {

class ValidateFolderTest : public ::testing::Test
{
protected:
    JournalGuard guard;
    ScriptFolder temp;
    BoxRecorder boxes{IDNO};
    CFolderBrowser browser{"Setup caption", "Pick a folder", "C:\\", nullptr};

    void SetUp() override
    {
        browser.SetText(BROWSE_TEXT_MAKE_FOLDER, "Create it?");
        browser.SetText(BROWSE_TEXT_INVALID, "Invalid folder");
        browser.SetText(BROWSE_TEXT_WRITE_ERROR, "Cannot write");
        browser.SetText(999, "ignored");
        browser.Record = &TestApp().Changes;
    }
};

} // namespace

TEST_F(ValidateFolderTest, AnExistingFolderIsAcceptedWithoutAQuestion)
{
    EXPECT_EQ(browser.ValidateFolder(temp.Path().c_str()), FOLDER_ACCEPTED);
    EXPECT_EQ(browser.ValidateFolder("C:\\"), FOLDER_ACCEPTED);
    EXPECT_EQ(boxes.Count(), 0u);
}

TEST_F(ValidateFolderTest, AMissingFolderIsAskedAboutOnceAndNoCreatesNothing)
{
    const std::string path = temp.Path() + "\\Docs\\New";
    boxes.Answer({IDNO});
    EXPECT_EQ(browser.ValidateFolder(path.c_str()), FOLDER_DECLINED);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "Create it?");
    EXPECT_EQ(boxes.Last().Type, static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_FALSE(IsFolder(temp.Path() + "\\Docs"));
    EXPECT_TRUE(InstallJournal().empty());

    boxes.Clear();
    boxes.Answer({IDYES});
    EXPECT_EQ(browser.ValidateFolder(path.c_str()), FOLDER_ACCEPTED);
    EXPECT_EQ(boxes.Count(), 1u);
    EXPECT_TRUE(IsFolder(path));
    EXPECT_EQ(InstallJournal(), (std::vector<std::string>{temp.Path() + "\\Docs", path}));
}

TEST_F(ValidateFolderTest, AnInvalidPathIsWarnedAboutWithTheBrowserTitle)
{
    EXPECT_EQ(browser.ValidateFolder("C:\\Docs\\"), FOLDER_INVALID);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "Invalid folder");
    EXPECT_EQ(boxes.Last().Caption, "Setup caption");
    EXPECT_EQ(boxes.Last().Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST_F(ValidateFolderTest, AnExistingFileIsNotAcceptedAsTheFolder)
{
    temp.WriteFile("guide.htm", "x");
    EXPECT_EQ(browser.ValidateFolder((temp.Path() + "\\guide.htm").c_str()), FOLDER_INVALID);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "Invalid folder");
}

namespace {
BOOL WINAPI CreateAlwaysFails(LPCSTR, LPSECURITY_ATTRIBUTES)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}
} // namespace

TEST_F(ValidateFolderTest, AFolderThatCannotBeCreatedGivesTheWriteWarningAfterTheQuestion)
{
    Sys().CreateDirectoryA = CreateAlwaysFails;
    boxes.Answer({IDYES});
    EXPECT_EQ(browser.ValidateFolder((temp.Path() + "\\New").c_str()), FOLDER_NOT_CREATED);
    ASSERT_EQ(boxes.Count(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "Create it?");
    EXPECT_EQ(boxes.Boxes()[1].Text, "Cannot write");
    EXPECT_EQ(boxes.Boxes()[1].Type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_TRUE(InstallJournal().empty());
}

TEST(FolderBrowser, StartsWithTheStartFolderAsItsPathCutToTheBuffer)
{
    CFolderBrowser browser("t", "i", "C:\\Docs", nullptr);
    EXPECT_EQ(browser.GetPath(), "C:\\Docs");
    EXPECT_EQ(browser.BrowseInfo.ulFlags, static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));

    // A start folder longer than the buffer is cut at a character boundary.
    std::string start = "C:\\" + std::string(255, 'a') + HYO + "xyz";
    CFolderBrowser longOne("t", "i", start.c_str(), nullptr);
    EXPECT_EQ(longOne.GetPath().str(), "C:\\" + std::string(255, 'a'));
}
