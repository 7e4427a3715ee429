// A run killed half-way (a real TerminateProcess, as a power cut or a task
// manager would end it) is undone by the next run before that one does
// anything: the earlier installation is back byte for byte, what the killed
// run added is gone, and the next run installs as if nothing had happened.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "Text.h"
#include "UninstallSupport.h"

#include <string>
#include <vector>

namespace {

using e2e::GuideFixture;

constexpr DWORD kTimeoutMs = 60000;
constexpr int kPages = 600;

// The files the runs under `root` have kept aside so far.
int KeptFiles(const std::string& root)
{
    int count = 0;
    for (const std::string& item : e2e::ListTree(root)) {
        if (item.compare(0, 12, "~TarvelKept.") != 0 || item.back() == '\\')
            continue;
        const size_t slash = item.find('\\');
        if (item.find('\\', slash + 1) != std::string::npos)
            ++count; // inside a bucket: not the journal
    }
    return count;
}

// The files the run has copied under `root` so far.
int FilesBelow(const std::string& root)
{
    int count = 0;
    for (const std::string& item : e2e::ListTree(root))
        count += item.back() == '\\' || item.compare(0, 12, "~TarvelKept.") == 0 ? 0 : 1;
    return count;
}

bool HasAsideFolder(const std::string& root)
{
    for (const std::string& item : e2e::ListTree(root))
        if (item.compare(0, 12, "~TarvelKept.") == 0)
            return true;
    return false;
}

class KilledRun : public GuideFixture {
protected:
    KilledRun()
        : GuideFixture("Killed")
    {
    }

    // Starts the installer and kills it once `reached` says so; false when
    // the run ended first.
    bool KillWhen(const std::function<bool()>& reached)
    {
        dlg::Process& installer = StartInstaller("/PSM");
        const DWORD start = GetTickCount();
        while (!reached()) {
            if (!installer.IsRunning() || GetTickCount() - start > kTimeoutMs)
                return false;
        }
        TerminateProcess(installer.Handle(), 9);
        return installer.WaitForExit(kTimeoutMs);
    }

    // The new version: every page changed, one file more.
    void WriteNewVersion()
    {
        ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", kPages, 80));
        ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>version 2</html>"));
        ASSERT_TRUE(package.Write("GUIDE\\img\\new.gif", "GIF89a new"));
    }
};

class KilledReinstall : public KilledRun, public ::testing::WithParamInterface<int> {
};

// Killed after N files were kept aside. The next run recovers first: it is
// made to fail on its last file, and its own undo gives back what it found at
// its start, which must be the earlier installation byte for byte. The run
// after that installs the new version.
TEST_P(KilledReinstall, TheNextRunPutsTheEarlierInstallationBackFirst)
{
    WriteGuide();
    ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", kPages, 64));
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    ASSERT_TRUE(SetFileAttributesW(dlg::WideFromUtf8(Installed() + "\\index.htm").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::vector<e2e::TreeItem> before = e2e::Snapshot(destination.Top());
    WriteNewVersion();

    const int kept = GetParam();
    ASSERT_TRUE(KillWhen([&] { return KeptFiles(Installed()) >= kept; })) << "the run ended before " << kept;
    ASSERT_TRUE(HasAsideFolder(Installed()));
    ASSERT_NE(e2e::TreeChanges(before, e2e::Snapshot(destination.Top())), "");

    const std::string logPath = package.Path("recover.log");
    {
        e2e::HeldFile icon(package.Path("setup\\guide.ico"));
        ASSERT_TRUE(icon.IsHeld());
        const dlg::RunResult run = package.Run("/PSM /LOG=\"" + logPath + "\"");
        EXPECT_EQ(run.exitCode, e2e::kFailedDuringInstall) << e2e::Describe(run);
    }
    EXPECT_EQ(e2e::TreeChanges(before, e2e::Snapshot(destination.Top())), "");
    const e2e::RunLogFile log(logPath);
    EXPECT_TRUE(log.Has("recover", "undoing the run that ended before its end")) << log.All();

    const dlg::RunResult run = package.Run("/PSM");
    EXPECT_EQ(run.exitCode, e2e::kInstalled) << e2e::Describe(run);
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\index.htm"), "<html>version 2</html>");
    EXPECT_EQ(e2e::ReadFileBytes(Installed() + "\\img\\new.gif"), "GIF89a new");
    EXPECT_FALSE(HasAsideFolder(Installed()));
}

INSTANTIATE_TEST_SUITE_P(AfterKeptFiles, KilledReinstall, ::testing::Values(1, 150, 450));

// A fresh install killed after N files: the next run removes what it copied
// and the levels it made, so that its own log names those levels and its
// uninstall leaves nothing behind.
TEST_F(KilledRun, AKilledFreshInstallLeavesNoLevelsAfterTheNextInstallAndUninstall)
{
    WriteGuide();
    ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", kPages, 64));
    for (const int copied : {1, 300}) {
        SCOPED_TRACE(copied);
        ASSERT_TRUE(KillWhen([&] { return e2e::IsFolder(Installed()) && FilesBelow(Installed()) >= copied; }));
        ASSERT_TRUE(e2e::Exists(Installed()));
        ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
        const dlg::RunResult uninstall = e2e::RunUninstaller(Installed(), "/PSM");
        EXPECT_EQ(uninstall.exitCode, e2e::kRemoved) << e2e::Describe(uninstall);
        EXPECT_FALSE(e2e::Exists(destination.Top())) << "left: " << ::testing::PrintToString(
            e2e::ListTree(destination.Top()));
        e2e::RemoveTree(destination.Top());
    }
}

// The uninstaller finds the folder of a re-install that was killed: it puts
// the earlier installation back, then removes it whole.
TEST_F(KilledRun, TheUninstallerFinishesAKilledReinstallFirst)
{
    WriteGuide();
    ASSERT_TRUE(e2e::WriteManyFiles(package, "GUIDE", kPages, 64));
    ASSERT_EQ(package.Run("/PSM").exitCode, e2e::kInstalled);
    WriteNewVersion();
    ASSERT_TRUE(KillWhen([&] { return KeptFiles(Installed()) >= 100; }));
    ASSERT_TRUE(HasAsideFolder(Installed()));

    const dlg::RunResult uninstall = e2e::RunUninstaller(Installed(), "/PSM");
    EXPECT_EQ(uninstall.exitCode, e2e::kRemoved) << e2e::Describe(uninstall);
    EXPECT_FALSE(e2e::Exists(destination.Top())) << "left: "
                                                 << ::testing::PrintToString(e2e::ListTree(destination.Top()));
}

} // namespace
