// The command line: the modes keep their meaning to the byte, and the
// deployment switches stand beside them in any order and case.
#include <gtest/gtest.h>

#include "base/CommandLine.h"

#include <string>

namespace {

using CommandLine::RunMode;

struct Case
{
    const char* text;
    RunMode mode;
    bool log;
    const char* logPath;
    bool suppress;
};

std::string Name(RunMode mode) { return CommandLine::ModeName(mode); }

// "\x95\x5C" is "表": its trail byte is a backslash.
const Case CASES[] = {
    // Without a deployment switch: the whole text, as it always was.
    {"", RunMode::Interactive, false, "", false},
    {"/PSM", RunMode::Silent, false, "", false},
    {"/psm", RunMode::Silent, false, "", false},
    {"/Wd", RunMode::HalfSilent, false, "", false},
    {"/PSM ", RunMode::Interactive, false, "", false},
    {" /PSM", RunMode::Interactive, false, "", false},
    {"\"/PSM\"", RunMode::Interactive, false, "", false},
    {"/PSM /WD", RunMode::Interactive, false, "", false},
    {"/PSMX", RunMode::Interactive, false, "", false},
    {"/LOGX", RunMode::Interactive, false, "", false},
    // With them: the rest, blanks made single, compared the same way.
    {"/PSM /LOG", RunMode::Silent, true, "", false},
    {"/LOG /psm", RunMode::Silent, true, "", false},
    {"/WD\t/log=C:\\logs\\guide.log", RunMode::HalfSilent, true, "C:\\logs\\guide.log", false},
    {"/PSM /LOG=\"C:\\my logs\\guide.log\"", RunMode::Silent, true, "C:\\my logs\\guide.log", false},
    {"\"/LOG=C:\\my logs\\a.log\" /PSM", RunMode::Silent, true, "C:\\my logs\\a.log", false},
    {"  /PSM   /SUPPRESSMSGBOXES  ", RunMode::Silent, false, "", true},
    {"/suppressmsgboxes /LOG= /PSM", RunMode::Silent, true, "", true},
    {"/SUPPRESSMSGBOXES", RunMode::Interactive, false, "", true},
    {"/PSM /WD /LOG", RunMode::Interactive, true, "", false},
    {"/PSM extra /LOG", RunMode::Interactive, true, "", false},
    {"/LOG=C:\\\x95\x5C\\a.log /PSM", RunMode::Silent, true, "C:\\\x95\x5C\\a.log", false},
    {"/LOG=one.log /LOG=two.log", RunMode::Interactive, true, "two.log", false},
};

TEST(CommandLine, EveryFormReadsAsItIsMeant)
{
    for (const Case& c : CASES) {
        SCOPED_TRACE(std::string("command line [") + c.text + "]");
        CommandLine::Switches s = CommandLine::Parse(c.text);
        EXPECT_EQ(Name(s.Mode), Name(c.mode));
        EXPECT_EQ(s.IsLog, c.log);
        EXPECT_STREQ(s.LogPath, c.logPath);
        EXPECT_EQ(s.IsSuppressMsgBoxes, c.suppress);
    }
}

// Letters are folded as ASCII only: a locale that folds more (a full-width
// or a dotless letter) must not turn another word into a switch.
TEST(CommandLine, OnlyAsciiLettersFold)
{
    EXPECT_EQ(Name(CommandLine::Parse("/PS\x82\x6C").Mode), Name(RunMode::Interactive)); // full-width M
    EXPECT_EQ(Name(CommandLine::Parse("/W\xC4").Mode), Name(RunMode::Interactive));
    EXPECT_FALSE(CommandLine::Parse("/L\x82\x6EG").IsLog);
}

TEST(CommandLine, BoxesAreSuppressedInASilentRunOnly)
{
    EXPECT_TRUE(CommandLine::Parse("/PSM /SUPPRESSMSGBOXES").SuppressesBoxes());
    EXPECT_FALSE(CommandLine::Parse("/WD /SUPPRESSMSGBOXES").SuppressesBoxes());
    EXPECT_FALSE(CommandLine::Parse("/SUPPRESSMSGBOXES").SuppressesBoxes());
    EXPECT_FALSE(CommandLine::Parse("/PSM").SuppressesBoxes());
}

// The uninstaller's clean-up copy reads its own command line with the same
// split: a quoted path keeps its blanks and its double-byte names.
TEST(CommandLine, WordsKeepQuotedBlanksAndDoubleByteNames)
{
    const std::string table = "\x95\x5C";
    const std::string line = " 124 \"C:\\Program Files\\" + table + "\\uninst.exe\"  \"C:\\Program Files\\" + table + "\"";
    const std::vector<CommandLine::Word> parts = CommandLine::SplitWords(line.c_str());
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_STREQ(parts[0].Value, "124");
    EXPECT_STREQ(parts[1].Value, ("C:\\Program Files\\" + table + "\\uninst.exe").c_str());
    EXPECT_STREQ(parts[2].Value, ("C:\\Program Files\\" + table).c_str());
}

} // namespace
