// The setup script table and the error boxes worded by it.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "base/PathHelpers.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "script/ScriptKeys.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

// Shift-JIS characters whose trail byte is a character that the parser
// looks for: "表" and "ソ" end in a backslash, "ー" in '[', "‐" in ']'.
const std::string HYO = "\x95\x5C";
const std::string SO = "\x83\x5C";
const std::string CHOON = "\x81\x5B";
const std::string HYPHEN = "\x81\x5D";

const UINT STANDARD_BOX = MB_OK | MB_ICONINFORMATION;

using Entry = std::tuple<std::string, std::string, std::string>;

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

// "K0=0\nK1=1\n..." for keys first .. first+count-1.
std::string NumberedKeys(int first, int count)
{
    std::string out;
    for (int i = first; i < first + count; ++i)
        out += "K" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    return out;
}

// A read that works g_readsBeforeFailure times, then fails.
int g_readsBeforeFailure = 0;

BOOL WINAPI FailingRead(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    if (g_readsBeforeFailure-- <= 0) {
        SetLastError(ERROR_NETNAME_DELETED);
        return FALSE;
    }
    return ::ReadFile(file, buffer, size, read, overlapped);
}

// A read that never returns more than g_readChunk bytes, as a pipe or a
// network drive may.
DWORD g_readChunk = 1;

BOOL WINAPI ShortRead(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped)
{
    return ::ReadFile(file, buffer, size < g_readChunk ? size : g_readChunk, read, overlapped);
}

} // namespace

class SetupScriptTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
    }

    // Reads a script with exactly these bytes from a fresh installer folder.
    int Load(const std::string& bytes)
    {
        ScriptFolder folder(bytes);
        size_t before = boxes.Count();
        int result = doc.ReadScript();
        EXPECT_EQ(before, boxes.Count()) << "a readable script shows no message";
        return result;
    }

    std::string Value(const std::string& section, const std::string& key) const
    {
        return doc.GetScriptValue(section.c_str(), key.c_str()).str();
    }

    Entry At(int i) const
    {
        const ScriptEntry& e = doc.SetupScript[i];
        return Entry(e.Section.str(), e.Key.str(), e.Value.str());
    }

    BoxRecorder boxes;
    CTarvelDoc doc;
};

TEST_F(SetupScriptTest, HeaderWithoutKeysKeepsItsSlotAsAnEmptyEntry)
{
    // Only a following header completes the slot: [Z] at the end is not counted.
    ASSERT_TRUE(Load("K1=P\n[X]\n[Y]\nK2=Q\nK3=R\n[Z]\n"));

    ASSERT_EQ(4, doc.ScriptCount);
    EXPECT_EQ(Entry("", "K1", "P"), At(0));
    EXPECT_EQ(Entry("X", "", ""), At(1));
    EXPECT_EQ(Entry("Y", "K2", "Q"), At(2));
    EXPECT_EQ(Entry("Y", "K3", "R"), At(3));
}

TEST_F(SetupScriptTest, LookupIsExactAndTheFirstMatchWins)
{
    ASSERT_TRUE(Load("TOP=top\n[S]\nA=one\nA=two\n[T]\nA=three\n"));

    EXPECT_EQ("top", Value("", "TOP"));
    EXPECT_EQ("one", Value("S", "A"));
    EXPECT_EQ("three", Value("T", "A"));
    // Case, sections and surrounding spaces all count.
    EXPECT_EQ("", Value("s", "A"));
    EXPECT_EQ("", Value("S", "a"));
    EXPECT_EQ("", Value("S ", "A"));
    EXPECT_EQ("", Value("S", "TOP"));
    EXPECT_EQ("", Value("", "A"));
}

TEST_F(SetupScriptTest, KeyEndsAtItsFirstSpaceAndTheValueKeepsItsSpaces)
{
    ASSERT_TRUE(Load("KEY = value \n   INDENTED=x\n\tTAB=y\nA B=c\n"));

    EXPECT_EQ(" value ", Value("", "KEY"));
    EXPECT_EQ("x", Value("", "INDENTED"));
    // Only spaces are skipped before a key; a tab is part of it.
    EXPECT_EQ("y", Value("", "\tTAB"));
    EXPECT_EQ("", Value("", "TAB"));
    EXPECT_EQ("c", Value("", "A"));
}

TEST_F(SetupScriptTest, EmptyValueStillMakesAnEntry)
{
    ASSERT_TRUE(Load("A=\nB="));

    ASSERT_EQ(2, doc.ScriptCount);
    EXPECT_EQ(Entry("", "A", ""), At(0));
    EXPECT_EQ(Entry("", "B", ""), At(1));
}

TEST_F(SetupScriptTest, BackslashNBecomesALineFeedAndOtherBackslashesStay)
{
    ASSERT_TRUE(Load("TWO=first\\nsecond\n"
                     "NEW=C:\\new\n"
                     "DATA=C:\\Data\n"
                     "END=dir\\\n"
                     "DOUBLE=a\\\\nb\n"
                     "UPPER=a\\Nb\n"));

    EXPECT_EQ("first\nsecond", Value("", "TWO"));
    EXPECT_EQ("C:\new", Value("", "NEW"));
    EXPECT_EQ("C:\\Data", Value("", "DATA"));
    EXPECT_EQ("dir\\", Value("", "END"));
    EXPECT_EQ("a\\\nb", Value("", "DOUBLE"));
    EXPECT_EQ("a\\Nb", Value("", "UPPER"));
}

TEST_F(SetupScriptTest, TrailByteThatLooksLikeABackslashIsNoEscape)
{
    ASSERT_TRUE(Load("HYO=" + HYO + "n\n"
                     "SO=" + SO + "\\n" + SO + "\n"
                     "LONE=x\x95\n"
                     "LAST=y\x95"));

    EXPECT_EQ(HYO + "n", Value("", "HYO"));
    EXPECT_EQ(SO + "\n" + SO, Value("", "SO"));
    // A broken character at the end of a line neither takes the line feed
    // into the value nor reaches past the text: its lead byte is dropped.
    EXPECT_EQ("x", Value("", "LONE"));
    EXPECT_EQ("y", Value("", "LAST"));
}

TEST_F(SetupScriptTest, LoneLeadByteAtAValuesEndCannotSwallowTheBackslashAppendedToIt)
{
    // Kept, "Guide" + 0x81 + the installer's own backslash would be "Guide"
    // and one double-byte character: one folder level instead of two.
    ASSERT_TRUE(Load("[INSTALL]\nAPPPATH_BASE=Maker\\Guide\x81\r\nCOMMON_PATH=Common\x81"));

    const CString base = doc.GetScriptValue(SEC_INSTALL, KEY_APPPATH_BASE);
    EXPECT_EQ("Maker\\Guide", base.str());
    EXPECT_EQ("Common", Value("INSTALL", "COMMON_PATH"));
    const CString folder = PathHelpers::WithTrailingBackslash("C:\\Program Files\\" + base);
    EXPECT_EQ(std::string("C:\\Program Files\\Maker\\Guide\\"), folder.str());
    EXPECT_EQ(folder.GetLength() - 1, PathHelpers::FindNthBackslash(folder, 3, 3));
}

TEST_F(SetupScriptTest, CommentsAndMalformedLinesAddNothing)
{
    ASSERT_TRUE(Load(";COMMENT=1\n"
                     "\n"
                     "   \n"
                     "stray text\n"
                     "X;Y=Z\n"
                     "=v\n"
                     "   =v\n"
                     "[]\n"
                     "[open\n"
                     "KEEP=Y;Z\n"));

    ASSERT_EQ(1, doc.ScriptCount);
    EXPECT_EQ(Entry("", "KEEP", "Y;Z"), At(0));
}

TEST_F(SetupScriptTest, SectionHeaderForms)
{
    ASSERT_TRUE(Load("x[SEC]y\nA=1\n"
                     "[SEC2]B=2\nC=3\n"
                     "[ SP ACE ]\nD=4\n"
                     "[OPEN\nE=5\n"));

    EXPECT_EQ("1", Value("SEC", "A"));
    // The key after a header on the same line is dropped.
    EXPECT_EQ("", Value("SEC2", "B"));
    EXPECT_EQ("3", Value("SEC2", "C"));
    EXPECT_EQ("4", Value(" SP ACE ", "D"));
    EXPECT_EQ("", Value("SP ACE", "D"));
    // An unclosed header changes nothing: E stays in the section before it.
    EXPECT_EQ("", Value("OPEN", "E"));
    EXPECT_EQ("5", Value(" SP ACE ", "E"));
    EXPECT_EQ(4, doc.ScriptCount);
}

TEST_F(SetupScriptTest, DoubleByteNamesWithBracketTrailBytes)
{
    ASSERT_TRUE(Load("[" + HYPHEN + "]\n" + CHOON + "=long\n"));

    EXPECT_EQ("long", Value(HYPHEN, CHOON));
}

TEST_F(SetupScriptTest, LongLineIsReadInPiecesOf541Bytes)
{
    // 600 bytes each. The first piece of line one is a comment; its second
    // piece is a key line of its own. The second piece of line two holds no
    // "=" and is dropped.
    std::string lineOne = ";" + std::string(540, 'c') + "NEXT=val" + std::string(51, 'x') + "\n";
    std::string lineTwo = "K" + std::string(40, ' ') + "=" + std::string(499, 'a') + std::string(59, 'b') + "\n";
    ASSERT_TRUE(Load(lineOne + lineTwo));

    ASSERT_EQ(2, doc.ScriptCount);
    EXPECT_EQ(Entry("", "NEXT", "val" + std::string(51, 'x')), At(0));
    EXPECT_EQ(Entry("", "K", std::string(499, 'a')), At(1));
}

TEST_F(SetupScriptTest, LongLineIsCutOnlyBetweenCharacters)
{
    // "ー" (0x81 0x5B) straddles byte 541 of a long message. Cut after its
    // lead byte, the rest of the line began with 0x5B, a "[", and opened a
    // section "ガイド" that took every later key: the load then stopped with
    // "[REG_LIBFILE1]Key not found.".
    const std::string head = "MSG_INSTALL_END=" + Repeat(HYO, 262);
    ASSERT_EQ(540u, head.size());
    const std::string guide = "\x83\x4B\x83\x43\x83\x68"; // ガイド
    ASSERT_TRUE(Load("[INSTALL]\r\n" + head + CHOON + guide + "]\r\nREG_LIBFILE1=NONE\r\n"));

    EXPECT_EQ("NONE", Value("INSTALL", "REG_LIBFILE1"));
    EXPECT_EQ(2, doc.ScriptCount);
    EXPECT_EQ("", Value(guide, "REG_LIBFILE1"));
    // The message keeps the whole characters that fit in a value.
    EXPECT_EQ(Repeat(HYO, 255), Value("INSTALL", "MSG_INSTALL_END"));

    // A piece ends after a whole character as before: a line of single bytes
    // is cut at byte 541 exactly.
    ASSERT_TRUE(Load(";" + std::string(540, 'c') + "AFTER=1\n"));
    EXPECT_EQ("1", Value("", "AFTER"));
}

TEST_F(SetupScriptTest, ReadsOfAnySizeGiveTheSameTable)
{
    // CR LF pairs, a CR alone, long lines of double-byte characters and a
    // header left open at the end, met at every possible read boundary.
    const std::string script = "[INSTALL]\r\nA=" + Repeat(HYO, 300) + "\r\nB=\rC\r\n;" + std::string(600, 'x')
        + "D=" + CHOON + "\n[X]\r\n[Y]\nE=" + Repeat(SO + "n", 200) + "\r\n[Z]";
    ScriptFolder folder(script);
    ASSERT_TRUE(doc.ReadScript());
    std::vector<Entry> whole;
    for (int i = 0; i < doc.ScriptCount; ++i)
        whole.push_back(At(i));
    ASSERT_EQ(5u, whole.size());

    for (DWORD chunk : {1u, 2u, 3u, 7u, 540u, 541u, 542u}) {
        SCOPED_TRACE(chunk);
        g_readChunk = chunk;
        Sys().ReadFile = ShortRead;
        const int result = doc.ReadScript();
        ResetSystemCalls();
        ASSERT_TRUE(result);
        ASSERT_EQ(static_cast<int>(whole.size()), doc.ScriptCount);
        for (int i = 0; i < doc.ScriptCount; ++i)
            EXPECT_EQ(whole[static_cast<size_t>(i)], At(i));
    }
}

TEST_F(SetupScriptTest, CarriageReturnLineFeedEndsALineLikeALineFeed)
{
    // 540 bytes and the line end fill exactly one piece when CR LF counts
    // as one line feed.
    std::string full = "L" + std::string(40, ' ') + "=" + std::string(498, 'z') + "\r\n";
    ASSERT_TRUE(Load("A=1\r\n[S]\r\nB=2\r\n" + full + "AFTER=3\r\n"));

    EXPECT_EQ("1", Value("", "A"));
    EXPECT_EQ("2", Value("S", "B"));
    EXPECT_EQ(std::string(498, 'z'), Value("S", "L"));
    EXPECT_EQ("3", Value("S", "AFTER"));
    EXPECT_EQ(4, doc.ScriptCount);
}

TEST_F(SetupScriptTest, TheTwoHundredAndFirstKeyIsDropped)
{
    ASSERT_TRUE(Load(NumberedKeys(0, 200) + "K200=200\n[LATE]\nK201=201\n"));

    EXPECT_EQ(200, doc.ScriptCount);
    EXPECT_EQ("199", Value("", "K199"));
    EXPECT_EQ("", Value("", "K200"));
    EXPECT_EQ("", Value("LATE", "K201"));
}

TEST_F(SetupScriptTest, EmptySectionsCountTowardsTheLimit)
{
    ASSERT_TRUE(Load("[EMPTY]\n[S]\n" + NumberedKeys(0, 199) + "LAST=x\n"));

    EXPECT_EQ(200, doc.ScriptCount);
    EXPECT_EQ(Entry("EMPTY", "", ""), At(0));
    EXPECT_EQ("198", Value("S", "K198"));
    EXPECT_EQ("", Value("S", "LAST"));
}

TEST_F(SetupScriptTest, HeaderIsRefusedWhenItsPredecessorWouldTakeTheLastSlot)
{
    // After 199 keys, [X] names the last slot; [Y] would need one more.
    ASSERT_TRUE(Load(NumberedKeys(0, 199) + "[X]\n[Y]\nK=v\n"));

    EXPECT_EQ(200, doc.ScriptCount);
    EXPECT_EQ("v", Value("X", "K"));
    EXPECT_EQ("", Value("Y", "K"));
    EXPECT_FALSE(doc.BeginSection("Z"));
    EXPECT_FALSE(doc.AddScriptEntry("MORE", "m"));
}

TEST_F(SetupScriptTest, LongNamesAndValuesAreCutAtACharacterBoundary)
{
    // The value's line is longer than a piece: the piece ends on a lead
    // byte, and the value is cut to 510 bytes so as not to split "表".
    std::string longValueLine = "V=aa" + Repeat(HYO, 349) + "\n";
    ASSERT_TRUE(Load("[" + std::string(150, 's') + "]\n" +
                     std::string(150, 'k') + "=1\n" +
                     "kk" + Repeat(HYO, 49) + "=2\n" +
                     longValueLine));

    std::string section(99, 's');
    EXPECT_EQ(Entry(section, std::string(99, 'k'), "1"), At(0));
    EXPECT_EQ(Entry(section, "kk" + Repeat(HYO, 48), "2"), At(1));
    EXPECT_EQ(Entry(section, "V", "aa" + Repeat(HYO, 254)), At(2));
    EXPECT_EQ("", Value(std::string(150, 's'), std::string(150, 'k')));

    // Callers in the program are held to the same bounds.
    ASSERT_TRUE(doc.BeginSection(std::string(150, 't').c_str()));
    ASSERT_TRUE(doc.AddScriptEntry("PLAIN", std::string(700, 'v').c_str()));
    ASSERT_TRUE(doc.AddScriptEntry("WIDE", ("v" + Repeat(HYO, 350)).c_str()));
    EXPECT_EQ(Entry(std::string(99, 't'), "PLAIN", std::string(511, 'v')), At(3));
    EXPECT_EQ(Entry(std::string(99, 't'), "WIDE", "v" + Repeat(HYO, 255)), At(4));
}

TEST_F(SetupScriptTest, ReadingAgainStartsFromAnEmptyTable)
{
    ASSERT_TRUE(Load("A=1\n[OLD]\n"));
    ASSERT_TRUE(Load("B=2\nC=3\n"));

    EXPECT_EQ(2, doc.ScriptCount);
    EXPECT_EQ("", Value("", "A"));
    // A header left pending by the first script must not claim C.
    EXPECT_EQ("3", Value("", "C"));
}

TEST_F(SetupScriptTest, MissingScriptShowsTheOpenError)
{
    ASSERT_TRUE(Load("A=1\n"));
    ScriptFolder emptyFolder;

    EXPECT_FALSE(doc.ReadScript());

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("File open error.\n", boxes.Last().Text);
    EXPECT_EQ("Error", boxes.Last().Caption);
    EXPECT_EQ(STANDARD_BOX, boxes.Last().Type);
    EXPECT_EQ(nullptr, boxes.Last().Owner);
    EXPECT_EQ(0, doc.ScriptCount);
}

TEST_F(SetupScriptTest, ReadFailureKeepsWhatWasReadAndShowsTheReadError)
{
    // The first block of the file reads; the second read fails, as a
    // vanished network drive would make it.
    const size_t block = 4096;
    std::string script = "FIRST=1\n";
    while (script.size() < 2 * block)
        script += ";" + std::string(98, 'c') + "\n";
    script += "LAST=2\n";
    ScriptFolder folder(script);

    g_readsBeforeFailure = 1;
    Sys().ReadFile = FailingRead;
    int result = doc.ReadScript();
    ResetSystemCalls();

    EXPECT_FALSE(result);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("File read error.\n", boxes.Last().Text);
    EXPECT_EQ("Error", boxes.Last().Caption);
    EXPECT_EQ("1", Value("", "FIRST"));
    EXPECT_EQ("", Value("", "LAST"));
}

// The error boxes, worded by a loaded script.
class ErrorReportTest : public SetupScriptTest
{
protected:
    void SetUp() override
    {
        SetupScriptTest::SetUp();
        ASSERT_TRUE(Load("[INSTALL]\nCAPTION=Pkg Setup\n"
                         "[ERROR]\n"
                         "ERR_MES_WRITE_ERROR=cannot write\n"
                         "ERR_MES_COPY_ERROR=cannot copy\n"
                         "ERR_MES_NOSPACE=no space\n"
                         "ERR_MES_USER_CANCEL=cancelled\\nby you\n"));
        // What loading the package does with the caption.
        doc.Caption = doc.GetScriptValue(SEC_INSTALL, KEY_CAPTION);
    }
};

TEST_F(ErrorReportTest, ProgramCodesShowTheScriptsTexts)
{
    const struct {
        DWORD code;
        const char* text;
    } cases[] = {
        {ERROR_CODE_WRITE, "cannot write"},
        {ERROR_CODE_COPY, "cannot copy"},
        {ERROR_CODE_NOSPACE, "no space"},
        {ERROR_CODE_CANCEL, "cancelled\nby you"},
        // Not worded by this script: the box is shown with no text.
        {ERROR_CODE_GENERAL, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        boxes.Clear();
        doc.ShowErrorCode(c.code);
        ASSERT_EQ(1u, boxes.Count());
        EXPECT_EQ(c.text, boxes.Last().Text);
        EXPECT_EQ("Pkg Setup", boxes.Last().Caption);
        EXPECT_EQ(STANDARD_BOX, boxes.Last().Type);
    }
}

TEST_F(ErrorReportTest, GeneralErrorCodeShowsItsOwnText)
{
    doc.AddScriptEntry(KEY_ERR_MES_ERROR_OCCURRED, "something failed");

    doc.ShowErrorCode(ERROR_CODE_GENERAL);

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("something failed", boxes.Last().Text);
}

TEST_F(ErrorReportTest, SystemCodeShowsTheSystemsText)
{
    doc.ShowErrorCode(ERROR_FILE_NOT_FOUND);

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_FALSE(boxes.Last().Text.empty());
    EXPECT_NE(0u, boxes.Last().Text.rfind("Error 0x", 0)) << "the system has a text for this code";
    EXPECT_EQ("Pkg Setup", boxes.Last().Caption);
    EXPECT_EQ(STANDARD_BOX, boxes.Last().Type);
}

TEST_F(ErrorReportTest, CodeWithoutSystemTextShowsItsNumber)
{
    // Bit 29 marks application-defined codes; the system has no text for them.
    doc.ShowErrorCode(0x20001234);

    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ("Error 0x20001234", boxes.Last().Text);
}

TEST_F(ErrorReportTest, TextsAreShownAsGivenAndCaptionedErrorWithoutACaption)
{
    doc.ShowMessage("as is \\n");
    doc.Caption.Empty();
    doc.ShowTwoLineMessage("first", "second");

    ASSERT_EQ(2u, boxes.Count());
    EXPECT_EQ("as is \\n", boxes.Boxes()[0].Text);
    EXPECT_EQ("Pkg Setup", boxes.Boxes()[0].Caption);
    EXPECT_EQ("first\nsecond", boxes.Boxes()[1].Text);
    EXPECT_EQ("Error", boxes.Boxes()[1].Caption);
}

TEST_F(ErrorReportTest, BoxIsOwnedByTheMainWindow)
{
    HWND frame = CreateWindowExA(0, "STATIC", "frame", WS_POPUP, 0, 0, 10, 10,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, frame);
    CWnd mainWnd;
    mainWnd.m_hWnd = frame;
    TestApp().m_pMainWnd = &mainWnd;

    doc.ShowErrorCode(ERROR_CODE_WRITE);

    TestApp().m_pMainWnd = nullptr;
    mainWnd.m_hWnd = nullptr;
    DestroyWindow(frame);
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_EQ(frame, boxes.Last().Owner);
}
