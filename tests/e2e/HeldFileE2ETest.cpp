// A re-install whose earlier file another process holds open without any
// sharing, as a virus scanner does right after a file was read: the
// installer waits for it, and once it is let go the install succeeds.
#include "InstallSupport.h"
#include "RunLogFile.h"
#include "TestCommon.h"
#include "Text.h"

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kTimeoutMs = 60000;
// How long the file stays held after the installer was seen waiting for it
// (it was held from before the installer started, about a second before):
// well inside the installer's 2 s, with room for a slow, busy machine.
constexpr DWORD kHeldOnMs = 300;

class HeldFileReinstall : public e2e::GuideFixture {
protected:
    HeldFileReinstall()
        : GuideFixture("Held")
    {
    }
};

// The log's line of the installer's wait for `name`, empty while none is
// there. Read while the installer still writes it: shared for writing too.
std::string WaitLine(const std::string& logPath, const std::string& name)
{
    HANDLE file = CreateFileW(dlg::WideFromUtf8(logPath).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    const std::string bytes = test_common::ReadAll(file);
    CloseHandle(file);
    for (size_t at = 0; at < bytes.size();) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos)
            break; // a line still being written
        const std::string line = bytes.substr(at, end - at);
        if (line.find("  retry ") != std::string::npos && line.find(name) != std::string::npos)
            return line;
        at = end + 2;
    }
    return "";
}

TEST_F(HeldFileReinstall, AFileHeldForAMomentIsWaitedForAndTheInstallSucceeds)
{
    WriteGuide();
    dlg::RunResult first = package.Run("/PSM");
    ASSERT_TRUE(first.ended && first.exitCode == e2e::kInstalled) << e2e::Describe(first);
    ASSERT_TRUE(package.Write("GUIDE\\index.htm", "<html>version 2</html>"));
    ASSERT_TRUE(e2e::MakeFolders(package.Path("logs")));
    const std::string logPath = package.Path("logs\\run.log");

    // Held from before the installer starts, so it cannot slip past; let go
    // only once its log shows it waiting for this very file.
    e2e::HeldFile held(Installed() + "\\index.htm");
    ASSERT_TRUE(held.IsHeld());
    dlg::Process& installer = StartInstaller("/PSM /LOG=\"" + logPath + "\"");
    const DWORD start = GetTickCount();
    std::string waitLine;
    while (waitLine.empty() && installer.IsRunning() && GetTickCount() - start < kTimeoutMs) {
        Sleep(20);
        waitLine = WaitLine(logPath, "index.htm");
    }
    ASSERT_FALSE(waitLine.empty()) << "the installer never waited for the held file:\n"
                                   << e2e::RunLogFile(logPath).All();
    std::printf("the installer waits: %s\n", waitLine.c_str());
    Sleep(kHeldOnMs);
    held.Release();

    ASSERT_TRUE(installer.WaitForExit(kTimeoutMs));
    const e2e::RunLogFile log(logPath);
    EXPECT_EQ(e2e::kInstalled, installer.ExitCode()) << log.All();
    EXPECT_EQ("<html>version 2</html>", e2e::ReadFileBytes(Installed() + "\\index.htm"));
    EXPECT_NE(waitLine.find("error 32"), std::string::npos) << waitLine;
}

} // namespace
