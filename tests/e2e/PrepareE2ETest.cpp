// Preparation seen from outside: a silent run of a package that lacks one of
// its parts ends with one box before anything is copied, and the destination
// folders it made for the install are gone again.
#include "E2eSupport.h"
#include "Text.h"

#include <string>

namespace {

using e2e::InstallerTest;

const char kCaption[] = "準備 E2E";
const char kNotExistText[] = "ファイルがありません。";

struct BrokenPackage
{
    const char* name;
    const char* dataPath; // the script's DATA_PATH
    const char* icon;     // the script's ICON_NAME
};

class PrepareE2E : public InstallerTest, public ::testing::WithParamInterface<BrokenPackage>
{
protected:
    void SetUp() override
    {
        InstallerTest::SetUp();
        const std::string id = std::to_string(GetCurrentProcessId());
        appPathBase = "TarvelE2E\\Prep" + id + "\\guide";
        std::string programFiles;
        ASSERT_TRUE(e2e::ReadRegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion",
                                       "ProgramFilesDir", &programFiles));
        ownLevel = programFiles + "\\TarvelE2E\\Prep" + id;
        uninstallKey = "TarvelE2E Prep " + id;

        ASSERT_TRUE(package.CopyInstaller());
        ASSERT_TRUE(package.CopyUninstaller("setup\\uninst.exe"));
        ASSERT_TRUE(package.Write("setup\\guide.ico", "icon"));
        ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html></html>"));
    }

    void TearDown() override
    {
        e2e::RemoveTree(ownLevel);
        InstallerTest::TearDown();
    }

    std::string appPathBase;
    std::string ownLevel;
    std::string uninstallKey; // none of that name: the load goes on to the preparation
};

TEST_P(PrepareE2E, OneBoxAndTheCreatedDestinationIsRemoved)
{
    const BrokenPackage& broken = GetParam();
    ASSERT_TRUE(package.WriteScript(std::string("[INSTALL]\n") + "CAPTION=" + kCaption + "\n" +
                                    "APPPATH_BASE=" + appPathBase + "\n" + "DATA_PATH=" + broken.dataPath +
                                    "\n" + "ICON_NAME=" + broken.icon + "\n" + "REG_LIBFILE1=NONE\n" +
                                    "[UNINSTALL]\nUNINSTALL_FILE=uninst.exe\nUNINSTALL_KEY=" + uninstallKey + "\n"
                                    "[ERROR]\n"
                                    "ERR_MES_FILE_NOT_EXIST=" + kNotExistText + "\n"
                                    "ERR_MES_ERROR_OCCURRED=エラーが発生しました。\n"));

    dlg::RunResult run = package.Run("/PSM");

    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(1u, run.windows.size()) << e2e::Describe(run);
    EXPECT_EQ(std::string(kNotExistText), run.MessageTexts().at(0));
    EXPECT_EQ(std::string(kCaption), run.windows[0].info.caption);
    EXPECT_EQ(3u, run.exitCode) << "failed before the copy";
    // The levels were made for this install (the question is not asked in a
    // silent run) and are taken away with the failure.
    EXPECT_FALSE(e2e::Exists(ownLevel));
}

INSTANTIATE_TEST_SUITE_P(Missing, PrepareE2E,
                         ::testing::Values(BrokenPackage{"DataFolder", "NO_SUCH_GUIDE", "guide.ico"},
                                           BrokenPackage{"Icon", "GUIDE", "missing.ico"}),
                         [](const ::testing::TestParamInfo<BrokenPackage>& info) { return info.param.name; });

} // namespace
