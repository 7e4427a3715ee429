// The version reader: FileVersion texts of real libraries, and the
// comparison of two texts under sscanf's "%d,%d,%d,%d" rules.
#include <gtest/gtest.h>

#include "SharedTestSupport.h"
#include "shared/FileVersionInfo.h"

#include <string>

namespace {

int Compare(const char* first, const char* second)
{
    CFileVersionInfo versions;
    return versions.CompareVersions(first, second);
}

std::string VersionOf(const std::string& path)
{
    CFileVersionInfo versions;
    return versions.GetFileVersion(path.c_str()).str();
}

} // namespace

TEST(FileVersionInfoTest, FirstDifferingNumberDecides)
{
    EXPECT_EQ(1, Compare("1, 2, 0, 5", "1,2,0,4"));
    EXPECT_EQ(2, Compare("1,2,0,4", "1, 2, 0, 5"));
    EXPECT_EQ(2, Compare("1, 2, 0, 5", "1,3")) << "missing numbers count as 0";
    EXPECT_EQ(1, Compare("2", "1,9,9,9"));
    EXPECT_EQ(0, Compare("1, 2, 0, 5", "1,2,0,5"));
    EXPECT_EQ(0, Compare("3", "3,0,0,0"));
    EXPECT_EQ(2, Compare("-1", "0")) << "numbers compare as signed";
}

TEST(FileVersionInfoTest, ReadingStopsAtTheFirstCharacterThatDoesNotFit)
{
    // Dots are not the pattern's commas: only the first number is read.
    EXPECT_EQ(0, Compare("1.2.3.4", "1"));
    EXPECT_EQ(2, Compare("1.2.3.4", "1,0,0,1"));
    // The comma must follow the number at once; blanks go only before numbers.
    EXPECT_EQ(0, Compare("1 ,2", "1"));
    EXPECT_EQ(0, Compare("1,\t 2", "1,2"));
    // Text after the four numbers is ignored.
    EXPECT_EQ(0, Compare("1,2,3,4,5 beta", "1,2,3,4"));
}

TEST(FileVersionInfoTest, EmptyOrBlankTextCannotBeCompared)
{
    EXPECT_EQ(-1, Compare("", ""));
    EXPECT_EQ(-1, Compare("", "1,0,0,0"));
    EXPECT_EQ(-1, Compare("1,0,0,0", "  \t"));
}

TEST(FileVersionInfoTest, TextStartingWithALetterReadsAsZeros)
{
    // No number is read, yet the text does not end there: not "unreadable".
    EXPECT_EQ(0, Compare("version 2", "0,0,0,0"));
    EXPECT_EQ(2, Compare("v1", "0,0,0,1"));
}

TEST(FileVersionInfoTest, NumbersBeyondTheIntRangeAreClampedNotWrapped)
{
    EXPECT_EQ(0, Compare("99999999999999999999", "2147483647"));
    EXPECT_EQ(1, Compare("4294967297", "1")) << "a wrap-around would read 1";
}

TEST(FileVersionInfoTest, FileVersionOfBuiltLibraries)
{
    ASSERT_TRUE(HAVE_SHARED_TEST_LIBS) << "the test libraries are not built: tests/shared_libs is missing";
    EXPECT_EQ("1, 0, 0, 1", VersionOf(TESTLIB_V1001));
    EXPECT_EQ("1, 2, 0, 0", VersionOf(TESTLIB_V1200));
    EXPECT_EQ("2, 0, 0, 0", VersionOf(TESTLIB_V2000));
    EXPECT_EQ(1, Compare(VersionOf(TESTLIB_V1200).c_str(), VersionOf(TESTLIB_V1001).c_str()));
}

// Whether the comparison reads all of a text, and what it reads: the
// checker's warning for a library whose text says more than is read.
TEST(FileVersionInfoTest, TextIsReadWholeOnlyAsFourNumbersWithCommas)
{
    const struct {
        const char* text;
        bool whole;
        const char* asRead;
    } cases[] = {
        {"1,0,0,3", true, "1,0,0,3"},
        {"1, 0, 0, 3", true, "1,0,0,3"},
        {" 2,\t0,0,1 ", true, "2,0,0,1"},
        {"1.0.0.3", false, "1,0,0,0"},
        {"1,0,0", false, "1,0,0,0"},
        {"1 ,0,0,3", false, "1,0,0,0"},
        {"1,2,3,4,5", false, "1,2,3,4"},
        {"1,2,3,4 beta", false, "1,2,3,4"},
        {"v1", false, "0,0,0,0"},
        {"", false, ""},
        {"  ", false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.text + "\"");
        EXPECT_EQ(c.whole, CFileVersionInfo::IsReadWhole(c.text) != FALSE);
        EXPECT_EQ(c.asRead, CFileVersionInfo::VersionAsRead(c.text).str());
    }
}

TEST(FileVersionInfoTest, FixedVersionBesideTheText)
{
    ASSERT_TRUE(HAVE_SHARED_TEST_LIBS) << "the test libraries are not built: tests/shared_libs is missing";
    CFileVersionInfo versions;
    EXPECT_EQ("1.0.0.3", VersionOf(TESTLIB_DOTTED));
    EXPECT_EQ("1,0,0,3", versions.GetFixedFileVersion(TESTLIB_DOTTED).str());
    EXPECT_EQ("1,2,0,0", versions.GetFixedFileVersion(TESTLIB_V1200).str());
    EXPECT_EQ("", versions.GetFixedFileVersion(TESTLIB_NOVERSION).str());
}

TEST(FileVersionInfoTest, FileWithoutVersionGivesEmptyText)
{
    ASSERT_TRUE(HAVE_SHARED_TEST_LIBS) << "the test libraries are not built: tests/shared_libs is missing";
    EXPECT_EQ("", VersionOf(TESTLIB_NOVERSION));

    ScriptFolder folder;
    folder.WriteFile("plain.txt", "no resources here");
    EXPECT_EQ("", VersionOf(folder.Path() + "\\plain.txt"));
    EXPECT_EQ("", VersionOf(folder.Path() + "\\missing.dll"));
}
