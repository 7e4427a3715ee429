// The uninstaller's checks before it reads the installation's log and
// script: without administrator rights, or in a code page other than 932
// with either file in Shift-JIS, it ends with its one built-in box and exit
// code 3, and the installation stays as it is.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "GuardSeams.h"
#include "TestSupport.h"
#include "base/RunGuards.h"
#include "install/UninstallLog.h"
#include "uninst/UninstApp.h"

#include <string>

namespace {

const char HYO[] = "\x95\x5C"; // "表", a Shift-JIS character whose trail byte is a backslash

class UninstallerGuards : public ::testing::Test {
protected:
    void TearDown() override { ResetSystemCalls(); }

    // An installation whose log and script name things in plain ASCII or,
    // where asked, in Shift-JIS. Its log does not name the uninstaller, so
    // that an uninstaller past its checks stops at the log, with a box of
    // its own, and never starts a clean-up copy of this test program.
    void Install(bool japaneseLog, bool japaneseScript)
    {
        const std::string name = japaneseLog ? std::string(HYO) + ".htm" : "index.htm";
        FileTree::WriteBytes(tree / name, "page");
        FileTree::WriteBytes(tree / "uninst.exe", "uninstaller");
        FileTree::WriteBytes(tree / "setupf.cfn", EncodeLogText((name + "? ").c_str()).str());
        FileTree::WriteBytes(tree / "tarvel.eif", std::string("[INSTALL]\r\nCAPTION=")
                                                      + (japaneseScript ? "\x83\x4b\x83\x43\x83\x68" : "Guide")
                                                      + "\r\n[UNINSTALL]\r\nUNINSTALL_FILE=uninst.exe\r\n");
        before = FileTree::Snapshot(tree.Root());
    }

    int Uninstall()
    {
        bool handedOver = false;
        const int exitCode = UninstallBy((tree / "uninst.exe").c_str(), true, "", handedOver);
        EXPECT_FALSE(handedOver);
        return exitCode;
    }

    void ExpectRefused(const WideBoxRecorder& wide, const wchar_t* text)
    {
        ASSERT_EQ(1u, wide.Count());
        EXPECT_EQ(text, wide.Boxes()[0].Text);
        EXPECT_EQ(before, FileTree::Snapshot(tree.Root()));
    }

    FileTree::TempTree tree;
    std::map<std::string, std::string> before;
};

TEST_F(UninstallerGuards, AStandardUserIsToldToStartItAsAnAdministrator)
{
    Install(false, false);
    guard_test::TakeAwayAdminRights();
    WideBoxRecorder wide;
    BoxRecorder boxes;
    EXPECT_EQ(UNINST_NOTHING_CHANGED, Uninstall());
    ExpectRefused(wide, RunGuards::NoRightsText());
    EXPECT_EQ(0u, boxes.Count());
}

TEST_F(UninstallerGuards, ShiftJisInTheLogOrTheScriptIsRefusedInAnotherCodePage)
{
    struct Case {
        bool japaneseLog, japaneseScript;
        UINT codePage;
    };
    for (const Case& c : {Case{true, false, 65001}, Case{false, true, 1252}, Case{true, true, 1252}}) {
        Install(c.japaneseLog, c.japaneseScript);
        guard_test::SetCodePage(c.codePage);
        WideBoxRecorder wide;
        BoxRecorder boxes;
        EXPECT_EQ(UNINST_NOTHING_CHANGED, Uninstall()) << c.codePage;
        ExpectRefused(wide, RunGuards::CodePageText());
        EXPECT_EQ(0u, boxes.Count());
        FileTree::RemoveTree(tree.Root());
        FileTree::MakeFolder(tree.Root());
    }
}

TEST_F(UninstallerGuards, AnAsciiInstallationGoesOnInAnotherCodePage)
{
    Install(false, false);
    guard_test::SetCodePage(1252);
    WideBoxRecorder wide;
    BoxRecorder boxes;
    EXPECT_EQ(UNINST_NOTHING_CHANGED, Uninstall());
    EXPECT_EQ(0u, wide.Count());
    EXPECT_EQ(1u, boxes.Count()) << "the box that tells of a log it cannot trust";
}

} // namespace
