// Shipping updates, end to end: a second version installed over the first
// leaves nothing behind for good (one uninstall gives back the machine as it
// was before the first), the customer's edited writable file survives the
// update, and two packages of one maker leave no empty maker's folder,
// whichever goes first.
#include "InstallSupport.h"
#include "MachineState.h"
#include "RunLogFile.h"
#include "Text.h"
#include "UninstallSupport.h"

#include <string>

namespace {

using e2e::GuideFixture;

std::wstring W(const std::string& utf8) { return dlg::WideFromUtf8(utf8); }

// The machine without the installer's profile key and, where the test
// changes its package between two versions, without the package folder.
e2e::MachineState Capture(const std::string& package = "")
{
    e2e::MachineState state = e2e::WithoutItemsUnder(e2e::CaptureMachineState(), e2e::kProfileKey);
    return package.empty() ? state : e2e::WithoutItemsUnder(state, package + "\\");
}

class UpdateTest : public GuideFixture {
protected:
    UpdateTest()
        : GuideFixture("Update")
    {
    }

    dlg::RunResult Install()
    {
        const std::string logPath = package.Path("update.log");
        DeleteFileW(W(logPath).c_str());
        return package.Run("/PSM /LOG=\"" + logPath + "\"");
    }
    e2e::RunLogFile Log() const { return e2e::RunLogFile(package.Path("update.log")); }
};

TEST_F(UpdateTest, OneUninstallRemovesWhatEitherVersionInstalled)
{
    WriteGuide();
    // Version 1: a page and a folder that version 2 drops, Shift-JIS names
    // whose trail byte is a backslash among them.
    ASSERT_TRUE(package.Write("GUIDE\\マクロ.htm", "macros"));
    ASSERT_TRUE(package.Write("GUIDE\\FAQ\\質問.htm", "questions"));
    ASSERT_TRUE(package.Write("GUIDE\\FAQ\\表\\機能表.htm", "table"));
    const e2e::MachineState before = Capture(package.Root());
    dlg::RunResult first = Install();
    ASSERT_EQ(first.exitCode, e2e::kInstalled) << e2e::Describe(first);

    // Version 2: without them, one page changed, one added.
    ASSERT_TRUE(DeleteFileW(W(package.Path("GUIDE\\マクロ.htm")).c_str()));
    e2e::RemoveTree(package.Path("GUIDE\\FAQ"));
    ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>version 2</html>"));
    ASSERT_TRUE(package.Write("GUIDE\\新機能.htm", "new"));
    dlg::RunResult second = Install();
    ASSERT_EQ(second.exitCode, e2e::kInstalled) << e2e::Describe(second);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\index.htm"), "<html>version 2</html>");
    // What version 2 no longer ships stays until the uninstall, and its log
    // names it after this run's own entries.
    EXPECT_TRUE(e2e::Exists(Installed() + "\\FAQ\\表\\機能表.htm"));
    const std::string log = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    const std::string ownEnd = "guide.ico? ";
    ASSERT_NE(log.find(ownEnd), std::string::npos) << log;
    const std::string kept = dlg::Utf8FromAnsi(log.substr(log.find(ownEnd) + ownEnd.size()), 932);
    size_t entries = 0;
    for (size_t at = 0; (at = kept.find("? ", at)) != std::string::npos; at += 2)
        ++entries;
    EXPECT_EQ(entries, 5u) << kept;
    for (const char* entry : {"マクロ.htm? ", "<d>:FAQ? ", "FAQ\\質問.htm? ", "<d>:FAQ\\表? ", "FAQ\\表\\機能表.htm? "})
        EXPECT_NE(kept.find(entry), std::string::npos) << entry << " in " << kept;
    // A folder before its sub-folder, so the uninstaller removes the inner one first.
    EXPECT_LT(kept.find("<d>:FAQ? "), kept.find("<d>:FAQ\\表? ")) << kept;
    EXPECT_TRUE(Log().Has("install", "log entries kept")) << Log().All();

    const dlg::RunResult removal = e2e::RunUninstaller(Installed(), "/PSM");
    EXPECT_EQ(removal.exitCode, e2e::kRemoved) << e2e::Describe(removal);
    EXPECT_EQ(e2e::StateChanges(before, Capture(package.Root())), "");
}

TEST_F(UpdateTest, ReinstallKeepsTheCustomersWritableFile)
{
    e2e::GuideScript script;
    script.extraInstall = "WRITE_FILE1=GUIDE\\memo.txt\n";
    WriteGuide(script);
    ASSERT_TRUE(package.Write("GUIDE\\memo.txt", "version 1 memo"));
    ASSERT_EQ(Install().exitCode, e2e::kInstalled);
    const std::string memo = Installed() + "\\memo.txt";
    ASSERT_EQ(e2e::ReadFileBytes(memo), "version 1 memo");
    ASSERT_TRUE(e2e::WriteFileBytes(memo, "the customer's notes"));

    // Version 2 ships a new blank memo too.
    ASSERT_TRUE(package.Write("GUIDE\\memo.txt", "version 2 memo"));
    ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>version 2</html>"));

    // A re-install that fails leaves it as well.
    {
        e2e::HeldFile icon(package.Path("setup\\guide.ico"));
        ASSERT_TRUE(icon.IsHeld());
        EXPECT_EQ(Install().exitCode, e2e::kFailedDuringInstall);
        EXPECT_EQ(e2e::ReadFileBytes(memo), "the customer's notes");
    }

    dlg::RunResult run = Install();
    ASSERT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\index.htm"), "<html>version 2</html>");
    EXPECT_EQ(e2e::ReadFileBytes(memo), "the customer's notes");
    EXPECT_TRUE(Log().Has("install", "kept the customer's copy: " + memo)) << Log().All();
    // Still named in the log: the uninstall takes it with the package.
    const std::string log = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    EXPECT_NE(log.find("? memo.txt? "), std::string::npos) << log;

    // Where the customer has none, the package's copy goes in.
    ASSERT_TRUE(DeleteFileW(W(memo).c_str()));
    ASSERT_EQ(Install().exitCode, e2e::kInstalled);
    EXPECT_EQ(e2e::ReadFileBytes(memo), "version 2 memo");
}

// Two guides of one maker, "<maker>\A" and "<maker>\B": the first install
// makes the maker's folder, and only its log names it.
class OneMakerTest : public e2e::InstallerTest {
protected:
    OneMakerTest()
        : maker("星見ソフト")
        , second("MakerB")
    {
    }

    static std::string Script(const std::string& folder, const std::string& name)
    {
        e2e::GuideScript script;
        script.appPathBase = folder;
        std::string text = e2e::ScriptText(script);
        auto replace = [&text](const std::string& from, const std::string& to) {
            text.replace(text.find(from), from.size(), to);
        };
        replace("SHORTCUT_NAME=Guide", "SHORTCUT_NAME=" + name);
        replace("UNINSTALL_NAME=TarvelE2E Guide", "UNINSTALL_NAME=TarvelE2E " + name);
        replace("UNINSTALL_KEY=" + e2e::UninstallKeyName(), "UNINSTALL_KEY=" + e2e::UninstallKeyName() + name);
        return text;
    }

    static void WritePackage(const e2e::PackageFolder& folder, const std::string& script)
    {
        ASSERT_TRUE(folder.CopyInstaller());
        ASSERT_TRUE(folder.CopyUninstaller("setup\\uninst.exe"));
        ASSERT_TRUE(folder.Write("setup\\guide.ico", std::string("\x00\x00\x01\x00 icon", 10)));
        ASSERT_TRUE(folder.Write("GUIDE\\index.htm", "<html>guide</html>"));
        ASSERT_TRUE(folder.Write("GUIDE\\図表\\a.htm", "figure"));
        ASSERT_TRUE(folder.WriteScript(script));
    }

    std::string Folder(const char* name) const { return maker.Top() + "\\" + name; }

    e2e::ScratchDestination maker;
    e2e::PackageFolder second;
};

class OneMakerOrderTest : public OneMakerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(OneMakerOrderTest, RemovingBothInEitherOrderLeavesNoMakersFolder)
{
    WritePackage(package, Script(maker.Base() + "\\A", "A"));
    WritePackage(second, Script(maker.Base() + "\\B", "B"));
    const e2e::MachineState before = Capture();
    dlg::RunResult a = package.Run("/PSM");
    ASSERT_EQ(a.exitCode, e2e::kInstalled) << e2e::Describe(a);
    dlg::RunResult b = second.Run("/PSM");
    ASSERT_EQ(b.exitCode, e2e::kInstalled) << e2e::Describe(b);

    const bool firstGoesFirst = GetParam();
    const dlg::RunResult one = e2e::RunUninstaller(Folder(firstGoesFirst ? "A" : "B"), "/PSM");
    EXPECT_EQ(one.exitCode, e2e::kRemoved) << e2e::Describe(one);
    // The other package is still inside: the maker's folder stays for it.
    EXPECT_TRUE(e2e::Exists(Folder(firstGoesFirst ? "B" : "A") + "\\index.htm"));
    const dlg::RunResult other = e2e::RunUninstaller(Folder(firstGoesFirst ? "B" : "A"), "/PSM");
    EXPECT_EQ(other.exitCode, e2e::kRemoved) << e2e::Describe(other);

    EXPECT_FALSE(e2e::Exists(maker.Top()));
    EXPECT_EQ(e2e::StateChanges(before, Capture()), "");
}

INSTANTIATE_TEST_SUITE_P(Order, OneMakerOrderTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "FirstInstalledGoesFirst" : "LastInstalledGoesFirst");
                         });

// The maker's folder is a level the package's script names, not any folder
// above the package: a folder that holds anything stays, and a package that
// the customer put elsewhere takes none of the levels its script names.
TEST_F(OneMakerTest, MakersFolderHoldingAnythingStays)
{
    WritePackage(package, Script(maker.Base() + "\\A", "A"));
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    WritePackage(second, Script(maker.Base() + "\\B", "B"));
    ASSERT_EQ(second.Run("/PSM").exitCode, e2e::kInstalled);
    ASSERT_TRUE(e2e::WriteFileBytes(maker.Top() + "\\readme.txt", "the maker's own"));

    EXPECT_EQ(e2e::RunUninstaller(Folder("A"), "/PSM").exitCode, e2e::kRemoved);
    EXPECT_EQ(e2e::RunUninstaller(Folder("B"), "/PSM").exitCode, e2e::kRemoved);

    EXPECT_FALSE(e2e::Exists(Folder("A")));
    EXPECT_FALSE(e2e::Exists(Folder("B")));
    EXPECT_EQ(e2e::ReadFileBytes(maker.Top() + "\\readme.txt"), "the maker's own");
}

} // namespace
