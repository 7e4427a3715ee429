// A silent install seen from outside: the Start-menu and desktop links where
// the NT family keeps them for all users, the uninstall entry and the product
// key files; and a failing link step that leaves nothing of the install.
#include "E2eSupport.h"
#include "TestCommon.h"
#include "Text.h"

#include <string>

namespace {

using test_common::kUninstallRoot;

using e2e::InstallerTest;

const char kProgramsFolder[] = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const char kDesktopFolder[] = "C:\\users\\Public\\Desktop";
const char kErrorText[] = "エラーが発生しました。";

bool SamePath(const std::string& a, const std::string& b)
{
    return lstrcmpiW(dlg::WideFromUtf8(a).c_str(), dlg::WideFromUtf8(b).c_str()) == 0;
}

class ShortcutsE2E : public InstallerTest
{
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        const std::string id = std::to_string(GetCurrentProcessId());
        // Japanese names: the link paths go through the code page on their way
        // to the shell.
        folderName = "ガイド E2E " + id;
        shortcutName = "ガイドを表示 " + id;
        appPathBase = "TarvelE2E\\Links" + id;
        uninstallKey = std::string(kUninstallRoot) + "TarvelE2E Links " + id;
        company = "TarvelE2ECo" + id;

        std::string programFiles;
        ASSERT_TRUE(e2e::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                       "ProgramFilesDir", &programFiles));
        destination = programFiles + "\\" + appPathBase + "\\";

        ASSERT_TRUE(package.CopyInstaller());
        ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
        ASSERT_TRUE(package.Write("setup\\guide.ico", "icon"));
        ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html></html>"));
        ASSERT_TRUE(package.Write("GUIDE\\extra.htm", "<html></html>"));
    }

    void TearDown() override
    {
        DeleteFileW(dlg::WideFromUtf8(MenuLink()).c_str());
        e2e::RemoveTree(ProgramFolder());
        DeleteFileW(dlg::WideFromUtf8(DesktopLink()).c_str());
        RemoveDirectoryW(dlg::WideFromUtf8(DesktopLink()).c_str());
        e2e::RemoveTree(destination.substr(0, destination.size() - 1));
        // The level above, created for this package alone; kept when not empty.
        RemoveDirectoryW(dlg::WideFromUtf8(destination.substr(0, destination.rfind("\\Links"))).c_str());
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, uninstallKey);
        e2e::DeleteRegTree(HKEY_LOCAL_MACHINE, "Software\\" + company);
        InstallerTest::TearDown();
    }

    bool WriteScript(const std::string& desktopFlag)
    {
        return package.WriteScript(
            "[INSTALL]\n"
            "CAPTION=E2E ガイド\n"
            "APPPATH_BASE=" + appPathBase + "\n"
            "DATA_PATH=GUIDE\n"
            "ICON_NAME=guide.ico\n"
            "PROGRAM_FOLDER_NAME=" + folderName + "\n"
            "SHORTCUT_NAME=" + shortcutName + "\n"
            "PRODUCT_KEY_FILE1=index.htm\n"
            + (desktopFlag.empty() ? "" : "FLAG_DESKTOP_ICON=" + desktopFlag + "\n") +
            "UNINSTALL_NAME=E2E ガイド\n"
            "COMPANY_NAME=" + company + "\n"
            "PRODUCT_NUM=3\n"
            "PRODUCT_NAME1=Guide\n"
            "PRODUCT_LANGUAGE1=JPN\n"
            "PRODUCT_NAME2=Extra\n"
            "PRODUCT_LANGUAGE2=ENG\n"
            "PRODUCT_KEY_FILE2=extra.htm\n"
            "PRODUCT_NAME3=Incomplete\n"
            "PRODUCT_KEY_FILE3=index.htm\n"
            "REG_LIBFILE1=NONE\n"
            "[UNINSTALL]\n"
            "UNINSTALL_FILE=uninst.exe\n"
            "UNINSTALL_KEY=" + uninstallKey.substr(sizeof(kUninstallRoot) - 1) + "\n"
            "[ERROR]\n"
            "ERR_MES_FILE_NOT_EXIST=ファイルがありません。\n"
            "ERR_MES_ERROR_OCCURRED=" + kErrorText + "\n"
            "ERR_MES_WRITE_ERROR=書き込めません。\n"
            "ERR_MES_COPY_ERROR=コピーできません。\n"
            "ERR_MES_NOSPACE=空き容量が足りません。\n"
            "ERR_MES_USER_CANCEL=中止しました。\n");
    }

    std::string ProgramFolder() const { return std::string(kProgramsFolder) + "\\" + folderName; }
    std::string MenuLink() const { return ProgramFolder() + "\\" + shortcutName + ".lnk"; }
    std::string DesktopLink() const { return std::string(kDesktopFolder) + "\\" + shortcutName + ".lnk"; }

    void ExpectLinkToTheGuide(const std::string& path)
    {
        e2e::Shortcut link;
        ASSERT_TRUE(e2e::ReadShortcut(path, &link)) << path;
        EXPECT_TRUE(SamePath(destination + "index.htm", link.target)) << link.target;
        EXPECT_TRUE(SamePath(destination + "guide.ico", link.iconPath)) << link.iconPath;
        EXPECT_EQ(0, link.iconIndex);
    }

    std::string Value(const std::string& key, const char* name)
    {
        std::string value;
        if (!e2e::ReadRegString(HKEY_LOCAL_MACHINE, key, name, &value))
            return "<absent>";
        return value;
    }

    std::string folderName, shortcutName, appPathBase, uninstallKey, company, destination;
};

TEST_F(ShortcutsE2E, SilentInstallMakesTheLinksTheEntryAndTheKeyFiles)
{
    ASSERT_TRUE(WriteScript("True"));

    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(0u, run.windows.size()) << e2e::Describe(run);
    EXPECT_EQ(0u, run.exitCode);

    ExpectLinkToTheGuide(MenuLink());
    ExpectLinkToTheGuide(DesktopLink());

    const std::string folder = destination.substr(0, destination.size() - 1);
    EXPECT_EQ("E2E ガイド", Value(uninstallKey, "DisplayName"));
    EXPECT_EQ(destination + "uninst.exe", Value(uninstallKey, "UninstallString"));
    EXPECT_EQ(folder, Value(uninstallKey, "UninstallFolder"));
    EXPECT_EQ(folder, Value(uninstallKey, "InstallLocation"));

    EXPECT_EQ(destination + "index.htm", Value("Software\\" + company + "\\Guide\\JPN", "KeyFile"));
    EXPECT_EQ(destination + "extra.htm", Value("Software\\" + company + "\\Extra\\ENG", "KeyFile"));
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\" + company + "\\Incomplete"));
}

TEST_F(ShortcutsE2E, WithoutTheFlagThereIsNoDesktopLink)
{
    ASSERT_TRUE(WriteScript("no"));

    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(0u, run.windows.size()) << e2e::Describe(run);

    ExpectLinkToTheGuide(MenuLink());
    EXPECT_FALSE(e2e::Exists(DesktopLink()));
}

TEST_F(ShortcutsE2E, DesktopLinkThatCannotBeSavedLeavesNothingOfTheInstall)
{
    ASSERT_TRUE(WriteScript("TRUE"));
    // A folder where the desktop link should go.
    ASSERT_TRUE(e2e::MakeFolders(DesktopLink()));

    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(1u, run.windows.size()) << e2e::Describe(run);
    EXPECT_EQ(std::string(kErrorText), run.MessageTexts().at(0));
    EXPECT_NE(0u, run.exitCode);

    EXPECT_FALSE(e2e::Exists(MenuLink()));
    EXPECT_FALSE(e2e::Exists(ProgramFolder()));
    EXPECT_FALSE(e2e::Exists(destination)) << "the copied package is taken back";
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, uninstallKey));
    EXPECT_FALSE(e2e::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\" + company));
    EXPECT_TRUE(e2e::IsFolder(DesktopLink())) << "what lay there before stays";
}

} // namespace
