// tarvelchk.exe as its user meets it: one test per exit code, each reading
// what the program prints. What the checker finds in which package is tested
// in the unit tests, on the checker's own code.
#include "InstallSupport.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using e2e::CheckerRun;

std::vector<std::string> Lines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A copy of the sample package, with its script as text to change.
class CheckerProgram : public e2e::InstallerTest {
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        script = package.CopySample();
        ASSERT_FALSE(script.empty());
    }

    void WriteScript() { ASSERT_TRUE(package.WriteScript(script)); }

    void Replace(const std::string& from, const std::string& to)
    {
        const size_t at = script.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        script.replace(at, from.size(), to);
    }

    // "tarvel.eif:<line>: " for the script's line that holds 'marker' first.
    std::string At(const std::string& marker) const
    {
        const size_t at = script.find(marker);
        EXPECT_NE(at, std::string::npos) << marker;
        const auto line = 1 + std::count(script.begin(), script.begin() + std::min(at, script.size()), '\n');
        return "tarvel.eif:" + std::to_string(line) + ": ";
    }

    CheckerRun Check(const std::string& options = "") const { return e2e::RunChecker(package.SetupFolder(), options); }

    std::string script;
};

TEST_F(CheckerProgram, ExitCode0ForAPackageWithoutErrors)
{
    WriteScript();
    CheckerRun run = Check();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    std::vector<std::string> lines = Lines(run.output);
    ASSERT_FALSE(lines.empty());
    // What the install will do, at the line that says so, and the verdict last.
    const std::string data = At("DATA_PATH=") + "note: \"GUIDE\" installs 4 files and 1 folder, ";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind(data, 0) == 0 && line.find(" bytes [data-folder]") == line.size() - 20;
    })) << run.output;
    EXPECT_EQ("tarvel.eif: 0 errors, 0 warnings", lines.back()) << run.output;

    run = Check("--quiet");
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ("", run.output);

    // A warning alone passes.
    Replace("CAPTION=", "CAPTON=x\nCAPTION=");
    WriteScript();
    run = Check();
    EXPECT_EQ(0u, run.exitCode) << run.output;
    lines = Lines(run.output);
    EXPECT_TRUE(HasLine(lines, At("CAPTON=") + "warning: \"CAPTON\" is not read by the installer in [INSTALL]; "
                                               "did you mean \"CAPTION\"? [unknown-key]"))
        << run.output;
    EXPECT_EQ("tarvel.eif: 0 errors, 1 warning", lines.back()) << run.output;
}

TEST_F(CheckerProgram, ExitCode1ForAPackageWithErrors)
{
    Replace("UNINSTALL_FILE=uninst.exe", "UNINSTALL_FILE=remove.exe");
    Replace("CAPTION=", "CAPTON=x\nCAPTION=");
    WriteScript();
    const std::string error = At("UNINSTALL_FILE=") + "error: the uninstaller \"remove.exe\" is not in the setup "
                                                      "folder: the installer stops at once [missing-file]";
    const std::string warning = At("CAPTON=") + "warning: \"CAPTON\" is not read by the installer in [INSTALL]; "
                                                "did you mean \"CAPTION\"? [unknown-key]";

    CheckerRun run = Check();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    std::vector<std::string> lines = Lines(run.output);
    EXPECT_TRUE(HasLine(lines, error)) << run.output;
    EXPECT_TRUE(HasLine(lines, warning)) << run.output;
    EXPECT_EQ("tarvel.eif: 1 error, 1 warning", lines.empty() ? "" : lines.back()) << run.output;

    // Errors only, and no verdict.
    run = Check("--quiet");
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string>{error}, Lines(run.output)) << run.output;

    // The warning counts as an error.
    run = Check("--werror");
    EXPECT_EQ(1u, run.exitCode) << run.output;
    lines = Lines(run.output);
    std::string asError = warning;
    asError.replace(asError.find(": warning: "), 11, ": error: ");
    EXPECT_TRUE(HasLine(lines, asError)) << run.output;
    EXPECT_EQ("tarvel.eif: 2 errors, 0 warnings", lines.empty() ? "" : lines.back()) << run.output;
}

TEST_F(CheckerProgram, ExitCode2ForAnUnreadablePackageOrCommandLine)
{
    // No script in the setup folder.
    CheckerRun run = Check();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(2u, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string>{"tarvel.eif: error: cannot read tarvel.eif in \"" + package.SetupFolder()
                                       + "\": the installer stops at once with \"File not found.\""},
              Lines(run.output));

    const std::string missing = package.Path("no such folder");
    run = e2e::RunChecker(missing);
    EXPECT_EQ(2u, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string>{"tarvelchk: error: cannot open the setup folder \"" + missing + "\""},
              Lines(run.output));

    WriteScript();
    run = Check("--strict");
    EXPECT_EQ(2u, run.exitCode) << run.output;
    const std::vector<std::string> lines = Lines(run.output);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("usage: tarvelchk [--werror] [--quiet] [--utf8] <setup folder>", lines.front());
    EXPECT_EQ("Exit code: 0 no errors, 1 errors, 2 the folder or its script could not be read.", lines.back());
}

// Output that is no console (a pipe here, a file, a Linux terminal under
// Wine) is UTF-8, with or without --utf8: the Japanese names of the script
// read right wherever the author reads them.
TEST_F(CheckerProgram, OutputThatIsNoConsoleIsUtf8)
{
    Replace("APPPATH_BASE=Zerdane\\Sample Guide", "APPPATH_BASE=星見ソフト\\ラクラク図表");
    WriteScript();
    for (const std::string options : {"", "--utf8"}) {
        SCOPED_TRACE(options);
        const CheckerRun run = Check(options);
        EXPECT_EQ(0u, run.exitCode) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("星見ソフト\\ラクラク図表")) << run.output;
    }
}

} // namespace

namespace {

// The manifest goes to a file as UTF-8 whatever the code pages: winget reads
// nothing else. Its fields are tested one by one in the unit tests.
TEST_F(CheckerProgram, WingetPrintsTheManifestInUtf8OrSaysWhatIsMissing)
{
    WriteScript();
    CheckerRun run = Check("--winget");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    const std::vector<std::string> lines = Lines(run.bytes);
    EXPECT_TRUE(HasLine(lines, "  - DisplayName: 'サンプルガイド'")) << run.bytes;
    EXPECT_TRUE(HasLine(lines, "ProductCode: 'Zerdane Sample Guide'")) << run.bytes;
    EXPECT_TRUE(HasLine(lines, "PackageVersion: '1.0'")) << run.bytes;
    EXPECT_EQ("ManifestVersion: 1.6.0", lines.empty() ? "" : lines.back()) << run.bytes;

    Replace("DISPLAY_VERSION=1.0\n", "");
    WriteScript();
    run = Check("--winget");
    EXPECT_EQ(1u, run.exitCode) << run.output;
    EXPECT_EQ(std::vector<std::string>{"tarvel.eif: error: no winget manifest: DISPLAY_VERSION is not set: winget "
                                       "matches an installed package by its uninstall entry's key, DisplayName "
                                       "and DisplayVersion"},
              Lines(run.output));
}

} // namespace
