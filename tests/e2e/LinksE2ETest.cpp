// Links are never followed: an installed folder replaced by a link to a
// folder outside, and a package holding a linked folder. Wine shows a Unix
// symbolic link to a folder as a reparse point, as Windows shows a junction;
// the links are made on the host, since Wine's CreateSymbolicLinkW makes none.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "UninstallSupport.h"

#include <string>

namespace {

using e2e::kItemsLeft;

const char kOutsideFile[] = "the other program's picture";

class LinksTest : public e2e::GuideFixture {
protected:
    LinksTest()
        : GuideFixture("Links")
    {
    }

    // A folder outside every installation, holding a file named like the
    // package's "img\a.gif" and one more.
    void SetUp() override
    {
        GuideFixture::SetUp();
        outside = "C:\\TarvelE2E victim " + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(e2e::WriteFileBytes(outside + "\\a.gif", kOutsideFile));
        ASSERT_TRUE(e2e::WriteFileBytes(outside + "\\keep.txt", "keep"));
    }

    // The links go first: a removal of the trees through them would empty the outside folder.
    void TearDown() override
    {
        for (const std::string& link : links)
            e2e::RunHostShell("rm -f '" + e2e::UnixPath(link) + "'", package.Path(""), nullptr);
        e2e::RemoveTree(outside);
        GuideFixture::TearDown();
    }

    // Replaces the folder at 'path' (emptied first) by a link to the outside folder.
    void LinkToOutside(const std::string& path)
    {
        e2e::RemoveTree(path);
        ASSERT_FALSE(e2e::Exists(path));
        links.push_back(path);
        std::string output;
        const std::string script = "ln -s '" + e2e::UnixPath(outside) + "' '" + e2e::UnixPath(path) + "'";
        ASSERT_EQ(0, e2e::RunHostShell(script, package.Path(""), &output)) << output;
        ASSERT_NE(e2e::Attributes(path) & FILE_ATTRIBUTE_REPARSE_POINT, 0u) << path;
    }

    void ExpectOutsideUntouched()
    {
        EXPECT_EQ(e2e::ReadFileBytes(outside + "\\a.gif"), kOutsideFile);
        EXPECT_EQ(e2e::ReadFileBytes(outside + "\\keep.txt"), "keep");
    }

    std::string outside;
    std::vector<std::string> links;
};

TEST_F(LinksTest, UninstallRemovesNothingThroughALinkAndNamesTheLinkLeft)
{
    WriteGuide();
    ASSERT_EQ(package.Run("/PSM").exitCode, 0u);
    ASSERT_TRUE(e2e::Exists(Installed() + "\\img\\a.gif"));
    LinkToOutside(Installed() + "\\img");

    const std::string logPath = package.Path("uninstall.log");
    const dlg::RunResult run
        = e2e::RunUninstaller(Installed(), "/PSM /SUPPRESSMSGBOXES /LOG=\"" + logPath + "\"");
    ExpectOutsideUntouched();
    // Wine opens a link only as its target, so the link cannot be taken away
    // alone: it stays, and the run says so.
    EXPECT_EQ(run.exitCode, kItemsLeft) << e2e::Describe(run);
    EXPECT_FALSE(e2e::Exists(Installed() + "\\index.htm"));
    const e2e::RunLogFile log(logPath);
    const std::string img = Installed() + "\\img";
    EXPECT_TRUE(log.Has("left", "lies behind the link " + img + ": " + img + "\\a.gif")) << log.All();
    EXPECT_TRUE(log.Has("left", "link left")) << log.All();
}

TEST_F(LinksTest, PackageWithALinkedFolderIsRefusedBeforeAnythingIsCopied)
{
    WriteGuide();
    LinkToOutside(package.Path("GUIDE\\img"));

    const std::string logPath = package.Path("install.log");
    const dlg::RunResult run = package.Run("/PSM /SUPPRESSMSGBOXES /LOG=\"" + logPath + "\"");
    EXPECT_EQ(run.exitCode, 3u) << e2e::Describe(run);
    EXPECT_FALSE(e2e::Exists(Installed() + "\\img"));
    EXPECT_FALSE(e2e::Exists(Installed() + "\\index.htm"));
    const e2e::RunLogFile log(logPath);
    EXPECT_TRUE(log.Has("failure", "list package, a link failed: ..\\GUIDE\\img")) << log.All();
    ExpectOutsideUntouched();

    const e2e::CheckerRun check = e2e::RunChecker(package.SetupFolder());
    EXPECT_EQ(check.exitCode, 1u) << check.output;
    EXPECT_NE(check.output.find("[linked-item]"), std::string::npos) << check.output;
}

} // namespace
