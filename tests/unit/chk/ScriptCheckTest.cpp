// The checker's findings about the script itself, one package per finding:
// its bytes, what the reader cuts or drops, names the installer never reads,
// values it reads otherwise than meant, and keys left empty or out.
#include "SamplePackage.h"

#include "chk/Console.h"

#include <algorithm>
#include <string>

namespace chk_test {
namespace {

const FindingCase kCases[] = {
    // The script's bytes.
    {"Utf8Script", [](SamplePackage& p) {
         std::string crlf;
         for (char c : p.script)
             crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
         p.Write("setup\\tarvel.eif", crlf);
     }, "error", "utf8-script", "CAPTION=", {}},
    {"Utf8ScriptWithBom", [](SamplePackage& p) { p.Write("setup\\tarvel.eif", "\xEF\xBB\xBF" + p.script); },
     "error", "utf8-script", "; Sample package", {}},
    {"NotShiftJis", Edit(Swap("CAPTION=", "CAPTION=##"), [](std::string& b) { b.replace(b.find("##"), 2, "\xFF\xFF"); }),
     "warning", "not-shift-jis", "CAPTION=", {}},
    {"LineEndsInsideACharacter", Edit(Swap("MSG_COPY_FILE=ファイルをコピーしています...", "MSG_COPY_FILE=ファイル#"),
                                      [](std::string& b) { b.replace(b.find("#"), 1, "\x83"); }),
     "warning", "line-ends-in-character", "MSG_COPY_FILE=", {}},
    {"CarriageReturnsAlone", Edit([](SamplePackage&) {}, [](std::string& b) {
         b.erase(std::remove(b.begin(), b.end(), '\n'), b.end());
     }), "error", "cr-line-ends", "; Sample package", {}},
    {"ZeroByte", Edit(Swap("; No shared", "; No #shared"), [](std::string& b) { b[b.find("#")] = '\0'; }),
     "warning", "zero-byte", "; No ", {}},
    // What the reader cuts or drops.
    {"LongCommentLine", Edit(Swap("; No shared", ";" + std::string(600, 'c') + "\n; No shared")),
     "warning", "long-line", "cccc", {}},
    {"LongLineWhoseRestSetsAKey", Edit(Swap("; No shared", ";" + std::string(540, 'c') + "NOTE=x\n; No shared")),
     "error", "long-line", "cccc", {"unknown-key"}},
    {"ValueCut", Edit(Swap("MSG_COPY_FILE=ファイルをコピーしています...", "MSG_COPY_FILE=" + std::string(520, 'v'))),
     "warning", "value-cut", "MSG_COPY_FILE=", {}},
    {"KeyNameCut", Edit(Swap("; No shared", std::string(120, 'K') + "=1\n; No shared")),
     "warning", "name-cut", "KKKK", {}},
    {"TableFull", Edit([](SamplePackage& p) {
         std::string filler = "[NOTES]\n";
         for (int i = 0; i < 200; ++i)
             filler += "NOTE" + std::to_string(i) + "=x\n";
         p.Replace("[ERROR]", filler + "[ERROR]");
     }), "error", "table-full", "NOTE167=", {"unknown-section", "empty-text"}},
    {"BadHeader", Edit(Swap("; No shared", "[OPEN\n; No shared")), "warning", "bad-header", "[OPEN", {}},
    {"EmptyKey", Edit(Swap("; No shared", "=value\n; No shared")), "warning", "empty-key", "=value", {}},
    {"IgnoredLine", Edit(Swap("; No shared", "CAPTION サンプル\n; No shared")), "warning", "ignored-line",
     "CAPTION サ", {}},
    {"TextAfterHeader", Edit(Swap("[ERROR]", "[ERROR]ERR_MES_NOSPACE=x")), "warning", "text-after-header", "[ERROR]",
     {}},
    {"TextBeforeEquals", Edit(Swap("CAPTION=", "CAPTION x=")), "warning", "text-before-equals", "CAPTION x", {}},
    // Names the installer never reads.
    {"SectionInTheWrongCase", Edit(Swap("[ERROR]", "[Install]\nCAPTION=x\n[ERROR]")), "error", "unknown-section",
     "[Install]", {}},
    {"UnknownSection", Edit(Swap("[ERROR]", "[OPTIONS]\nX=1\n[ERROR]")), "warning", "unknown-section", "[OPTIONS]", {}},
    {"KeyBeforeAnySection", Edit(Swap("[INSTALL]", "CAPTION=x\n[INSTALL]")), "error", "key-outside-section",
     "CAPTION=x", {}},
    {"KeyInTheWrongCase", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nData_Path2=EXTRA")), "error",
     "unknown-key", "Data_Path2", {}},
    {"MisspelledKey", Edit(Swap("; No shared", "CAPTON=x\n; No shared")), "warning", "unknown-key", "CAPTON", {}},
    {"KeyInTheWrongSection", Edit(Swap("; No shared", "UNINSTALL_KEY=x\n; No shared")), "error", "wrong-section",
     "UNINSTALL_KEY=x", {}},
    {"DuplicateKey", Edit(Swap("; No shared", "CAPTION=again\n; No shared")), "warning", "duplicate-key",
     "CAPTION=again", {}},
    {"NumberedKeyAfterAGap", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH3=EXTRA")), "error",
     "numbered-gap", "DATA_PATH3", {}},
    {"ProductBeyondTheCount", Edit(Swap("PRODUCT_LANGUAGE1=JPN", "PRODUCT_LANGUAGE1=JPN\nPRODUCT_NAME2=Other")),
     "warning", "product-beyond-count", "PRODUCT_NAME2", {}},
    {"IncompleteProduct", Edit(Swap("PRODUCT_NUM=1\n", "PRODUCT_NUM=2\nPRODUCT_NAME2=Other\n")), "warning",
     "product-incomplete", "PRODUCT_NAME2", {}},
    // Values read otherwise than meant.
    {"LineFeedInAPath", Edit(Swap("PROGRAM_FOLDER_NAME=サンプルガイド", "PROGRAM_FOLDER_NAME=サンプル\\nガイド")), "error",
     "line-feed-in-path", "PROGRAM_FOLDER_NAME=", {}},
    {"SpaceAroundTheValue", Edit(Swap("COMPANY_NAME=Zerdane", "COMPANY_NAME= Zerdane")), "warning", "value-spaces",
     "COMPANY_NAME=", {}},
    {"FlagNeitherTrueNorFalse", Edit(Swap("FLAG_DESKTOP_ICON=TRUE", "FLAG_DESKTOP_ICON=YES")), "warning",
     "flag-value", "FLAG_DESKTOP_ICON", {}},
    {"ProductCountNoNumber", Edit(Swap("PRODUCT_NUM=1", "PRODUCT_NUM=one")), "warning", "product-count",
     "PRODUCT_NUM", {"product-beyond-count"}},
    {"DestinationWithADrive", Edit(Swap("APPPATH_BASE=Zerdane", "APPPATH_BASE=C:\\Zerdane")), "error",
     "destination", "APPPATH_BASE", {}},
    {"NestedProgramFolder", Edit(Swap("PROGRAM_FOLDER_NAME=", "PROGRAM_FOLDER_NAME=Zerdane\\")), "error",
     "program-folder-levels", "PROGRAM_FOLDER_NAME", {}},
    {"DisplayVersionNotDotted", Edit(Swap("DISPLAY_VERSION=1.0", "DISPLAY_VERSION=1.0 beta")), "warning",
     "display-version", "DISPLAY_VERSION", {}},
    // What empty or missing keys will mean.
    {"NoUninstaller", Edit(Swap("UNINSTALL_FILE=uninst.exe\n", "")), "error", "missing-key", nullptr, {}},
    {"NoIcon", Edit(Swap("ICON_NAME=guide.ico\n", "")), "error", "missing-key", nullptr, {}},
    {"NoSharedLibrarySetting", Edit(Swap("REG_LIBFILE1=NONE\n", "")), "error", "missing-key", nullptr, {}},
    {"NoUninstallKey", Edit(Swap("UNINSTALL_KEY=Zerdane Sample Guide\n", "")), "error", "missing-key", nullptr, {}},
    {"EmptyEndMessage", Edit(Swap("MSG_INSTALL_END=インストールが完了しました。\\nガイドはスタートメニューから表示できます。",
                                  "MSG_INSTALL_END=")),
     "warning", "empty-text", nullptr, {}},
    {"NoErrorText", Edit(Swap("ERR_MES_NOSPACE=", "ERR_MES_NOSPACE_OLD=")), "warning", "empty-text", nullptr,
     {"unknown-key"}},
};

class ScriptFinding : public SamplePackage, public ::testing::WithParamInterface<FindingCase>
{
};

TEST_P(ScriptFinding, GivesExactlyThatFindingAtItsLine)
{
    ExpectExactlyThatFinding(*this, GetParam());
}

INSTANTIATE_TEST_SUITE_P(EachFinding, ScriptFinding, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FindingCase>& info) { return info.param.name; });

// Shift-JIS text is no fault, but the package then installs only where the
// process code page is 932: the author is told where the first such text is.
class ScriptCodePage : public SamplePackage
{
};

TEST_F(ScriptCodePage, ShiftJisTextIsANoteThatTheInstallNeedsCodePage932)
{
    const Reported note("note", "needs-code-page-932", LineOf("CAPTION="));
    WriteScript();
    std::vector<Reported> reports = Check().Reports();
    EXPECT_EQ(1, std::count(reports.begin(), reports.end(), note)) << Check().Listing();

    WriteScript([](std::string& bytes) {
        std::replace_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; },
                        'x');
    });
    reports = Check().Reports();
    EXPECT_EQ(0, std::count_if(reports.begin(), reports.end(),
                               [](const Reported& r) { return std::get<1>(r) == "needs-code-page-932"; }))
        << Check().Listing();
}

// The checker's output reads right where the console's code page is not the
// script's: a Shift-JIS quote becomes the same characters in that code page.
TEST(CheckerOutput, ScriptTextIsWrittenInTheReadersCodePage)
{
    const CString quote = "\"\x95\x5C\" [x]"; // "表", whose trail byte is a backslash
    EXPECT_EQ("\"\xE8\xA1\xA8\" [x]", Chk::InCodePage(quote, CP_UTF8).str());
    EXPECT_EQ(quote.str(), Chk::InCodePage(quote, 932).str());
    EXPECT_EQ("tarvel.eif: 0 errors", Chk::InCodePage("tarvel.eif: 0 errors", 1252).str());
}

} // namespace
} // namespace chk_test
