// A package of 2,103 items: more than the 2,000 records and the 50,000 bytes
// of log text a fixed-size install would hold. A failure at the last item
// takes every item away again; the next run installs and logs every one.
#include "InstallSupport.h"
#include "Text.h"

#include <string>

namespace {

using e2e::GuideFixture;

constexpr size_t kDataItems = 2103;

class LargePackage : public GuideFixture {
protected:
    LargePackage()
        : GuideFixture("Many")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        WriteGuide();
        // index.htm, img and img\a.gif, then 2,079 pages in 21 folders; the
        // long names carry the log text past 50,000 bytes.
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 2079, 16, "a-page-with-a-rather-long-name-"));
        ASSERT_EQ(e2e::ListTree(package.Path("GUIDE")).size(), kDataItems);
    }
};

TEST_F(LargePackage, AFailureAtTheLastItemUndoesEveryItemAndTheNextRunInstallsAndLogsThemAll)
{
    dlg::RunOptions options;
    options.timeoutMs = 300000;
    {
        // The icon comes last in the copy order.
        e2e::HeldFile icon(package.Path("setup\\guide.ico"));
        ASSERT_TRUE(icon.IsHeld());
        dlg::RunResult failed = package.Run("/PSM", options);
        e2e::ExpectOneBox(failed, e2e::texts::kCopyError);
        EXPECT_EQ(failed.exitCode, e2e::kFailedDuringInstall);
        ASSERT_FALSE(e2e::Exists(destination.Top()))
            << e2e::ListTree(destination.Top()).size() << " items left behind";
    }

    dlg::RunResult run = package.Run("/PSM", options);
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
    ASSERT_EQ(run.exitCode, e2e::kInstalled);

    EXPECT_EQ(e2e::ListTree(Installed()).size(), kDataItems + 3 + 1); // named files, setupf.cfn
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\part20\\a-page-with-a-rather-long-name-2078.htm"),
              std::string(16, 'a' + 2078 % 26));

    const std::string expected = "<f>:" + destination.Top() + "? <f>:" + Installed() + "? "
        + e2e::DataEntries(package.Path("GUIDE")) + "uninst.exe? tarvel.eif? guide.ico? ";
    ASSERT_GT(expected.size(), 50000u);
    const std::string log = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    EXPECT_EQ(log.size(), expected.size());
    EXPECT_TRUE(log == expected) << "the log differs from the copy order; its end:\n"
                                 << log.substr(log.size() > 200 ? log.size() - 200 : 0);
}

} // namespace
