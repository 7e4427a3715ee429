// The checker on whole packages: the sample passes clean, garbled scripts
// never bring it down, and every package the installer refuses, the checker
// rejects first.
#include "SamplePackage.h"
#include "TestPaths.h"
#include "Text.h"

#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "app/ExitCodes.h"

#include <shlobj.h>

#include <algorithm>
#include <string>

namespace chk_test {
namespace {

const Chk::Finding* FindingNamed(const CheckRun& run, const char* id)
{
    for (const Chk::Finding& f : run.Findings) {
        if (f.Id == id)
            return &f;
    }
    return nullptr;
}

TEST_F(SamplePackage, PassesWithoutAnErrorOrWarning)
{
    WriteScript();
    const CheckRun run = Check();
    ASSERT_EQ(Chk::FolderCheck::Checked, run.Outcome);
    EXPECT_EQ(std::set<Reported>(), Faults(run.Reports())) << run.Listing();
    // What the install will do, at the lines that say so.
    const Chk::Finding* data = FindingNamed(run, "data-folder");
    ASSERT_NE(nullptr, data) << run.Listing();
    EXPECT_EQ(LineOf("DATA_PATH="), data->Line);
    EXPECT_NE(-1, data->Text.Find("\"GUIDE\" installs 4 files and 1 folder")) << run.Listing();
    const Chk::Finding* destination = FindingNamed(run, "destination");
    ASSERT_NE(nullptr, destination) << run.Listing();
    EXPECT_NE(-1, destination->Text.Find("Zerdane\\Sample Guide")) << run.Listing();
}

TEST_F(SamplePackage, SharedLibraryVersionOfTheSamplePassesToo)
{
    MakeShared();
    WriteScript();
    const CheckRun run = Check();
    EXPECT_FALSE(run.Rejects()) << run.Listing();
    EXPECT_EQ(std::set<Reported>(), Faults(run.Reports())) << run.Listing();
}

// Whatever the checker makes of a garbled script, it reads it to the end
// and names lines the script has.
TEST_F(SamplePackage, ScriptsOfTheFuzzCorpusNeverBringItDown)
{
    const std::string corpus = dlg::WindowsPathFromUnix(TARVEL_FUZZ_CORPUS_UNIX_DIR);
    int scripts = 0;
    WIN32_FIND_DATAA found;
    const HANDLE find = FindFirstFileA((corpus + "\\*.eif").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, find) << corpus;
    do {
        const std::string name = found.cFileName;
        const std::string bytes = FileTree::ReadBytes(corpus + "\\" + name);
        for (size_t cut : {bytes.size(), bytes.size() / 3}) {
            SCOPED_TRACE(name + ", first " + std::to_string(cut) + " bytes");
            Write("setup\\tarvel.eif", bytes.substr(0, cut));
            const CheckRun run = Check();
            EXPECT_EQ(Chk::FolderCheck::Checked, run.Outcome);
            const int lines = 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + cut, '\n'));
            for (const Chk::Finding& f : run.Findings) {
                EXPECT_FALSE(f.Id.IsEmpty() || f.Text.IsEmpty()) << run.Listing();
                EXPECT_TRUE(f.Line >= 0 && f.Line <= lines) << run.Listing();
            }
        }
        ++scripts;
    } while (FindNextFileA(find, &found));
    FindClose(find);
    EXPECT_GE(scripts, 10);
}

// --- the installer's refusals ------------------------------------------------------------

struct BrokenCase
{
    const char* name;
    PackageChange make;
};

void PrintTo(const BrokenCase& c, std::ostream* os)
{
    *os << c.name;
}

const BrokenCase kBroken[] = {
    {"NoScript", [](SamplePackage&) {}},
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
    {"SharedLibraryMissing", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("REG_LIBFILE1=COMMON\\tvshared.dll", "REG_LIBFILE1=COMMON\\gone.dll");
     })},
    {"SharedBaseNotNamed", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("LIBFILEPATH_BASE=Zerdane\\Shared\n", "");
     })},
    {"SharedFolderNotNamed", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("COMMON_PATH=COMMON", "");
     })},
    {"SharedFolderMissing", Edit([](SamplePackage& p) {
         p.MakeShared();
         p.Replace("COMMON_PATH=COMMON", "COMMON_PATH=SHARED");
     })},
    {"UninstallSectionPushedOutOfTheTable", Edit([](SamplePackage& p) {
         std::string filler = "[NOTES]\n";
         for (int i = 0; i < 200; ++i)
             filler += "NOTE" + std::to_string(i) + "=x\n";
         p.Replace("[UNINSTALL]", filler + "[UNINSTALL]");
     })},
};

const char VERSION_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// A broken sample, run through the installer in this process as a silent
// start runs it. Its names are this process's own: were it installed after
// all, the test takes away what it made.
class InstalledSample : public SamplePackage
{
protected:
    void SetUp() override
    {
        SamplePackage::SetUp();
        ASSERT_TRUE(IsDBCSLeadByte(0x95)) << "these tests need the ANSI code page 932";
        const std::string id = std::to_string(GetCurrentProcessId());
        top = "TarvelChkRefusal-" + id;
        menu = "TarvelChk Refusal " + id;
        uninstallKey = "TarvelChk Refusal " + id;
        Replace("APPPATH_BASE=Zerdane\\Sample Guide", "APPPATH_BASE=" + top + "\\Guide");
        Replace("PROGRAM_FOLDER_NAME=サンプルガイド", "PROGRAM_FOLDER_NAME=" + menu);
        Replace("UNINSTALL_KEY=Zerdane Sample Guide", "UNINSTALL_KEY=" + uninstallKey);
        Replace("FLAG_DESKTOP_ICON=TRUE", "FLAG_DESKTOP_ICON=FALSE");
        Replace("PRODUCT_NUM=1", "PRODUCT_NUM=0");
        ResetJournal();
    }

    void TearDown() override
    {
        ResetJournal();
        FileTree::RemoveTree(shared_test::ReadText(VERSION_KEY, "ProgramFilesDir") + "\\" + top);
        shared_test::DeleteKeyTree(std::string(VERSION_KEY) + "\\Uninstall\\" + uninstallKey);
        for (int programs : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
            char folder[MAX_PATH] = {};
            if (SHGetSpecialFolderPathA(nullptr, folder, programs, FALSE))
                FileTree::RemoveTree(std::string(folder) + "\\" + menu);
        }
    }

    std::string top;
    std::string menu;
    std::string uninstallKey;
};

class InstallerRefusal : public InstalledSample, public ::testing::WithParamInterface<BrokenCase>
{
};

TEST_P(InstallerRefusal, TheCheckerRejectsThePackageFirst)
{
    GetParam().make(*this);
    if (HasFatalFailure())
        return;
    const CheckRun check = Check();

    BoxRecorder boxes;
    ASSERT_EQ(EXIT_FAILED_BEFORE_COPY, RunSilentSetup()) << "the installer did not refuse the package";
    ASSERT_EQ(1u, boxes.Count());
    EXPECT_TRUE(check.Rejects()) << "the installer stops with \"" << boxes.Last().Text << "\", the checker passes:\n"
                                 << check.Listing();
}

INSTANTIATE_TEST_SUITE_P(BrokenPackages, InstallerRefusal, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<BrokenCase>& info) { return info.param.name; });

// --- what the installer does with a package the checker warns about ---------------------

// A package the checker has a finding for, installed as often as it takes
// the fault to show (a later install over the first), and the exit code
// that install ends with. A package whose install stops after the copy
// (exit 4) is one the checker must reject; one that installs must pass,
// its finding a warning.
struct VerdictCase
{
    const char* name;
    std::function<void(SamplePackage&)> make;
    const char* finding;
    int installs;
    int exitCode;
};

void PrintTo(const VerdictCase& c, std::ostream* os)
{
    *os << c.name;
}

const VerdictCase kVerdicts[] = {
    // The installed library has no version to compare with the package's.
    {"SharedLibraryWithoutVersion", [](SamplePackage& p) { p.MakeShared(TESTLIB_NOVERSION); }, "library-version", 2,
     EXIT_FAILED_INSTALL},
    // Read as 1,0,0,0 each time: the later install leaves the library as it is.
    {"SharedLibraryWithADottedVersionText", [](SamplePackage& p) { p.MakeShared(TESTLIB_DOTTED); },
     "library-version-text", 2, EXIT_INSTALLED},
};

// Its shared folder and keys are this process's own too, and go afterwards.
class InstallerVerdict : public InstalledSample, public ::testing::WithParamInterface<VerdictCase>
{
protected:
    void SetUp() override
    {
        InstalledSample::SetUp();
        company = "TarvelChkVerdict " + std::to_string(GetCurrentProcessId());
        Replace("COMPANY_NAME=Zerdane", "COMPANY_NAME=" + company);
    }

    void TearDown() override
    {
        InstalledSample::TearDown();
        shared_test::DeleteKeyTree("Software\\" + company);
        shared_test::DeleteKeyTree(TESTLIB_MARK_ROOT);
        shared_test::DeleteKeyTree("Software\\TarvelTest");
    }

    std::string company;
};

TEST_P(InstallerVerdict, TheCheckerAgreesWithTheInstall)
{
    const VerdictCase& c = GetParam();
    c.make(*this);
    const std::string sharedBase = "LIBFILEPATH_BASE=Zerdane\\Shared";
    if (script.find(sharedBase) != std::string::npos)
        Replace(sharedBase, "LIBFILEPATH_BASE=" + top + "\\Shared");
    WriteScript();
    const CheckRun check = Check();
    ASSERT_TRUE(std::any_of(check.Findings.begin(), check.Findings.end(),
                            [&](const Chk::Finding& f) { return f.Id == c.finding; }))
        << "no " << c.finding << ":\n" << check.Listing();

    int exitCode = -1;
    for (int run = 1; run <= c.installs; ++run) {
        BoxRecorder boxes;
        exitCode = RunSilentSetup();
        if (run < c.installs) {
            ASSERT_EQ(EXIT_INSTALLED, exitCode) << "install " << run;
        }
    }
    ASSERT_EQ(c.exitCode, exitCode);
    if (exitCode == EXIT_FAILED_INSTALL)
        EXPECT_TRUE(check.Rejects()) << "the install stops after the copy, the checker passes:\n" << check.Listing();
    else
        EXPECT_FALSE(check.Rejects()) << "the install works, the checker rejects it:\n" << check.Listing();
}

INSTANTIATE_TEST_SUITE_P(WarnedPackages, InstallerVerdict, ::testing::ValuesIn(kVerdicts),
                         [](const ::testing::TestParamInfo<VerdictCase>& info) { return info.param.name; });

} // namespace
} // namespace chk_test
