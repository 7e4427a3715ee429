// tarvelchk on real package folders: the sample passes clean; one package per
// finding gives exactly that finding at the right line; and every package the
// installer refuses, the checker rejects first.
#include "InstallSupport.h"
#include "SharedTestLibs.h"
#include "TestPaths.h"
#include "Text.h"

#include <algorithm>
#include <functional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using e2e::CheckerRun;

// One reported finding: severity, name and line (0 without a line).
using Reported = std::tuple<std::string, std::string, int>;

std::vector<Reported> ParseFindings(const std::string& output)
{
    std::vector<Reported> found;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("tarvel.eif", 0) != 0 || line.back() != ']')
            continue;
        int number = 0;
        size_t at = 10;
        if (line[at] == ':' && isdigit(static_cast<unsigned char>(line[at + 1])))
            number = std::atoi(line.c_str() + at + 1);
        for (const char* level : {"error", "warning", "note"}) {
            if (line.find(std::string(": ") + level + ": ") != std::string::npos) {
                const size_t open = line.rfind('[');
                found.emplace_back(level, line.substr(open + 1, line.size() - open - 2), number);
                break;
            }
        }
    }
    return found;
}

// The errors and warnings only: notes tell what the install will do.
std::set<Reported> Faults(const std::vector<Reported>& all)
{
    std::set<Reported> faults;
    for (const Reported& r : all) {
        if (std::get<0>(r) != "note")
            faults.insert(r);
    }
    return faults;
}

// A copy of the sample package, with its script as text to change. The
// helpers are public: the case table below uses them.
class SamplePackage : public e2e::InstallerTest {
public:
    void SetUp() override
    {
        InstallerTest::SetUp();
        for (const std::string& item : e2e::ListTree(e2e::SamplePath())) {
            if (item.back() == '\\' || item == "setup\\tarvel.eif.utf8")
                continue;
            ASSERT_TRUE(package.Write(item, e2e::ReadFileBytes(e2e::SamplePath() + "\\" + item))) << item;
        }
        ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
        ASSERT_TRUE(package.CopyInstaller());
        script = e2e::ReadFileBytes(e2e::SamplePath() + "\\setup\\tarvel.eif.utf8");
        script.erase(std::remove(script.begin(), script.end(), '\r'), script.end());
    }

    // Writes the script as the installer reads it, then changes its bytes.
    void WriteScript(const std::function<void(std::string&)>& bytes = nullptr)
    {
        std::string stored = e2e::ScriptBytes(script);
        if (bytes)
            bytes(stored);
        ASSERT_TRUE(package.Write("setup\\tarvel.eif", stored));
    }

    void Replace(const std::string& from, const std::string& to)
    {
        const size_t at = script.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        script.replace(at, from.size(), to);
    }

    // The script's line that holds 'marker' first.
    int LineOf(const std::string& marker) const
    {
        const size_t at = script.find(marker);
        EXPECT_NE(at, std::string::npos) << marker;
        return at == std::string::npos ? -1 : 1 + static_cast<int>(std::count(script.begin(), script.begin() + at, '\n'));
    }

    void MakeShared(const std::string& library = TESTLIB_V1001)
    {
        Replace("REG_LIBFILE1=NONE", "REG_LIBFILE1=COMMON\\tvshared.dll\nLIBFILEPATH_BASE=Zerdane\\Shared\n"
                                     "COMMON_PATH=COMMON");
        ASSERT_TRUE(package.Write("COMMON\\tvshared.dll", e2e::ReadFileBytes(library)));
    }

    CheckerRun Check(const std::string& options = "") const { return e2e::RunChecker(package.SetupFolder(), options); }
    e2e::PackageFolder& Package() { return package; }

    std::string script;
};

TEST_F(SamplePackage, PassesWithoutAnErrorOrWarning)
{
    WriteScript();
    const CheckerRun run = Check("--werror");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(Faults(ParseFindings(run.output)), std::set<Reported>()) << run.output;
    EXPECT_NE(run.output.find("tarvel.eif: 0 errors, 0 warnings"), std::string::npos) << run.output;
    // What the install will do, at the lines that say so.
    const std::vector<Reported> all = ParseFindings(run.output);
    EXPECT_NE(std::find(all.begin(), all.end(), Reported("note", "data-folder", LineOf("DATA_PATH="))), all.end())
        << run.output;
    EXPECT_NE(run.output.find("\"GUIDE\" installs 4 files and 1 folder"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Zerdane\\Sample Guide"), std::string::npos) << run.output;

    const CheckerRun quiet = Check("--quiet");
    EXPECT_EQ(quiet.exitCode, 0u);
    EXPECT_EQ(quiet.output, "");
}

TEST_F(SamplePackage, SharedLibraryVersionOfTheSamplePassesToo)
{
    MakeShared();
    WriteScript();
    const CheckerRun run = Check();
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_EQ(Faults(ParseFindings(run.output)), std::set<Reported>()) << run.output;
}

TEST_F(SamplePackage, ExitCodesAndOptions)
{
    Replace("CAPTION=", "CAPTON=x\nCAPTION=");
    WriteScript();
    const int line = LineOf("CAPTON=");

    CheckerRun run = Check();
    EXPECT_EQ(run.exitCode, 0u) << "a warning alone passes:\n" << run.output;
    EXPECT_NE(run.output.find("tarvel.eif:" + std::to_string(line) + ": warning: "), std::string::npos) << run.output;
    run = Check("--werror");
    EXPECT_EQ(run.exitCode, 1u) << run.output;
    EXPECT_NE(run.output.find("tarvel.eif:" + std::to_string(line) + ": error: "), std::string::npos) << run.output;
    run = Check("--quiet");
    EXPECT_EQ(run.output, "");

    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("setup\\tarvel.eif")).c_str()));
    run = Check();
    EXPECT_EQ(run.exitCode, 2u) << run.output;
    run = e2e::RunChecker(package.Path("no such folder"));
    EXPECT_EQ(run.exitCode, 2u) << run.output;
}

TEST_F(SamplePackage, ScriptsOfTheFuzzCorpusNeverCrashIt)
{
    // Garbled scripts in a package with nothing else: whatever the checker
    // makes of them, it ends with one of its three exit codes.
    const std::string corpus = dlg::WindowsPathFromUnix(TARVEL_FUZZ_CORPUS_UNIX_DIR);
    int scripts = 0;
    for (const std::string& name : e2e::ListTree(corpus)) {
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".eif") != 0)
            continue;
        std::string bytes = e2e::ReadFileBytes(corpus + "\\" + name);
        for (size_t cut : {bytes.size(), bytes.size() / 3}) {
            ASSERT_TRUE(package.Write("setup\\tarvel.eif", bytes.substr(0, cut)));
            const CheckerRun run = Check();
            EXPECT_TRUE(run.ended) << name;
            EXPECT_LE(run.exitCode, 2u) << name << "\n" << run.output;
            EXPECT_NE(run.output.find("tarvel.eif: "), std::string::npos) << name << "\n" << run.output;
        }
        ++scripts;
    }
    EXPECT_GE(scripts, 10);
}

// --- one package per finding ------------------------------------------------------

struct FindingCase {
    const char* name;
    std::function<void(SamplePackage&)> make; // changes the package and writes the script
    const char* level;
    const char* id;
    const char* lineMarker;              // text on the line, as the script holds it; null: no line
    std::vector<const char*> consequences; // other findings it rightly brings
};

void PrintTo(const FindingCase& c, std::ostream* os) { *os << c.name; }

// A change of the package, then the script written, its bytes changed last.
// Byte changes find their place by a "#": no Shift-JIS byte pair holds one,
// while "@" and every letter are second bytes of some character.
std::function<void(SamplePackage&)> Edit(std::function<void(SamplePackage&)> change,
                                         std::function<void(std::string&)> bytes = nullptr)
{
    return [change, bytes](SamplePackage& p) {
        change(p);
        p.WriteScript(bytes);
    };
}

std::function<void(SamplePackage&)> Swap(const std::string& from, const std::string& to)
{
    return [=](SamplePackage& p) { p.Replace(from, to); };
}

const FindingCase kCases[] = {
    // The script's bytes.
    {"Utf8Script", [](SamplePackage& p) {
         SamplePackage& f = p;
         std::string crlf;
         for (char c : f.script)
             crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
         ASSERT_TRUE(f.Package().Write("setup\\tarvel.eif", crlf));
     }, "error", "utf8-script", "CAPTION=", {}},
    {"Utf8ScriptWithBom", [](SamplePackage& p) {
         SamplePackage& f = p;
         ASSERT_TRUE(f.Package().Write("setup\\tarvel.eif", "\xEF\xBB\xBF" + f.script));
     }, "error", "utf8-script", "; Sample package", {}},
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
    {"TableFull", Edit([](SamplePackage& f) {
         std::string filler = "[NOTES]\n";
         for (int i = 0; i < 200; ++i)
             filler += "NOTE" + std::to_string(i) + "=x\n";
         f.Replace("[ERROR]", filler + "[ERROR]");
     }), "error", "table-full", "NOTE170=", {"unknown-section", "empty-text"}},
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
    {"NestedProgramFolder", Edit(Swap("PROGRAM_FOLDER_NAME=", "PROGRAM_FOLDER_NAME=Zerdane\\")), "warning",
     "program-folder-levels", "PROGRAM_FOLDER_NAME", {}},
    {"DestinationWithADrive", Edit(Swap("APPPATH_BASE=Zerdane", "APPPATH_BASE=C:\\Zerdane")), "error",
     "destination", "APPPATH_BASE", {}},
    {"DestinationPathTooLong", Edit(Swap("APPPATH_BASE=Zerdane", "APPPATH_BASE=" + std::string(230, 'z'))),
     "error", "path-too-long", "APPPATH_BASE", {}},
    // Files and folders, looked for as the installer looks.
    {"UninstallerMissing", Edit(Swap("UNINSTALL_FILE=uninst.exe", "UNINSTALL_FILE=remove.exe")), "error",
     "missing-file", "UNINSTALL_FILE", {}},
    {"IconMissing", Edit(Swap("ICON_NAME=guide.ico", "ICON_NAME=other.ico")), "error", "missing-file", "ICON_NAME",
     {}},
    {"WritableFileMissing", Edit(Swap("WRITE_FILE1=GUIDE\\memo.txt", "WRITE_FILE1=GUIDE\\Memo2.txt")), "error",
     "missing-file", "WRITE_FILE1", {}},
    {"DataFolderMissing", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH2=EXTRA")), "error",
     "missing-folder", "DATA_PATH2", {}},
    {"IconNotAnIcon", Edit([](SamplePackage& f) { ASSERT_TRUE(f.Package().Write("setup\\guide.ico", "not an icon")); }),
     "warning", "icon-format", "ICON_NAME", {}},
    {"IconWithoutASmallImage", Edit([](SamplePackage& f) {
         std::string icon = e2e::ReadFileBytes(f.Package().Path("setup\\guide.ico"));
         icon[4] = 1; // only the first image, 32x32, is listed
         ASSERT_TRUE(f.Package().Write("setup\\guide.ico", icon));
     }), "warning", "icon-sizes", "ICON_NAME", {}},
    {"BannerMissing", Edit(Swap("BACKGROUND_FILE=banner.bmp", "BACKGROUND_FILE=top.bmp")), "warning",
     "banner-missing", "BACKGROUND_FILE", {}},
    {"BannerNotABitmap", Edit([](SamplePackage& f) {
         ASSERT_TRUE(f.Package().Write("setup\\banner.bmp", "\x89PNG\r\n\x1a\n not a bitmap"));
     }), "warning", "banner-format", "BACKGROUND_FILE", {}},
    {"BannerTooLarge", Edit([](SamplePackage& f) {
         std::string banner = e2e::ReadFileBytes(f.Package().Path("setup\\banner.bmp"));
         banner[18] = static_cast<char>(0xE8); // width 1000 in the header; the pixels do not matter here
         banner[19] = 0x03;
         ASSERT_TRUE(f.Package().Write("setup\\banner.bmp", banner));
     }), "warning", "banner-size", "BACKGROUND_FILE", {}},
    {"WritableFileNotInstalled", Edit(Swap("WRITE_FILE1=GUIDE\\memo.txt", "WRITE_FILE1=GUIDE\\memo.txt\nWRITE_FILE2=setup\\banner.bmp")),
     "warning", "writable-not-installed", "WRITE_FILE2", {}},
    {"TwoDataFoldersOneName", Edit([](SamplePackage& f) {
         f.Replace("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH2=EXTRA");
         ASSERT_TRUE(f.Package().Write("EXTRA\\index.htm", "<html>other</html>"));
     }), "warning", "same-destination", "DATA_PATH2", {}},
    {"ShortcutTargetNotInstalled", Edit(Swap("PRODUCT_KEY_FILE1=index.htm", "PRODUCT_KEY_FILE1=start.htm")),
     "error", "key-file-not-installed", "PRODUCT_KEY_FILE1", {}},
    {"SharedLibraryMissing", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=COMMON\\tvshared.dll\nREG_LIBFILE2=COMMON\\gone.dll");
     }), "error", "missing-file", "REG_LIBFILE2", {}},
    {"SharedFolderMissing", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("COMMON_PATH=COMMON", "COMMON_PATH=SHARED");
     }), "error", "missing-folder", "COMMON_PATH", {}},
    {"SharedLibraryOutsideTheSharedFolder", Edit([](SamplePackage& f) {
         f.MakeShared();
         ASSERT_TRUE(f.Package().Write("LIBS\\tvshared.dll", e2e::ReadFileBytes(TESTLIB_V1001)));
         f.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=LIBS\\tvshared.dll");
     }), "warning", "library-not-shared", "REG_LIBFILE1", {}},
    {"SharedLibraryNotALibrary", Edit([](SamplePackage& f) {
         f.MakeShared();
         ASSERT_TRUE(f.Package().Write("COMMON\\tvshared.dll", "text"));
     }), "error", "library-format", "REG_LIBFILE1", {}},
    {"SharedLibraryNot32Bit", Edit([](SamplePackage& f) {
         f.MakeShared();
         std::string library = e2e::ReadFileBytes(TESTLIB_V1001);
         const size_t pe = static_cast<unsigned char>(library[60]) | (static_cast<unsigned char>(library[61]) << 8);
         library[pe + 4] = 0x64; // machine 0x8664
         library[pe + 5] = static_cast<char>(0x86);
         ASSERT_TRUE(f.Package().Write("COMMON\\tvshared.dll", library));
     }), "error", "library-format", "REG_LIBFILE1", {}},
    {"SharedLibraryWithoutRegistration", Edit([](SamplePackage& f) { f.MakeShared(TESTLIB_NOREG); }), "error",
     "library-registration", "REG_LIBFILE1", {}},
    {"SharedLibraryWithoutVersion", Edit([](SamplePackage& f) { f.MakeShared(TESTLIB_NOVERSION); }), "warning",
     "library-version", "REG_LIBFILE1", {}},
};

class CheckerFinding : public SamplePackage, public ::testing::WithParamInterface<FindingCase> {
};

TEST_P(CheckerFinding, GivesExactlyThatFindingAtItsLine)
{
    const FindingCase& c = GetParam();
    c.make(*this);
    if (HasFatalFailure())
        return;
    const CheckerRun run = Check();
    ASSERT_TRUE(run.ended);

    const int line = c.lineMarker ? LineOf(c.lineMarker) : 0;
    const Reported expected(c.level, c.id, line);
    std::set<Reported> faults = Faults(ParseFindings(run.output));
    EXPECT_EQ(faults.count(expected), 1u) << "expected " << c.level << " " << c.id << " at line " << line << "\n"
                                          << run.output;
    faults.erase(expected);
    for (const char* consequence : c.consequences) {
        for (auto it = faults.begin(); it != faults.end();)
            it = std::get<1>(*it) == consequence ? faults.erase(it) : std::next(it);
    }
    EXPECT_EQ(faults, std::set<Reported>()) << "other findings:\n" << run.output;
    EXPECT_EQ(run.exitCode, std::string(c.level) == "error" ? 1u : 0u) << run.output;
}

INSTANTIATE_TEST_SUITE_P(EachFinding, CheckerFinding, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<FindingCase>& info) { return info.param.name; });

// --- the installer's refusals ------------------------------------------------------------

struct BrokenCase {
    const char* name;
    std::function<void(SamplePackage&)> make;
};

const BrokenCase kBroken[] = {
    {"NoScript", [](SamplePackage& p) { p.WriteScript(); DeleteFileW(dlg::WideFromUtf8(p.Package().Path("setup\\tarvel.eif")).c_str()); }},
    {"CarriageReturnsAlone", Edit([](SamplePackage&) {}, [](std::string& b) {
         b.erase(std::remove(b.begin(), b.end(), '\n'), b.end());
     })},
    {"SectionInTheWrongCase", Edit(Swap("[INSTALL]", "[install]"))},
    {"UninstallerMissing", Edit(Swap("UNINSTALL_FILE=uninst.exe", "UNINSTALL_FILE=remove.exe"))},
    {"UninstallerNotNamed", Edit(Swap("UNINSTALL_FILE=uninst.exe\n", ""))},
    {"UninstallerKeyInTheWrongCase", Edit(Swap("UNINSTALL_FILE=", "Uninstall_File="))},
    {"IconMissing", Edit(Swap("ICON_NAME=guide.ico", "ICON_NAME=other.ico"))},
    {"IconNotNamed", Edit(Swap("ICON_NAME=guide.ico\n", ""))},
    {"IconWithAWildcard", Edit(Swap("ICON_NAME=guide.ico", "ICON_NAME=*.ico"))},
    {"DataFolderMissing", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUIDE\nDATA_PATH2=EXTRA"))},
    {"DataFolderWithAWildcard", Edit(Swap("DATA_PATH=GUIDE", "DATA_PATH=GUI*"))},
    {"WritableFileMissing", Edit(Swap("WRITE_FILE1=GUIDE\\memo.txt", "WRITE_FILE1=GUIDE\\Memo2.txt"))},
    {"NoSharedLibrarySetting", Edit(Swap("REG_LIBFILE1=NONE\n", ""))},
    {"SharedLibraryMissing", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=COMMON\\gone.dll");
     })},
    {"SharedBaseNotNamed", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("LIBFILEPATH_BASE=Zerdane\\Shared\n", "");
     })},
    {"SharedFolderNotNamed", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("COMMON_PATH=COMMON", "");
     })},
    {"SharedFolderMissing", Edit([](SamplePackage& f) {
         f.MakeShared();
         f.Replace("COMMON_PATH=COMMON", "COMMON_PATH=SHARED");
     })},
    {"UninstallSectionPushedOutOfTheTable", Edit([](SamplePackage& f) {
         std::string filler = "[NOTES]\n";
         for (int i = 0; i < 200; ++i)
             filler += "NOTE" + std::to_string(i) + "=x\n";
         f.Replace("[UNINSTALL]", filler + "[UNINSTALL]");
     })},
};

void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

// A broken sample, whose names would reach outside the test if it installed.
class InstallerRefusal : public SamplePackage, public ::testing::WithParamInterface<BrokenCase> {
protected:
    InstallerRefusal()
        : destination("Refusal")
    {
    }
    void SetUp() override
    {
        SamplePackage::SetUp();
        Replace("APPPATH_BASE=Zerdane\\Sample Guide", "APPPATH_BASE=" + destination.Base() + "\\Guide");
        Replace("PROGRAM_FOLDER_NAME=サンプルガイド", "PROGRAM_FOLDER_NAME=" + e2e::MenuFolderName());
        Replace("UNINSTALL_KEY=Zerdane Sample Guide", "UNINSTALL_KEY=" + e2e::UninstallKeyName());
        Replace("FLAG_DESKTOP_ICON=TRUE", "FLAG_DESKTOP_ICON=FALSE");
        Replace("PRODUCT_NUM=1", "PRODUCT_NUM=0");
    }

    e2e::ScratchDestination destination;
};

TEST_P(InstallerRefusal, TheCheckerRejectsThePackageFirst)
{
    GetParam().make(*this);
    if (HasFatalFailure())
        return;
    const CheckerRun check = Check();
    ASSERT_TRUE(check.ended);

    const dlg::RunResult run = package.Run("/PSM");

    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(run.exitCode, e2e::kFailedBeforeCopy) << "the installer did not refuse the package\n" << e2e::Describe(run);
    EXPECT_EQ(run.MessageTexts().size(), 1u) << e2e::Describe(run);
    EXPECT_NE(check.exitCode, 0u) << "the installer stops with \"" << run.MessageTexts().front()
                                  << "\", the checker passes:\n" << check.output;
}

INSTANTIATE_TEST_SUITE_P(BrokenPackages, InstallerRefusal, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

} // namespace
