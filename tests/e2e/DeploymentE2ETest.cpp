// Unattended deployment: a silent run with a log (/LOG) tells a deployment
// tool what happened by its exit code and its log, and with
// /SUPPRESSMSGBOXES it never waits for a click: each failure ends the run by
// itself, no window shown, the box's text in the log.
// The log names each change of the run and each step of an undo.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "Text.h"

#include "SharedTestLibs.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

using e2e::GuideFixture;
using e2e::RunLogFile;
namespace texts = e2e::texts;

// The installer's log frame.
void ExpectFrame(const RunLogFile& log, const std::string& commandLine, const char* mode, DWORD exitCode)
{
    e2e::ExpectLogFrame(log, "Tarvel", commandLine, mode, exitCode);
}

// A box in the log, with the answer after it.
void ExpectBoxLogged(const RunLogFile& log, const std::string& text, const std::string& answer)
{
    const std::string box = "box       \"" + std::string(texts::kCaption) + "\": " + text;
    for (size_t i = 0; i + 1 < log.lines.size(); ++i)
        if (log.lines[i] == box) {
            EXPECT_EQ(log.lines[i + 1], "answer    " + answer) << log.All();
            return;
        }
    ADD_FAILURE() << "no line [" << box << "] in:\n" << log.All();
}

class DeployedGuide : public GuideFixture {
protected:
    DeployedGuide()
        : GuideFixture("Deploy")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        ASSERT_TRUE(e2e::MakeFolders(package.Path("logs")));
        logPath = package.Path("logs\\run.log");
    }

    // The run to its end; every window it shows is recorded and each box
    // answered with OK. The status window of /WD goes by itself: one caught
    // as it is being destroyed must not be closed (that reads as a cancel).
    dlg::RunResult Deploy(const std::string& switches)
    {
        commandLine = switches + " /LOG=\"" + logPath + "\"";
        dlg::RunOptions options;
        options.handler = [](const dlg::WindowInfo& info) { return info.IsMessageBox() ? IDOK : dlg::kLeaveAlone; };
        return package.Run(commandLine, options);
    }

    // A silent run that fails: one box, its text in the log with the OK; and
    // with /SUPPRESSMSGBOXES no window at all, the same exit code, the box's
    // text in the log with the default answer.
    void ExpectFailureBothWays(const std::string& boxText, DWORD exitCode, const std::string& failure)
    {
        {
            SCOPED_TRACE("/PSM");
            dlg::RunResult run = Deploy("/PSM");
            e2e::ExpectOneBox(run, boxText);
            EXPECT_EQ(run.exitCode, exitCode);
            RunLogFile log(logPath);
            ExpectFrame(log, commandLine, "silent", exitCode);
            ExpectBoxLogged(log, boxText, "OK");
            EXPECT_TRUE(failure.empty() || log.Has("failure", failure)) << log.All();
        }
        {
            SCOPED_TRACE("/PSM /SUPPRESSMSGBOXES");
            dlg::RunResult run = Deploy("/PSM /SUPPRESSMSGBOXES");
            ASSERT_TRUE(run.ended) << e2e::Describe(run);
            EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
            EXPECT_EQ(run.exitCode, exitCode);
            RunLogFile log(logPath);
            ExpectFrame(log, commandLine, "silent", exitCode);
            EXPECT_TRUE(log.Has("mode", "message boxes suppressed")) << log.All();
            ExpectBoxLogged(log, boxText, "OK (default, no box shown)");
            EXPECT_TRUE(failure.empty() || log.Has("failure", failure)) << log.All();
        }
    }

    std::string logPath, commandLine;
};

TEST_F(DeployedGuide, SilentInstallLogsItsSettingsDestinationAndExitCode)
{
    WriteGuide();
    dlg::RunResult run = Deploy("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_TRUE(e2e::Exists(Installed() + "\\img\\a.gif"));

    RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "silent", e2e::kInstalled);
    EXPECT_TRUE(log.Has("script", package.SetupFolder() + "\\tarvel.eif")) << log.All();
    EXPECT_TRUE(log.Has("setting", std::string("[INSTALL] CAPTION=") + texts::kCaption)) << log.All();
    EXPECT_TRUE(log.Has("setting", "[UNINSTALL] UNINSTALL_FILE=uninst.exe")) << log.All();
    EXPECT_FALSE(log.Has("setting", "ERR_MES")) << "error texts show up as boxes, not as settings";
    EXPECT_TRUE(log.Has("dest", "destination: " + Installed() + "\\, free space ")) << log.All();
    EXPECT_TRUE(log.Has("dest", "the package lists 6 items")) << log.All();
    EXPECT_FALSE(log.Has("box")) << log.All();
    // Each item copied, with its source, destination and size, and each folder made.
    for (const char* item : {"index.htm", "img\\a.gif", "uninst.exe", "tarvel.eif", "guide.ico"})
        EXPECT_TRUE(log.Has("install", std::string(" -> ") + Installed() + "\\" + item + ", ")) << item << log.All();
    EXPECT_TRUE(log.Has("install", "folder created: " + Installed() + "\\img")) << log.All();
    EXPECT_TRUE(log.Has("register", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"))
        << log.All();
    EXPECT_FALSE(log.Has("undo")) << log.All();
}

// A second run writes its own log over the first one's.
TEST_F(DeployedGuide, ALogFileThatIsThereIsReplaced)
{
    WriteGuide();
    ASSERT_TRUE(e2e::WriteFileBytes(logPath, std::string(5000, 'x')));
    dlg::RunResult run = Deploy("/PSM");
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "silent", e2e::kInstalled);
}

TEST_F(DeployedGuide, FileThatCannotBeCopiedIsNamed)
{
    WriteGuide();
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());
    ExpectFailureBothWays(texts::kCopyError, e2e::kFailedDuringInstall,
                          "copy file failed: " + Installed() + "\\guide.ico, error 32");
    EXPECT_FALSE(e2e::Exists(destination.Top()));
    // Every item copied before it is taken back, each with its line.
    RunLogFile log(logPath);
    for (const char* item : {"index.htm", "img\\a.gif", "uninst.exe", "tarvel.eif"})
        EXPECT_TRUE(log.Has("undo", "file removed: " + Installed() + "\\" + item)) << item << log.All();
}

TEST_F(DeployedGuide, MissingPackageFileEndsBeforeTheCopy)
{
    WriteGuide();
    ASSERT_TRUE(DeleteFileW(dlg::WideFromUtf8(package.Path("setup\\uninst.exe")).c_str()));
    // Found missing while the package loads: the box says it, before any step.
    ExpectFailureBothWays(texts::kFileNotExist, e2e::kFailedBeforeCopy, "find package file failed: uninst.exe, error 2");
    EXPECT_FALSE(e2e::Exists(destination.Top()));
}

// Every refusal while the package loads names its file or key in a failure
// line; a script that reads as less than it holds (no [ERROR] texts, no
// caption) still ends in a box that says what is missing.
TEST_F(DeployedGuide, EveryRefusalAtLoadNamesItsFileOrKey)
{
    e2e::GuideScript guide;
    guide.appPathBase = destination.Base() + "\\Guide";
    const std::string script = e2e::ScriptBytes(e2e::ScriptText(guide));
    auto without = [](std::string bytes, const std::string& line) {
        bytes.erase(bytes.find(line), line.size());
        return bytes;
    };
    std::string crAlone = script;
    crAlone.erase(std::remove(crAlone.begin(), crAlone.end(), '\n'), crAlone.end());
    std::string notes = "[NOTES]\r\n";
    for (int i = 0; i < 100000; ++i)
        notes += "NOTE" + std::to_string(i) + "=x\r\n";
    e2e::GuideScript writable = guide;
    writable.extraInstall = "WRITE_FILE1=GUIDE\\memo.txt\n";

    const std::string keyBox = " / Abort installation.";
    struct Case {
        const char* name;
        std::string script;
        std::string box; // "<caption>": <text>
        std::string failure;
    } cases[] = {
        {"writable file missing", e2e::ScriptBytes(e2e::ScriptText(writable)),
         "\"" + std::string(texts::kCaption) + "\": " + texts::kFileNotExist,
         "find package file failed: ..\\GUIDE\\memo.txt, error 2"},
        {"uninstaller not named", without(script, "UNINSTALL_FILE=uninst.exe\r\n"),
         "\"" + std::string(texts::kCaption) + "\": " + texts::kFileNotExist,
         "find script key failed: UNINSTALL_FILE, the script gives it no value"},
        {"first library not named", without(script, "REG_LIBFILE1=NONE\r\n"),
         "\"" + std::string(texts::kCaption) + "\": [REG_LIBFILE1]Key not found." + keyBox,
         "find script key failed: REG_LIBFILE1"},
        {"lines ending in CR alone", crAlone, "\"Error\": [UNINSTALL_FILE]Key not found." + keyBox,
         "find script key failed: UNINSTALL_FILE, the script gives it no value: the script's lines end in CR alone"},
        {"100,000 lines before [INSTALL]", notes + script, "\"Error\": [UNINSTALL_FILE]Key not found." + keyBox,
         "find script key failed: UNINSTALL_FILE, the script gives it no value: the script fills all 200 entries"},
    };
    WriteGuide(guide);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(package.Write("setup\\tarvel.eif", c.script));
        dlg::RunResult run = Deploy("/PSM /SUPPRESSMSGBOXES");
        ASSERT_TRUE(run.ended) << e2e::Describe(run);
        EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
        EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
        RunLogFile log(logPath);
        ExpectFrame(log, commandLine, "silent", e2e::kFailedBeforeCopy);
        EXPECT_TRUE(log.Has("failure", c.failure)) << log.All();
        EXPECT_TRUE(log.Has("box", c.box)) << log.All();
        EXPECT_FALSE(e2e::Exists(destination.Top()));
    }
}

// A library whose DllRegisterServer fails: the shared install is undone.
TEST_F(DeployedGuide, LibraryWhoseRegistrationFailsEndsTheRun)
{
    const std::string company = "TarvelE2E Deploy " + std::to_string(GetCurrentProcessId());
    e2e::GuideScript guide;
    guide.appPathBase = destination.Base() + "\\Guide";
    std::string script = e2e::ScriptText(guide);
    const std::string noLibrary = "REG_LIBFILE1=NONE\n";
    ASSERT_NE(script.find(noLibrary), std::string::npos);
    script.replace(script.find(noLibrary), noLibrary.size(),
                   "REG_LIBFILE1=Common\\tvfailreg.dll\n"
                   "COMPANY_NAME=" + company + "\n"
                   "LIBFILEPATH_BASE=" + destination.Base() + "\\Lib\n"
                   "COMMON_PATH=Common\n");
    WriteGuide(guide);
    ASSERT_TRUE(package.WriteScript(script));
    ASSERT_TRUE(package.Write("Common\\tvfailreg.dll", e2e::ReadFileBytes(TESTLIB_FAILREG)));

    const std::string library = destination.Top() + "\\Lib\\tvfailreg.dll";
    ExpectFailureBothWays(texts::kErrorOccurred, e2e::kFailedDuringInstall, "register library failed: " + library);
    RunLogFile log(logPath);
    EXPECT_TRUE(log.Has("setting", "shared folder: " + destination.Top() + "\\Lib")) << log.All();
    EXPECT_TRUE(log.Has("undo", "unregistered: " + library)) << log.All();
    EXPECT_TRUE(log.Has("undo", "file removed: " + library)) << log.All();
    EXPECT_FALSE(e2e::Exists(Installed()));
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\" + company);
}

// Without /PSM there is a user to answer: the switch is ignored, and the
// log says so.
TEST_F(DeployedGuide, SuppressingBoxesOutsideASilentRunIsIgnored)
{
    WriteGuide();
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());
    dlg::RunResult run = Deploy("/WD /SUPPRESSMSGBOXES");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.MessageTexts(), std::vector<std::string> {texts::kCopyError}) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "half-silent", e2e::kFailedDuringInstall);
    EXPECT_TRUE(log.Has("mode", "/SUPPRESSMSGBOXES ignored")) << log.All();
    ExpectBoxLogged(log, texts::kCopyError, "OK");
}

// --- a destination on a real drive of 1 MB ---------------------------------------------

// The default destination comes from "ProgramFilesDir": pointed at the tiny
// drive for the test, and put back whatever happens.
class TinyDriveDeployment : public DeployedGuide {
protected:
    void SetUp() override
    {
        DeployedGuide::SetUp();
        drive.reset(new e2e::TinyDrive(package.Root(), "1m"));
        if (!drive->Ready())
            GTEST_SKIP() << "no tiny drive: " << drive->Why();
        programFiles = e2e::ProgramFilesDir();
        ASSERT_NE(programFiles.substr(1), ":") << "ProgramFilesDir was left pointing at a drive root";
    }
    void TearDown() override
    {
        if (!programFiles.empty()) {
            EXPECT_TRUE(e2e::SetProgramFilesDir(programFiles));
        }
        drive.reset();
        DeployedGuide::TearDown();
    }
    std::unique_ptr<e2e::TinyDrive> drive;
    std::string programFiles;
};

TEST_F(TinyDriveDeployment, TooLittleSpaceIsLoggedWithTheFreeSpace)
{
    WriteGuide();
    ASSERT_TRUE(package.Write("GUIDE\\big.bin", std::string(2 * 1024 * 1024, 'x')));
    ASSERT_TRUE(e2e::SetProgramFilesDir(drive->Letter()));

    ExpectFailureBothWays(texts::kNoSpace, e2e::kFailedBeforeCopy, "free space failed: " + drive->Root() + ", error 112");
    RunLogFile log(logPath);
    const std::string destination = drive->Root() + this->destination.Base() + "\\Guide\\";
    EXPECT_TRUE(log.Has("dest", "destination: " + destination + ", free space ")) << log.All();
    EXPECT_TRUE(log.Has("dest", " on " + drive->Root() + ", the package lists 7 items, ")) << log.All();
    EXPECT_EQ(e2e::ListTree(drive->Root()), std::vector<std::string> {});
}

// --- the log's own path ---------------------------------------------------------------

// A log that cannot be written: a silent run ends at once with exit code 3
// and nothing installed; a run with someone watching says so once and goes on.
TEST_F(DeployedGuide, UnwritableLogPathEndsASilentRunAndIsToldOnceOtherwise)
{
    WriteGuide();
    logPath = package.Path("no such folder\\run.log");

    dlg::RunResult silent = Deploy("/PSM");
    ASSERT_TRUE(silent.ended) << e2e::Describe(silent);
    EXPECT_TRUE(silent.windows.empty()) << e2e::Describe(silent);
    EXPECT_EQ(silent.exitCode, e2e::kFailedBeforeCopy);
    EXPECT_FALSE(e2e::Exists(destination.Top()));

    dlg::RunResult halfSilent = Deploy("/WD");
    ASSERT_TRUE(halfSilent.ended) << e2e::Describe(halfSilent);
    const std::vector<std::string> boxes = halfSilent.MessageTexts();
    ASSERT_EQ(boxes.size(), 1u) << e2e::Describe(halfSilent);
    EXPECT_EQ(boxes[0].find("The log file cannot be written:\n" + logPath + "\nerror 3 ("), 0u) << boxes[0];
    EXPECT_EQ(halfSilent.windows[0].info.caption, "Error");
    EXPECT_EQ(halfSilent.exitCode, e2e::kInstalled);
    EXPECT_TRUE(e2e::Exists(Installed() + "\\index.htm"));
    EXPECT_FALSE(e2e::Exists(package.Path("no such folder")));
}

// Shift-JIS in the log's path and in the texts it holds: the file is made
// under its name, and every text is UTF-8 in it. "表" ends in a backslash byte.
TEST_F(DeployedGuide, ShiftJisPathsAndTextsAreWrittenAsUtf8)
{
    WriteGuide();
    ASSERT_TRUE(e2e::MakeFolders(package.Path("ログ表")));
    logPath = package.Path("ログ表\\記録表.log");
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());

    dlg::RunResult run = Deploy("/PSM /SUPPRESSMSGBOXES");
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "silent", e2e::kFailedDuringInstall);
    EXPECT_TRUE(log.Has("start", "/LOG=\"" + logPath + "\"")) << log.All();
    ExpectBoxLogged(log, texts::kCopyError, "OK (default, no box shown)");
}

// /LOG alone: a new numbered log of the day in the temp folder, the earlier
// ones kept.
TEST_F(DeployedGuide, DefaultLogIsANewNumberedFileInTheTempFolder)
{
    WriteGuide();
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    const std::string folder = dlg::Utf8FromWide(temp);
    auto logs = [&folder]() {
        std::vector<std::string> names;
        for (const std::string& name : e2e::ListTree(folder))
            if (name.compare(0, 17, "Tarvel Setup Log ") == 0)
                names.push_back(name);
        return names;
    };
    const std::vector<std::string> before = logs();

    commandLine = "/PSM /LOG";
    dlg::RunResult run = package.Run(commandLine);
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);

    std::vector<std::string> added;
    for (const std::string& name : logs())
        if (std::find(before.begin(), before.end(), name) == before.end())
            added.push_back(name);
    ASSERT_EQ(added.size(), 1u);
    SYSTEMTIME today;
    GetLocalTime(&today);
    char day[16];
    wsprintfA(day, "%04d-%02d-%02d #", today.wYear, today.wMonth, today.wDay);
    EXPECT_EQ(added[0].substr(17, 12), day);
    EXPECT_EQ(added[0].size(), 17u + 12u + 3u + 4u) << added[0];
    EXPECT_EQ(added[0].substr(added[0].size() - 4), ".txt");
    RunLogFile log(folder + added[0]);
    ExpectFrame(log, commandLine, "silent", e2e::kInstalled);
    DeleteFileW(dlg::WideFromUtf8(folder + added[0]).c_str());
}

} // namespace
