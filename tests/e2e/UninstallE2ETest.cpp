// The uninstaller end to end: a package installed by the real installer and
// removed by the uninstaller it shipped leaves the machine as it was before
// the install, files and registry alike; a log that names places outside the
// installation changes nothing; what the user added or holds open stays or
// goes at the restart, and the end message says so; a value another program
// put into the package's keys keeps its key; the clean-up copy deletes no
// program but its own.
#include "InstallSupport.h"
#include "TestCommon.h"
#include "MachineState.h"
#include "RunLogFile.h"
#include "Text.h"
#include "UninstallSupport.h"

#include <shlobj.h>

#include <algorithm>
#include <string>

namespace {

using e2e::GuideFixture;
using e2e::RunLogFile;
using e2e::kAnotherRunning;
using e2e::kDeclined;
using e2e::kItemsLeft;
using e2e::kNothingChanged;
using e2e::kRemoved;

std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

bool WriteText(const std::string& subKey, const std::string& name, const std::string& text)
{
    return e2e::WriteRegString(HKEY_LOCAL_MACHINE, subKey, name, text);
}

e2e::MachineState Capture() { return e2e::WithoutItemsUnder(e2e::CaptureMachineState(), e2e::kProfileKey); }

class UninstallTest : public GuideFixture {
protected:
    UninstallTest()
        : GuideFixture("Uninstall")
    {
    }

    dlg::RunResult Uninstall(const std::string& tail, dlg::RunOptions options = {})
    {
        return e2e::RunUninstaller(Installed(), tail, options);
    }

    // The guide of the install tests with a registered product, a desktop link,
    // nested folders, a read-only file and Shift-JIS names whose trail byte is 0x5C.
    void WriteFullGuide()
    {
        e2e::GuideScript script;
        script.extraInstall = "FLAG_DESKTOP_ICON=TRUE\n";
        WriteGuide(script);
        std::string text = e2e::ScriptText(script);
        text.replace(text.find("PRODUCT_NUM=0"), 13,
                     "PRODUCT_NUM=1\nCOMPANY_NAME=" + Company() + "\nPRODUCT_NAME1=Guide\nPRODUCT_LANGUAGE1=JPN");
        text.replace(text.find("APPPATH_BASE=\n"), 14, "APPPATH_BASE=" + destination.Base() + "\\Guide\n");
        ASSERT_TRUE(package.WriteScript(text));
        ASSERT_TRUE(package.Write("GUIDE\\表\\機能表.htm", "table"));
        ASSERT_TRUE(package.Write("GUIDE\\a\\b\\c\\deep.txt", "deep"));
        ASSERT_TRUE(package.Write("GUIDE\\readonly.txt", "fixed"));
        ASSERT_TRUE(SetFileAttributesW(W(package.Path("GUIDE\\readonly.txt")).c_str(), FILE_ATTRIBUTE_READONLY));
        // A link of that name left by another test would be replaced by the
        // install, and no uninstall can give it back.
        DeleteFileW(W(DesktopFolder() + "\\Guide.lnk").c_str());
    }

    static std::string DesktopFolder()
    {
        wchar_t path[MAX_PATH] = L"";
        SHGetFolderPathW(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, 0, path);
        return dlg::Utf8FromWide(path);
    }

    std::string Company() const { return "TarvelE2E Uninst " + std::to_string(GetCurrentProcessId()); }

    void TearDown() override
    {
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\" + Company());
        GuideFixture::TearDown();
    }
};

// Yes to the question, OK to the end message; the progress window goes by
// itself (it may be gone before its controls can be seen).
int AnswerYes(const dlg::WindowInfo& info)
{
    if (!info.IsMessageBox())
        return dlg::kLeaveAlone;
    if (info.Has(IDYES))
        return IDYES;
    return dlg::DefaultAnswer(info);
}

TEST_F(UninstallTest, InteractiveRoundTripLeavesTheMachineAsBefore)
{
    WriteFullGuide();
    const e2e::MachineState before = Capture();
    const dlg::RunResult install = package.Run("/PSM");
    ASSERT_EQ(install.exitCode, 0u) << e2e::Describe(install);
    ASSERT_TRUE(e2e::Exists(Installed() + "\\表\\機能表.htm"));
    ASSERT_TRUE(e2e::Attributes(Installed() + "\\readonly.txt") & FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\" + Company() + "\\Guide\\JPN"));

    dlg::RunOptions options;
    options.handler = AnswerYes;
    const dlg::RunResult run = Uninstall("", options);
    ASSERT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    // The question names the package; the end message says it is done.
    const std::vector<std::string> texts = run.MessageTexts();
    ASSERT_EQ(texts.size(), 2u) << e2e::Describe(run);
    EXPECT_NE(texts[0].find("TarvelE2E Guide"), std::string::npos) << texts[0];
    EXPECT_EQ(texts[1], "削除が完了しました。");

    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

TEST_F(UninstallTest, NoKeepsEverything)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const e2e::MachineState installed = Capture();
    dlg::RunOptions options;
    options.handler = [](const dlg::WindowInfo& info) { return info.Has(IDNO) ? IDNO : AnswerYes(info); };
    const dlg::RunResult run = Uninstall("", options);
    EXPECT_EQ(run.exitCode, kDeclined) << e2e::Describe(run);
    EXPECT_EQ(e2e::StateChanges(installed, Capture()), "");
}

// A re-install finds the installation folder's levels present and creates
// none: its log carries over the levels the first install created, so that
// one uninstall takes them away too. A level of another folder in the
// earlier log (an edited log, or one from an install elsewhere) is not
// carried over: the uninstaller would refuse the whole log for it.
TEST_F(UninstallTest, ReinstallThenOneUninstallLeavesTheMachineAsBefore)
{
    WriteFullGuide();
    const e2e::MachineState before = Capture();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const std::string log = Installed() + "\\setupf.cfn";
    ASSERT_TRUE(e2e::RewriteLog(log, "<f>:C:\\Other? " + e2e::DecodeLog(e2e::ReadFileBytes(log))));
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    EXPECT_EQ(e2e::DecodeLog(e2e::ReadFileBytes(log)).find("C:\\Other"), std::string::npos);
    const dlg::RunResult run = Uninstall("/PSM");
    ASSERT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

TEST_F(UninstallTest, SampleRoundTripLeavesTheMachineAsBefore)
{
    const std::string script = package.CopySample();
    ASSERT_FALSE(script.empty());
    ASSERT_TRUE(package.WriteScript(script));
    ASSERT_TRUE(package.CopyInstaller());
    const std::string installed = e2e::ProgramFilesDir() + "\\Zerdane\\Sample Guide";
    ASSERT_FALSE(e2e::Exists(installed)) << "an earlier sample install is in the way";

    const e2e::MachineState before = Capture();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const dlg::RunResult run = e2e::RunUninstaller(installed, "/PSM");
    ASSERT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    EXPECT_FALSE(e2e::Exists(installed));
    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

TEST_F(UninstallTest, UserFileStaysAndFileInUseGoesAtRestart)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    // The user's own files, below a folder of the package and at its top.
    ASSERT_TRUE(e2e::WriteFileBytes(Installed() + "\\a\\b\\mine.txt", "the user's"));
    ASSERT_TRUE(e2e::WriteFileBytes(Installed() + "\\notes.txt", "the user's notes"));
    dlg::RunResult run;
    {
        e2e::HeldFile held(Installed() + "\\index.htm");
        ASSERT_TRUE(held.IsHeld());
        dlg::RunOptions options;
        options.handler = AnswerYes;
        run = Uninstall("", options);
    }
    ASSERT_EQ(run.exitCode, kItemsLeft) << e2e::Describe(run);
    const std::vector<std::string> texts = run.MessageTexts();
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts.back().find("a\\b"), std::string::npos) << texts.back();
    EXPECT_NE(texts.back().find("index.htm"), std::string::npos) << texts.back();
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\a\\b\\mine.txt"), "the user's");
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\notes.txt"), "the user's notes");
    EXPECT_FALSE(e2e::Exists(Installed() + "\\a\\b\\c"));
    EXPECT_FALSE(e2e::Exists(Installed() + "\\表"));
    EXPECT_FALSE(e2e::Exists(Installed() + "\\setupf.cfn"));
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\" + Company()));
}

// The log of a run started with /LOG; its exit line is written after the
// clean-up copy has taken the uninstaller away.
void ExpectFrame(const RunLogFile& log, const std::string& commandLine, const char* mode, DWORD exitCode)
{
    e2e::ExpectLogFrame(log, "Tarvel uninstaller", commandLine, mode, exitCode);
}

TEST_F(UninstallTest, SilentRunWithLogNamesEveryItemRemovedAndEndsWithTheExitCode)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    std::vector<std::string> items = e2e::ListTree(Installed());
    ASSERT_GT(items.size(), 5u);
    const std::string logPath = package.Path("uninstall.log");
    const std::string commandLine = "/PSM /LOG=\"" + logPath + "\"";

    const dlg::RunResult run = Uninstall(commandLine);
    ASSERT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    EXPECT_FALSE(e2e::Exists(Installed()));

    const RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "silent", kRemoved);
    EXPECT_TRUE(log.Has("plan", "installation folder: " + Installed() + "\\")) << log.All();
    // The uninstaller itself is removed by its copy, after the original ended.
    for (const std::string& item : items) {
        const bool folder = item.back() == '\\';
        const std::string path = Installed() + "\\" + (folder ? item.substr(0, item.size() - 1) : item);
        EXPECT_TRUE(log.Has("remove", std::string(folder ? "folder" : "file") + " removed: " + path))
            << item << "\n" << log.All();
    }
    EXPECT_TRUE(log.Has("remove", "folder removed: " + Installed())) << log.All();
    EXPECT_TRUE(log.Has("remove", "key removed: HKLM\\Software\\" + Company())) << log.All();
    EXPECT_FALSE(log.Has("left")) << log.All();
}

// The confirmation and the end message go into the log with their answers;
// what the user left in a folder is named with the reason it stays.
TEST_F(UninstallTest, InteractiveRunLogsEachBoxAndWhatStays)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    ASSERT_TRUE(e2e::WriteFileBytes(Installed() + "\\a\\mine.txt", "the user's"));
    const std::string logPath = package.Path("uninstall.log");
    const std::string commandLine = "/LOG=\"" + logPath + "\"";
    dlg::RunOptions options;
    options.handler = AnswerYes;
    const dlg::RunResult run = Uninstall(commandLine, options);
    ASSERT_EQ(run.exitCode, kItemsLeft) << e2e::Describe(run);

    const RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "interactive", kItemsLeft);
    const std::string caption = "box       \"アンインストール\": ";
    auto answerAfter = [&](const std::string& part) {
        for (size_t i = 0; i + 1 < log.lines.size(); ++i)
            if (log.lines[i].rfind(caption, 0) == 0 && log.lines[i].find(part) != std::string::npos)
                return log.lines[i + 1];
        return std::string("no such box");
    };
    EXPECT_EQ(answerAfter("TarvelE2E Guide"), "answer    Yes") << log.All();
    EXPECT_EQ(answerAfter("削除が完了しました。"), "answer    OK") << log.All();
    EXPECT_TRUE(log.Has("left", "items the install did not put there: " + Installed() + "\\a")) << log.All();
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\a\\mine.txt"), "the user's");
}

// A log that cannot be written: a silent run ends at once with "nothing
// changed" and shows nothing; an interactive one says so once and goes on.
TEST_F(UninstallTest, UnwritableLogEndsASilentRunAndIsToldOnceOtherwise)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const std::string logArg = " /LOG=\"" + package.Path("no such folder\\u.log") + "\"";
    for (const char* mode : {"/PSM /SUPPRESSMSGBOXES", "/PSM"}) {
        const e2e::MachineState before = Capture();
        const dlg::RunResult run = Uninstall(mode + logArg);
        EXPECT_EQ(run.exitCode, kNothingChanged) << mode << e2e::Describe(run);
        EXPECT_TRUE(run.windows.empty()) << mode << e2e::Describe(run);
        EXPECT_EQ(e2e::StateChanges(before, Capture()), "") << mode;
    }
    dlg::RunOptions options;
    options.handler = AnswerYes;
    const dlg::RunResult run = Uninstall(logArg, options);
    EXPECT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    const std::vector<std::string> texts = run.MessageTexts();
    ASSERT_EQ(texts.size(), 3u) << e2e::Describe(run);
    EXPECT_NE(texts[0].find("no such folder\\u.log"), std::string::npos) << texts[0];
    EXPECT_FALSE(e2e::Exists(Installed()));
}

// A silent run told to suppress its boxes never waits for a click: a record
// that cannot be trusted ends it with "nothing changed", no window shown,
// the box's text in the log with the default answer.
TEST_F(UninstallTest, SuppressedBoxOnABadRecordEndsByItselfWithTheTextInTheLog)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const std::string record = Installed() + "\\setupf.cfn";
    ASSERT_TRUE(e2e::RewriteLog(record, "..\\..\\victim.txt? " + e2e::DecodeLog(e2e::ReadFileBytes(record))));
    const std::string logPath = package.Path("uninstall.log");
    const std::string commandLine = "/PSM /SUPPRESSMSGBOXES /LOG=\"" + logPath + "\"";

    const e2e::MachineState before = Capture();
    const dlg::RunResult run = Uninstall(commandLine);
    EXPECT_EQ(run.exitCode, kNothingChanged) << e2e::Describe(run);
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    const RunLogFile log(logPath);
    ExpectFrame(log, commandLine, "silent", kNothingChanged);
    EXPECT_TRUE(log.Has("mode", "message boxes suppressed")) << log.All();
    EXPECT_TRUE(log.Has("box", "アンインストール情報が壊れているため、削除できません。 / 何も変更していません。")) << log.All();
    EXPECT_TRUE(log.Has("answer", "OK (default, no box shown)")) << log.All();
    EXPECT_FALSE(log.Has("remove")) << log.All();
    // The log is the one new file.
    std::string changes = e2e::StateChanges(before, Capture());
    EXPECT_NE(changes.find("uninstall.log"), std::string::npos) << changes;
    EXPECT_EQ(std::count(changes.begin(), changes.end(), '\n'), 1) << changes;
}

// A log that names a path above the installation, another drive and a
// folder that is no level of it, each where a real log has such entries
// (after the created levels): refused as a whole, nothing is touched.
TEST_F(UninstallTest, TamperedLogChangesNothing)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const std::string victim = destination.Top() + "\\victim.txt";
    ASSERT_TRUE(e2e::WriteFileBytes(victim, "not the package's"));
    const std::string log = Installed() + "\\setupf.cfn";
    const std::string text = e2e::DecodeLog(e2e::ReadFileBytes(log));
    size_t levelsEnd = 0;
    while (text.compare(levelsEnd, 4, "<f>:") == 0)
        levelsEnd = text.find("? ", levelsEnd) + 2;
    ASSERT_GT(levelsEnd, 0u) << text.substr(0, 200);
    for (const std::string& bad : {std::string("..\\victim.txt? "), std::string("<d>:..\\..? "),
                                   std::string("D:\\Windows? "), std::string("<f>:D:\\Data? ")}) {
        ASSERT_TRUE(e2e::RewriteLog(log, text.substr(0, levelsEnd) + bad + text.substr(levelsEnd)));
        const e2e::MachineState before = Capture();
        const dlg::RunResult run = Uninstall("/PSM");
        EXPECT_EQ(run.exitCode, kNothingChanged) << bad << e2e::Describe(run);
        EXPECT_EQ(run.MessageTexts().size(), 1u) << e2e::Describe(run);
        EXPECT_EQ(e2e::StateChanges(before, Capture()), "") << bad;
    }
}

// Whatever another program put into a key the install wrote keeps that key:
// the product key, the uninstall entry and the maker's key, one at a time.
TEST_F(UninstallTest, ValueTheInstallDidNotWriteKeepsItsKey)
{
    WriteFullGuide();
    const std::string company = "Software\\" + Company();
    const std::string entry
        = std::string(test_common::kUninstallRoot) + e2e::UninstallKeyName();
    for (const std::string& key : {company + "\\Guide\\JPN", entry, company}) {
        ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
        ASSERT_TRUE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, key)) << key;
        ASSERT_TRUE(WriteText(key, "Theirs", "not the package's")) << key;
        const dlg::RunResult run = Uninstall("/PSM");
        EXPECT_EQ(run.exitCode, kRemoved) << key << e2e::Describe(run);
        std::string value = "<absent>";
        e2e::ReadRegString(HKEY_LOCAL_MACHINE, key, "Theirs", &value);
        EXPECT_EQ(value, "not the package's") << key;
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, company);
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, entry);
    }
}

// The clean-up switch deletes only a program of its own bytes: started by
// hand at another program, even one of its size, it deletes nothing, and no
// folder either.
TEST_F(UninstallTest, CleanupSwitchLeavesAProgramThatIsNotItsCopy)
{
    ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
    std::string decoy = e2e::ReadFileBytes(e2e::UninstallerPath());
    ASSERT_FALSE(decoy.empty());
    decoy[decoy.size() / 2] ^= 1;
    ASSERT_TRUE(package.Write("decoy\\decoy.exe", decoy));
    ASSERT_TRUE(e2e::MakeFolders(package.Path("decoy\\empty")));

    dlg::RunOptions options;
    options.currentFolder = "C:\\";
    const std::string tail = "/TARVEL-CLEANUP 0 0 \"\" \"" + package.Path("decoy\\decoy.exe") + "\" \""
        + package.Path("decoy\\empty") + "\"";
    const dlg::RunResult run = dlg::RunToEnd(package.Path("setup\\uninst.exe"), tail, options);
    EXPECT_EQ(run.exitCode, 1u) << e2e::Describe(run);
    EXPECT_TRUE(e2e::ReadFileBytes(package.Path("decoy\\decoy.exe")) == decoy)
        << "the decoy is gone or changed";
    EXPECT_TRUE(e2e::IsFolder(package.Path("decoy\\empty")));
}

TEST_F(UninstallTest, SecondStartWhileOneRunsDoesNothing)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, e2e::kInstanceMutex);
    ASSERT_NE(mutex, nullptr);
    const e2e::MachineState before = Capture();
    const dlg::RunResult run = Uninstall("/PSM");
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    EXPECT_EQ(run.exitCode, kAnotherRunning) << e2e::Describe(run);
    EXPECT_TRUE(run.windows.empty()) << e2e::Describe(run);
    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

// The clean-up copy deletes the uninstaller after it has ended. Until its
// removals are done the single-instance mutex stays taken: an installer
// started in that moment refuses instead of racing them. The program, held
// open for reading, cannot be deleted, which keeps the copy at work.
TEST_F(UninstallTest, InstallerStartedWhileTheCleanupCopyDeletesRefuses)
{
    WriteFullGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    const std::string program = Installed() + "\\uninst.exe";
    HANDLE held = CreateFileW(W(program).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    dlg::RunOptions options;
    options.currentFolder = "C:\\";
    const dlg::RunResult run = dlg::RunToEnd(program, "/PSM", options);
    EXPECT_EQ(run.exitCode, kRemoved) << e2e::Describe(run);
    EXPECT_TRUE(e2e::Exists(program));

    const dlg::RunResult install = package.Run("/PSM");
    EXPECT_EQ(install.exitCode, 1u) << "the installer ran beside the clean-up copy\n" << e2e::Describe(install);
    CloseHandle(held);
    EXPECT_TRUE(e2e::WaitForCleanupCopy(program));
    EXPECT_FALSE(e2e::Exists(Installed()));
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, e2e::kInstanceMutex);
    EXPECT_EQ(mutex, nullptr) << "the mutex outlived the clean-up copy";
    if (mutex)
        CloseHandle(mutex);
}

// A destination whose uninstaller's path is 260 characters, one more than
// MAX_PATH leaves room for besides the terminating zero (the checker calls
// it too long for Windows; Wine installs it): the uninstaller reads its
// own path whole and finds its record.
TEST_F(UninstallTest, UninstallerPathOf260CharactersUninstalls)
{
    // Levels of at most 100 characters: a file system takes no name over 255.
    // A long program name: the folder that keeps replaced files, made at the
    // start of the copy, must still fit in MAX_PATH, whose limit Wine keeps
    // for the folders a program makes.
    const std::string uninstaller = "uninstall-this-e2e-guide-package.exe";
    std::string below;
    const size_t program = 1 + uninstaller.size();
    for (size_t left = 260 - program - destination.Top().size(); left > 0;) {
        size_t level = std::min<size_t>(left - 1, 100);
        if (left - level - 1 == 1) // no level of 0 characters next
            --level;
        below += "\\" + std::string(level, 'g');
        left -= level + 1;
    }
    e2e::GuideScript script;
    script.appPathBase = destination.Base() + below;
    script.uninstaller = uninstaller;
    WriteGuide(script);
    ASSERT_TRUE(package.CopyUninstaller("setup\\" + uninstaller));
    const std::string installed = destination.Top() + below;
    ASSERT_EQ(installed.size() + program, 260u);
    // Not through package.Run: the checker rightly calls such a path too long
    // for Windows, which Wine does not enforce.
    dlg::RunOptions options;
    options.currentFolder = package.SetupFolder();
    const dlg::RunResult install = dlg::RunToEnd(package.InstallerInPackage(), "/PSM", options);
    ASSERT_EQ(install.exitCode, 0u) << e2e::Describe(install);
    ASSERT_TRUE(e2e::Exists(installed + "\\" + uninstaller));
    // Wine's own start of a program cannot name so long a path; started
    // from the host by its Unix path, it runs.
    const std::string logPath = package.Path("uninstall.log");
    std::string output;
    const int status = e2e::RunHostShell("wine '" + e2e::UnixPath(installed + "\\" + uninstaller)
                                             + "' /PSM /SUPPRESSMSGBOXES '/LOG=" + logPath + "' >/dev/null 2>&1\necho $?",
                                         package.Path(""), &output, 60000);
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(output, std::to_string(kRemoved)) << RunLogFile(logPath).All();
    EXPECT_TRUE(e2e::WaitForCleanupCopy(installed + "\\" + uninstaller));
    EXPECT_FALSE(e2e::Exists(destination.Top())) << RunLogFile(logPath).All();
}

} // namespace
