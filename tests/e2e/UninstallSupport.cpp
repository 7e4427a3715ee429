#include "UninstallSupport.h"

#include <functional>

namespace e2e {

namespace {

// Waits until the condition holds, checking every 50 ms up to the timeout.
bool WaitUntil(const std::function<bool()>& condition, unsigned timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(50);
    }
    return true;
}

// The temporary folder holds no folder of a clean-up copy, which goes with
// the copy. (The test runs as the uninstaller's user, who is not SYSTEM:
// GetTempPath2A, where there is one, gives the uninstaller this folder too.)
bool NoCleanupCopyLeft()
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((std::wstring(temp) + L"tvuninst-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    FindClose(search);
    return false;
}

} // namespace

dlg::RunResult RunUninstaller(const std::string& folder, const std::string& tail, dlg::RunOptions options)
{
    const std::string uninstaller = folder + "\\uninst.exe";
    options.currentFolder = "C:\\";
    dlg::RunResult run = dlg::RunToEnd(uninstaller, tail, options);
    if (run.ended && (run.exitCode == kRemoved || run.exitCode == kItemsLeft)) {
        EXPECT_TRUE(WaitForCleanupCopy(uninstaller)) << "the uninstaller or its copy stayed";
    }
    return run;
}

bool WaitForCleanupCopy(const std::string& uninstaller)
{
    return WaitUntil([&] { return !Exists(uninstaller) && NoCleanupCopyLeft(); }, 20000);
}

} // namespace e2e
