// A silent install of a real package into a destination whose levels did not
// exist: exactly the package's files arrive, and "setupf.cfn" lists exactly
// what the install made, in the order it made it, for the package's own
// uninstaller. The same with Shift-JIS names whose trail byte is a backslash.
#include "InstallSupport.h"
#include "Text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using e2e::InstallerTest;
using e2e::ListTree;

const char kIndex[] = "<html><body>Guide</body></html>\r\n";
const char kGif[] = "GIF89a\x01\x00\x01\x00tiny";
const char kIcon[] = "\x00\x00\x01\x00 icon";

class GuidePackage : public e2e::GuideFixture {
protected:
    GuidePackage()
        : GuideFixture("Guide")
    {
    }
    void SetUp() override
    {
        GuideFixture::SetUp();
        WriteGuide();
    }
};

TEST_F(GuidePackage, SilentInstallCopiesExactlyThePackageAndExitsWithZero)
{
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);

    const std::vector<std::string> expected { "guide.ico", "img\\", "img\\a.gif", "index.htm", "setupf.cfn",
        "tarvel.eif", "uninst.exe" };
    EXPECT_EQ(ListTree(Installed()), expected);
    // And nothing beside it on the level the install created above it.
    std::vector<std::string> whole { "Guide\\" };
    for (const std::string& item : expected)
        whole.push_back("Guide\\" + item);
    EXPECT_EQ(ListTree(destination.Top()), whole);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\index.htm"), kIndex);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\img\\a.gif"),
        e2e::ReadFileBytes(package.Path("GUIDE\\img\\a.gif")));
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\guide.ico"),
        e2e::ReadFileBytes(package.Path("setup\\guide.ico")));
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\uninst.exe"),
        e2e::ReadFileBytes(package.Path("setup\\uninst.exe")));
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\tarvel.eif"),
        e2e::ReadFileBytes(package.Path("setup\\tarvel.eif")));
}

TEST_F(GuidePackage, HalfSilentInstallShowsOnlyTheStatusWindowUnderTheDriversDefaultAnswers)
{
    // The driver leaves the status window to close by itself: closing it
    // would cancel the install.
    dlg::RunResult run = package.Run("/WD");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    // A small guide may be copied before the driver's first look: then the
    // status window is never seen. Whatever was seen is that window, untouched.
    ASSERT_LE(run.windows.size(), 1u) << e2e::Describe(run);
    for (const dlg::SeenWindow& window : run.windows) {
        EXPECT_TRUE(window.info.Has(1003)) << e2e::Describe(run); // the progress bar
        EXPECT_EQ(window.pressed, 0);
    }
    EXPECT_TRUE(e2e::Exists(Installed() + "\\index.htm"));
}

TEST_F(GuidePackage, UninstallLogListsTheCreatedLevelsThenEveryItemInCopyOrder)
{
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);

    // index.htm and img come in the order the file system lists GUIDE; a
    // folder's contents always right after the folder.
    const std::string data = e2e::DataEntries(package.Path("GUIDE"));
    ASSERT_TRUE(data == "index.htm? <d>:img? img\\a.gif? " || data == "<d>:img? img\\a.gif? index.htm? ")
        << data;
    const std::string expected = "<f>:" + destination.Top() + "? <f>:" + Installed() + "? " + data
        + "uninst.exe? tarvel.eif? guide.ico? ";
    const std::string stored = e2e::ReadFileBytes(Installed() + "\\setupf.cfn");
    EXPECT_EQ(e2e::DecodeLog(stored), expected);
    EXPECT_EQ(stored.size(), expected.size()); // no terminator, no line end

    const DWORD attributes = e2e::Attributes(Installed() + "\\setupf.cfn");
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_READONLY);
    // Only the log is made read-only: the package's own files stay as they came.
    EXPECT_FALSE(e2e::Attributes(Installed() + "\\index.htm") & FILE_ATTRIBUTE_READONLY);
}

// --- Shift-JIS names whose trail byte is 0x5C --------------------------------------------

// "表" is 0x95 0x5C and "ソ" is 0x83 0x5C in code page 932: a byte-wise scan
// would take their second halves for backslashes, in the destination levels,
// the data folder, the items and the named files alike.
class ShiftJisPackage : public InstallerTest {
protected:
    ShiftJisPackage()
        : destination("Sjis")
    {
    }

    void SetUp() override
    {
        InstallerTest::SetUp();
        ASSERT_EQ(dlg::AnsiFromUtf8("表ソ", 932), "\x95\x5c\x83\x5c")
            << "the names must carry 0x5C trail bytes";
        ASSERT_TRUE(package.CopyInstaller());
        ASSERT_TRUE(package.CopyUninstaller("setup\\アンインストール表.exe"));
        ASSERT_TRUE(package.Write("setup\\ソ.ico", std::string(kIcon, sizeof kIcon - 1)));
        ASSERT_TRUE(package.Write("資料表\\目次表.htm", kIndex));
        ASSERT_TRUE(package.Write("資料表\\ソフト表\\図ソ.gif", std::string(kGif, sizeof kGif - 1)));
        e2e::GuideScript script;
        script.appPathBase = destination.Base() + "\\表示\\ソフト表";
        script.dataPath = "資料表";
        script.uninstaller = "アンインストール表.exe";
        script.icon = "ソ.ico";
        script.keyFile = "目次表.htm";
        ASSERT_TRUE(package.WriteScript(e2e::ScriptText(script)));
    }

    std::string Installed() const { return destination.Top() + "\\表示\\ソフト表"; }

    e2e::ScratchDestination destination;
};

TEST_F(ShiftJisPackage, SilentInstallKeepsEveryNameWhole)
{
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
    EXPECT_EQ(run.exitCode, e2e::kInstalled);

    std::vector<std::string> expected { "setupf.cfn", "tarvel.eif", "ソ.ico", "ソフト表\\",
        "ソフト表\\図ソ.gif", "アンインストール表.exe", "目次表.htm" };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ListTree(Installed()), expected);
    // Nothing else below the first level either: no stray level cut at a
    // trail byte ("表示" taken for 0x95 and a separator).
    std::vector<std::string> whole { "表示\\", "表示\\ソフト表\\" };
    for (const std::string& item : expected)
        whole.push_back("表示\\ソフト表\\" + item);
    std::sort(whole.begin(), whole.end());
    EXPECT_EQ(ListTree(destination.Top()), whole);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\ソフト表\\図ソ.gif"), std::string(kGif, sizeof kGif - 1));
}

TEST_F(ShiftJisPackage, UninstallLogHoldsTheNamesByteForByte)
{
    dlg::RunResult run = package.Run("/PSM");
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    ASSERT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);

    const std::string top = destination.Top();
    const std::string expected
        = dlg::AnsiFromUtf8("<f>:" + top + "? <f>:" + top + "\\表示? <f>:" + Installed() + "? ", 932)
        + e2e::DataEntries(package.Path("資料表"))
        + dlg::AnsiFromUtf8("アンインストール表.exe? tarvel.eif? ソ.ico? ", 932);
    const std::string stored = e2e::ReadFileBytes(Installed() + "\\setupf.cfn");
    EXPECT_EQ(e2e::DecodeLog(stored), expected);
    EXPECT_TRUE(e2e::Attributes(Installed() + "\\setupf.cfn") & FILE_ATTRIBUTE_READONLY);
}

} // namespace
