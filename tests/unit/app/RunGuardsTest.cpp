// The installer's checks before it reads its script: without administrator
// rights, or in a code page other than 932 with a script in Shift-JIS, a run
// ends with its one built-in box and exit code 3, and the machine as it was.
// A script of plain ASCII installs in any code page.
#include <gtest/gtest.h>
#include "TestCommon.h"

#include "FileTree.h"
#include "GuardSeams.h"
#include "SharedTestSupport.h"
#include "TestSupport.h"
#include "app/ExitCodes.h"
#include "app/TarvelApp.h"
#include "base/MessageBoxes.h"
#include "base/RunGuards.h"
#include "base/RunLog.h"

#include <shlobj.h>

#include <string>

using FileTree::MakeFolder;
using FileTree::WriteBytes;

namespace {

using test_common::kUninstallRoot;

const char VERSION_KEY[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char GUIDE_IN_JAPANESE[] = "\x83\x4b\x83\x43\x83\x68"; // "ガイド" in Shift-JIS

class InstallerGuards : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string id = std::to_string(GetCurrentProcessId());
        company = "TarvelGuard" + id;
        menuName = "Tarvel Guard " + id;
        uninstallKey = "TarvelGuard" + id;
        char programs[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, programs, CSIDL_PROGRAMS, FALSE));
        programFolder = std::string(programs) + "\\" + menuName;

        savedProgramFiles = shared_test::RealProgramFiles();
        machine = tree / "machine";
        MakeFolder(machine);
        SetProgramFiles(machine);
        MakeFolder(tree / "GUIDE");
        WriteBytes(tree / "GUIDE\\index.htm", "index");
        WriteBytes(tree / "setup\\uninst.exe", "uninstaller");
        WriteBytes(tree / "setup\\guide.ico", "icon");
        ResetJournal();
    }

    void TearDown() override
    {
        ResetSystemCalls();
        ResetJournal();
        MessageBoxes::SetSuppressed(false);
        SetProgramFiles(savedProgramFiles);
        FileTree::RemoveTree(programFolder);
        shared_test::DeleteKeyTree("Software\\" + company);
        shared_test::DeleteKeyTree(kUninstallRoot + uninstallKey);
    }

    static void SetProgramFiles(const std::string& folder)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, VERSION_KEY, 0, KEY_SET_VALUE, &key));
        RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
        RegCloseKey(key);
    }

    // The package's script, its caption in Japanese or in ASCII.
    void WriteScript(const std::string& caption)
    {
        const std::string script = "[INSTALL]\r\nCAPTION=" + caption + "\r\n"
            "APPPATH_BASE=\\Maker\\Guide\r\nDATA_PATH=GUIDE\r\nICON_NAME=guide.ico\r\n"
            "PROGRAM_FOLDER_NAME=" + menuName + "\r\nSHORTCUT_NAME=Guard Guide\r\nFLAG_DESKTOP_ICON=FALSE\r\n"
            "UNINSTALL_NAME=Guard Guide\r\nCOMPANY_NAME=" + company + "\r\nPRODUCT_NUM=0\r\n"
            "REG_LIBFILE1=NONE\r\n[UNINSTALL]\r\nUNINSTALL_FILE=uninst.exe\r\n"
            "UNINSTALL_KEY=" + uninstallKey + "\r\n"
            "[ERROR]\r\nERR_MES_FILE_NOT_EXIST=not exist\r\nERR_MES_ERROR_OCCURRED=occurred\r\n"
            "ERR_MES_WRITE_ERROR=write\r\nERR_MES_COPY_ERROR=copy\r\nERR_MES_NOSPACE=nospace\r\n"
            "ERR_MES_USER_CANCEL=cancelled\r\n";
        WriteBytes(tree / "setup\\tarvel.eif", script);
    }

    std::string Destination() const { return machine + "\\Maker\\Guide"; }

    // The run was refused with that text, and nothing of the package is there.
    void ExpectRefused(int exitCode, const WideBoxRecorder& wide, const BoxRecorder& boxes,
                       const wchar_t* text)
    {
        EXPECT_EQ(EXIT_FAILED_BEFORE_COPY, exitCode);
        ASSERT_EQ(1u, wide.Count());
        EXPECT_EQ(text, wide.Boxes()[0].Text);
        EXPECT_EQ(0u, boxes.Count()) << boxes.Last().Text;
        EXPECT_EQ((std::map<std::string, std::string>{}), FileTree::Snapshot(machine));
        EXPECT_FALSE(FileTree::Exists(programFolder));
        EXPECT_FALSE(shared_test::KeyExists(kUninstallRoot + uninstallKey));
        EXPECT_FALSE(shared_test::KeyExists("Software\\" + company));
    }

    FileTree::TempTree tree{"setup"};
    std::string machine, company, menuName, uninstallKey, programFolder, savedProgramFiles;
};

TEST_F(InstallerGuards, AStandardUserIsToldToStartItAsAnAdministrator)
{
    WriteScript("Guide");
    guard_test::TakeAwayAdminRights();
    WideBoxRecorder wide;
    BoxRecorder boxes;
    ExpectRefused(RunSilentSetup(), wide, boxes, RunGuards::NoRightsText());
    EXPECT_NE(std::wstring::npos, wide.Boxes()[0].Text.find(L"Administrator rights are needed"));
}

TEST_F(InstallerGuards, AShiftJisScriptIsRefusedInEveryOtherCodePage)
{
    WriteScript(GUIDE_IN_JAPANESE);
    for (UINT codePage : {1252u, 65001u}) {
        guard_test::SetCodePage(codePage);
        WideBoxRecorder wide;
        BoxRecorder boxes;
        ExpectRefused(RunSilentSetup(), wide, boxes, RunGuards::CodePageText());
        EXPECT_NE(std::wstring::npos, wide.Boxes()[0].Text.find(L"code page 932")) << codePage;
    }
}

TEST_F(InstallerGuards, AnAsciiScriptInstallsInAnotherCodePage)
{
    WriteScript("Guide");
    guard_test::SetCodePage(1252);
    WideBoxRecorder wide;
    BoxRecorder boxes;
    EXPECT_EQ(EXIT_INSTALLED, RunSilentSetup()) << (boxes.Count() ? boxes.Last().Text : "");
    EXPECT_EQ(0u, wide.Count());
    EXPECT_EQ("index", FileTree::ReadBytes(Destination() + "\\index.htm"));
}

TEST_F(InstallerGuards, ASuppressedRefusalWaitsForNoOneAndIsLogged)
{
    WriteScript(GUIDE_IN_JAPANESE);
    const std::string log = tree / "run.log";
    ASSERT_TRUE(RunLog::Open(log.c_str()));
    guard_test::SetCodePage(65001);
    MessageBoxes::SetSuppressed(true);
    WideBoxRecorder wide;
    BoxRecorder boxes;
    EXPECT_EQ(EXIT_FAILED_BEFORE_COPY, RunSilentSetup());
    RunLog::Close();
    EXPECT_EQ(0u, wide.Count());
    EXPECT_FALSE(FileTree::Exists(Destination()));
    const std::string text = FileTree::ReadBytes(log);
    EXPECT_NE(std::string::npos, text.find("the process code page is 65001, not 932")) << text;
    // The built-in text reads right in the log whatever the code page.
    EXPECT_NE(std::string::npos, text.find("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E")) << text; // "日本語"
    EXPECT_NE(std::string::npos, text.find("OK (default, no box shown)")) << text;
}

TEST(AdminRights, AnElevatedTokenOrAnAdministratorWithoutElevationHasThem)
{
    EXPECT_TRUE(RunGuards::HasAdminRights()); // Wine runs everything as an administrator
    Sys().GetTokenInformation = guard_test::NoElevationKnown;
    Sys().CheckTokenMembership = guard_test::Administrator;
    EXPECT_TRUE(RunGuards::HasAdminRights());
    Sys().CheckTokenMembership = guard_test::NotAdministrator;
    EXPECT_FALSE(RunGuards::HasAdminRights());
    // A UAC token that is not elevated has the group for deny only.
    Sys().GetTokenInformation = guard_test::NotElevated;
    EXPECT_FALSE(RunGuards::HasAdminRights());
    ResetSystemCalls();
}

} // namespace
