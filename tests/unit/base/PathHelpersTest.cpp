// The double-byte-aware path scans.
#include <gtest/gtest.h>

#include "base/PathHelpers.h"

#include <string>

namespace {

// "表" and "ソ": their trail byte is the code of a backslash.
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";

class PathHelpersTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
    }

    static int Start(const std::string& text) { return LastComponentStart(text.c_str()); }
    static int EndsSingle(const std::string& text) { return EndsWithSingleByteChar(text.c_str()); }
};

TEST_F(PathHelpersTest, LastComponentStartOnSingleByteText)
{
    EXPECT_EQ(-1, Start(""));
    EXPECT_EQ(0, Start("file.dll"));
    EXPECT_EQ(3, Start("C:\\file.dll"));
    EXPECT_EQ(8, Start("C:\\dir\\\\x"));
    EXPECT_EQ(-1, Start("C:\\dir\\"));
    EXPECT_EQ(-1, Start("\\"));
}

TEST_F(PathHelpersTest, LastComponentStartSkipsTrailBytes)
{
    // A trail byte 0x5C is no separator, wherever the character stands.
    EXPECT_EQ(0, Start(HYO));
    EXPECT_EQ(0, Start(HYO + "x" + SO));
    EXPECT_EQ(3, Start("C:\\" + SO));
    EXPECT_EQ(8, Start("C:\\" + HYO + SO + "\\" + "a"));
    EXPECT_EQ(4, Start(SO + "\\" + "\\" + SO));
    EXPECT_EQ(-1, Start("C:\\" + SO + "\\"));
    // A lead byte followed by a lead byte: the second is a trail byte here,
    // and the real backslash after them still counts.
    EXPECT_EQ(3, Start("\x95\x95\\x"));
}

TEST_F(PathHelpersTest, EndsWithSingleByteChar)
{
    EXPECT_EQ(0, EndsSingle(""));
    EXPECT_EQ(1, EndsSingle("a"));
    EXPECT_EQ(1, EndsSingle("C:\\"));
    EXPECT_EQ(0, EndsSingle(SO));
    EXPECT_EQ(0, EndsSingle("C:\\" + SO));
    EXPECT_EQ(1, EndsSingle(SO + "\\"));
    EXPECT_EQ(1, EndsSingle(HYO + "a"));
    // Read from the end alone, 0x95 0x95 0x5C looks like "…表"; from the start
    // it is one character and a backslash.
    EXPECT_EQ(1, EndsSingle("\x95\x95\\"));
    EXPECT_EQ(0, EndsSingle("a\x95\x95"));
}

TEST_F(PathHelpersTest, TrailingBackslashAfterADoubleByteCharacter)
{
    // "C:\ソ" has no trailing backslash of its own: one is added, none removed.
    CString folder = ("C:\\" + SO).c_str();
    EXPECT_EQ("C:\\" + SO + "\\", PathHelpers::WithTrailingBackslash(folder).str());
    EXPECT_EQ("C:\\" + SO, PathHelpers::WithoutTrailingBackslash(folder).str());
    EXPECT_EQ("C:\\" + SO, PathHelpers::WithoutTrailingBackslash(folder + "\\").str());
    EXPECT_EQ("C:\\dir\\", PathHelpers::WithTrailingBackslash("C:\\dir\\").str());
}

} // namespace

TEST_F(PathHelpersTest, NamedFileThatLeadsUpwardsLandsInTheDestinationsRoot)
{
    const struct {
        std::string name;
        std::string lands;
    } cases[] = {
        // Names that work as they are stay as they are.
        {"guide.ico", "guide.ico"},
        {"img\\guide.ico", "img\\guide.ico"},
        {".\\guide.ico", ".\\guide.ico"},
        {"\\guide.ico", "\\guide.ico"},
        {"x..\\guide.ico", "x..\\guide.ico"},
        {"..guide.ico", "..guide.ico"},
        // A level the file system reads as "..", with either separator.
        {"..\\x.ico", "x.ico"},
        {"..\\icons\\x.ico", "x.ico"},
        {"sub\\..\\x.ico", "x.ico"},
        {"...\\x.ico", "x.ico"},
        {".. \\x.ico", "x.ico"},
        {"../x.ico", "x.ico"},
        {"..\\..\\" + HYO + ".ico", HYO + ".ico"},
        // A trail byte 0x5C is no separator: "表.." is one level's name.
        {HYO + "..\\x.ico", HYO + "..\\x.ico"},
        {"a" + SO + "..", "a" + SO + ".."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.lands, PathHelpers::NamedFileDestination(c.name.c_str()).str()) << c.name;
}
