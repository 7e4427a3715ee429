// Scripts that once made the installer misread them, installed silently: a
// long Japanese message cut inside a character, a path value ending in half
// a character, the highest product number there is, named files above the
// setup folder. Each installs as its author meant, and at once.
#include "InstallSupport.h"
#include "TestCommon.h"

#include <string>
#include <vector>

namespace {

using e2e::Describe;
using e2e::GuideScript;

// A package whose script bytes a test changes after they were written.
class MisreadScript : public e2e::GuideFixture {
protected:
    MisreadScript()
        : GuideFixture("Misread")
    {
    }

    // Replaces the first 'from' of the stored script (code page 932) by 'to'.
    void Patch(const std::string& from, const std::string& to)
    {
        std::string bytes = e2e::ReadFileBytes(package.Path("setup\\tarvel.eif"));
        const size_t at = bytes.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        bytes.replace(at, from.size(), to);
        ASSERT_TRUE(package.Write("setup\\tarvel.eif", bytes));
    }
};

TEST_F(MisreadScript, LongJapaneseMessageCutInsideACharacterLosesNoLaterKey)
{
    // "ー" (0x81 0x5B) stands across byte 541 of the line, and a "]" follows
    // on it: read from its second byte on, the line's rest opened a section
    // that took REG_LIBFILE1, and the install stopped with exit 3.
    WriteGuide();
    std::string message = "MSG_INSTALL_END=";
    while (message.size() < 540)
        message += "\x95\x5C"; // 表
    Patch("[INSTALL]\r\n", "[INSTALL]\r\n" + message + "\x81\x5B" + "\x83\x4B\x83\x43\x83\x68]\r\n");

    dlg::RunResult run = package.Run("/PSM");

    ASSERT_TRUE(run.ended) << Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_TRUE(e2e::Exists(Installed() + "\\index.htm"));
}

TEST_F(MisreadScript, PathEndingInALoneLeadByteStillGetsItsOwnLevel)
{
    // "Guide" + 0x81 and the backslash the installer appends made one
    // double-byte character: the last level was never created and the copy
    // failed. The half character is dropped from the value.
    WriteGuide();
    const std::string base = "APPPATH_BASE=" + destination.Base() + "\\Guide";
    Patch(base + "\r\n", base + "\x81\r\n");

    dlg::RunResult run = package.Run("/PSM");

    ASSERT_TRUE(run.ended) << Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_TRUE(e2e::Exists(Installed() + "\\index.htm"));
    EXPECT_EQ(e2e::ListTree(destination.Top()).front(), "Guide\\");
}

TEST_F(MisreadScript, HighestProductNumberIsRegisteredAndTheInstallEndsAtOnce)
{
    // The product loop counted up to PRODUCT_NUM and overflowed at the top of
    // int: the install never ended after everything was in place.
    const std::string company = destination.Base();
    GuideScript script;
    script.extraInstall = "COMPANY_NAME=" + company + "\nPRODUCT_NAME2147483647=Top\n"
                          "PRODUCT_LANGUAGE2147483647=JPN\nPRODUCT_KEY_FILE2147483647=index.htm\n";
    WriteGuide(script);
    Patch("PRODUCT_NUM=0\r\n", "PRODUCT_NUM=2147483647\r\n");

    dlg::RunResult run = package.Run("/PSM");

    std::string keyFile;
    const bool registered = e2e::ReadRegString(
        HKEY_LOCAL_MACHINE, "Software\\" + company + "\\Top\\JPN", "KeyFile", &keyFile);
    e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\" + company);
    ASSERT_TRUE(run.ended) << Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);
    EXPECT_TRUE(registered);
    EXPECT_EQ(keyFile, Installed() + "\\index.htm");
}

TEST_F(MisreadScript, NamedFilesAboveTheSetupFolderAreRefusedAtLoad)
{
    // Copied as named, "..\x.ico" would land beside the destination, outside
    // what the install owns: a named file above the setup folder is refused
    // before anything is made, the first such key named.
    GuideScript script;
    script.icon = "..\\x.ico";
    script.uninstaller = "..\\tools\\uninst.exe";
    WriteGuide(script);
    ASSERT_TRUE(package.CopyUninstaller("tools\\uninst.exe"));
    ASSERT_TRUE(package.Write("x.ico", e2e::ReadFileBytes(package.Path("setup\\guide.ico"))));

    dlg::RunResult run = package.Run("/PSM");

    ASSERT_TRUE(run.ended) << Describe(run);
    e2e::ExpectOneBox(run, "[ICON_NAME]Invalid value.\nAbort installation.");
    EXPECT_EQ(run.exitCode, e2e::kFailedBeforeCopy);
    EXPECT_FALSE(e2e::Exists(destination.Top()));
}

} // namespace
