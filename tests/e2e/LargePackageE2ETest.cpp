// A package of 5,000 items: more than the 2,000 records and the 50,000 bytes
// of log text a fixed-size install would hold. All of it is installed and
// logged, and all of it is undone when the last item fails.
#include "InstallSupport.h"
#include "Text.h"

#include <string>

namespace {

using e2e::GuideFixture;

constexpr size_t kDataItems = 5000;

class FiveThousandItems : public GuideFixture {
protected:
    FiveThousandItems()
        : GuideFixture("Many")
    {
    }

    void SetUp() override
    {
        GuideFixture::SetUp();
        WriteGuide();
        // index.htm, img and img\a.gif, then 4,947 pages in 50 folders.
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", 4947, 16));
        ASSERT_EQ(e2e::ListTree(package.Path("GUIDE")).size(), kDataItems);
    }
};

TEST_F(FiveThousandItems, EveryItemIsInstalledAndLogged)
{
    dlg::RunOptions options;
    options.timeoutMs = 300000;
    dlg::RunResult run = package.Run("/PSM", options);
    ASSERT_TRUE(run.ended) << e2e::Describe(run);
    EXPECT_EQ(run.windows.size(), 0u) << e2e::Describe(run);
    ASSERT_EQ(run.exitCode, e2e::kInstalled);

    EXPECT_EQ(e2e::ListTree(Installed()).size(), kDataItems + 3 + 1); // named files, setupf.cfn
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\part49\\page4946.htm"), std::string(16, 'a' + 4946 % 26));

    const std::string expected = "<f>:" + destination.Top() + "? <f>:" + Installed() + "? "
        + e2e::DataEntries(package.Path("GUIDE")) + "uninst.exe? tarvel.eif? guide.ico? ";
    ASSERT_GT(expected.size(), 50000u);
    const std::string log = e2e::DecodeLog(e2e::ReadFileBytes(Installed() + "\\setupf.cfn"));
    EXPECT_EQ(log.size(), expected.size());
    EXPECT_TRUE(log == expected) << "the log differs from the copy order; its end:\n"
                                 << log.substr(log.size() > 200 ? log.size() - 200 : 0);
}

TEST_F(FiveThousandItems, FailingLastItemUndoesEveryItem)
{
    // The icon comes last in the copy order.
    e2e::HeldFile icon(package.Path("setup\\guide.ico"));
    ASSERT_TRUE(icon.IsHeld());

    dlg::RunOptions options;
    options.timeoutMs = 300000;
    dlg::RunResult run = package.Run("/PSM", options);
    e2e::ExpectOneBox(run, e2e::texts::kCopyError);
    EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall);
    EXPECT_FALSE(e2e::Exists(destination.Top()))
        << e2e::ListTree(destination.Top()).size() << " items left behind";
}

} // namespace
