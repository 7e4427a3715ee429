// A file held for a moment by someone else: each retried call, failing n
// times with each error that means a hold, then going through, is waited for
// with the growing pauses; one held for good fails with its own error after
// every pause, within the bound; any other failure is not waited for.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "base/HeldFiles.h"
#include "base/RunLog.h"
#include "base/SystemCalls.h"
#include "rollback/UndoSteps.h"

#include <functional>
#include <numeric>
#include <string>
#include <vector>

using FileTree::Exists;
using FileTree::ReadBytes;
using FileTree::WriteBytes;

namespace {

// How the swapped calls fail: the next `Failures` calls with `Error`.
struct Hold {
    int Failures = 0;
    DWORD Error = 0;
    int Calls = 0;
    std::vector<DWORD> Pauses;
};
Hold g_hold;

bool FailsNow()
{
    ++g_hold.Calls;
    if (g_hold.Failures <= 0)
        return false;
    --g_hold.Failures;
    SetLastError(g_hold.Error);
    return true;
}

BOOL WINAPI HeldCopy(LPCSTR a, LPCSTR b, BOOL c) { return FailsNow() ? FALSE : CopyFileA(a, b, c); }
BOOL WINAPI HeldMove(LPCSTR a, LPCSTR b) { return FailsNow() ? FALSE : MoveFileA(a, b); }
BOOL WINAPI HeldDelete(LPCSTR a) { return FailsNow() ? FALSE : DeleteFileA(a); }
BOOL WINAPI HeldAttributes(LPCSTR a, DWORD b) { return FailsNow() ? FALSE : SetFileAttributesA(a, b); }
void WINAPI RecordedPause(DWORD ms) { g_hold.Pauses.push_back(ms); }

// One retried call on a file `target` that the test makes first, and what
// must be true once it went through.
struct Operation {
    const char* Name;
    std::function<BOOL(const std::string& target, const std::string& other)> Call;
    std::function<bool(const std::string& target, const std::string& other)> Done;
};

const std::vector<Operation>& Operations()
{
    static const std::vector<Operation> operations = {
        {"copy over", [](const std::string& t, const std::string& o) { return HeldFiles::CopyOver(o.c_str(), t.c_str(), FALSE); },
         [](const std::string& t, const std::string&) { return ReadBytes(t) == "other"; }},
        {"rename", [](const std::string& t, const std::string& o) { DeleteFileA(o.c_str()); return HeldFiles::Rename(t.c_str(), o.c_str()); },
         [](const std::string& t, const std::string& o) { return !Exists(t) && ReadBytes(o) == "target"; }},
        {"delete", [](const std::string& t, const std::string&) { return HeldFiles::Delete(t.c_str()); },
         [](const std::string& t, const std::string&) { return !Exists(t); }},
        {"attributes", [](const std::string& t, const std::string&) { return HeldFiles::SetAttributes(t.c_str(), FILE_ATTRIBUTE_HIDDEN); },
         [](const std::string& t, const std::string&) { return (FileTree::Attributes(t) & FILE_ATTRIBUTE_HIDDEN) != 0; }},
        // The undo and the uninstaller delete through this.
        {"undo's remove", [](const std::string& t, const std::string&) { return Undo::RemoveFile(t.c_str()) ? TRUE : FALSE; },
         [](const std::string& t, const std::string&) { return !Exists(t); }},
    };
    return operations;
}

class HeldFilesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_hold = Hold();
        Sys().CopyFileA = &HeldCopy;
        Sys().MoveFileA = &HeldMove;
        Sys().DeleteFileA = &HeldDelete;
        Sys().SetFileAttributesA = &HeldAttributes;
        Sys().Sleep = &RecordedPause;
        ASSERT_TRUE(RunLog::Open((tree / "run.log").c_str()));
    }
    void TearDown() override
    {
        RunLog::Close();
        ResetSystemCalls();
    }

    // Runs `operation` on fresh files, the calls failing `failures` times.
    BOOL Run(const Operation& operation, int failures, DWORD error)
    {
        WriteBytes(target, "target");
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteBytes(other, "other");
        g_hold = Hold();
        g_hold.Failures = failures;
        g_hold.Error = error;
        return operation.Call(target, other);
    }

    int RetryLines()
    {
        int count = 0;
        // Shared for writing: the log is open.
        HANDLE file = CreateFileA((tree / "run.log").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return -1;
        std::string log(GetFileSize(file, nullptr), '\0');
        DWORD read = 0;
        ReadFile(file, &log[0], static_cast<DWORD>(log.size()), &read, nullptr);
        CloseHandle(file);
        log.resize(read);
        for (size_t at = log.find("retry"); at != std::string::npos; at = log.find("retry", at + 1))
            ++count;
        return count;
    }

    FileTree::TempTree tree;
    const std::string target = tree / "target.htm";
    const std::string other = tree / "other.htm";
};

const DWORD HOLD_ERRORS[] = {ERROR_SHARING_VIOLATION, ERROR_LOCK_VIOLATION, ERROR_ACCESS_DENIED};

} // namespace

TEST_F(HeldFilesTest, AFileHeldForAMomentIsWaitedForWithGrowingPauses)
{
    const std::vector<DWORD> pauses(std::begin(HeldFiles::PAUSES_MS), std::end(HeldFiles::PAUSES_MS));
    for (const Operation& operation : Operations())
        for (DWORD error : HOLD_ERRORS)
            for (int failures = 1; failures <= HeldFiles::PAUSE_COUNT; ++failures) {
                SCOPED_TRACE(std::string(operation.Name) + ", error " + std::to_string(error) + ", held "
                             + std::to_string(failures) + " times");
                const int linesBefore = RetryLines();
                ASSERT_TRUE(Run(operation, failures, error));
                EXPECT_TRUE(operation.Done(target, other));
                EXPECT_EQ(failures + 1, g_hold.Calls);
                EXPECT_EQ(std::vector<DWORD>(pauses.begin(), pauses.begin() + failures), g_hold.Pauses);
                EXPECT_EQ(failures, RetryLines() - linesBefore) << "a log line for each wait";
            }
}

TEST_F(HeldFilesTest, AFileHeldForGoodFailsWithItsOwnErrorWithinTheBound)
{
    for (const Operation& operation : Operations())
        for (DWORD error : HOLD_ERRORS) {
            SCOPED_TRACE(std::string(operation.Name) + ", error " + std::to_string(error));
            ASSERT_FALSE(Run(operation, 1000, error));
            EXPECT_EQ(error, GetLastError());
            EXPECT_EQ(HeldFiles::PAUSE_COUNT + 1, g_hold.Calls);
            const DWORD waited = std::accumulate(g_hold.Pauses.begin(), g_hold.Pauses.end(), DWORD {0});
            EXPECT_EQ(HeldFiles::WAIT_BOUND_MS, waited);
            EXPECT_GE(waited, 1500u);
            EXPECT_LE(waited, 2500u);
            EXPECT_EQ("target", ReadBytes(target)) << "nothing happened to the file";
        }
}

// Failures that no wait mends: other errors, and access denied where the
// file is missing, read-only or a folder.
TEST_F(HeldFilesTest, OtherFailuresAreNotWaitedFor)
{
    const std::string folder = tree / "folder";
    FileTree::MakeFolder(folder);
    WriteBytes(tree / "readonly.htm", "");
    SetFileAttributesA((tree / "readonly.htm").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(HeldFiles::IsHeld(ERROR_ACCESS_DENIED, (tree / "missing.htm").c_str()));
    EXPECT_FALSE(HeldFiles::IsHeld(ERROR_ACCESS_DENIED, (tree / "readonly.htm").c_str()));
    EXPECT_FALSE(HeldFiles::IsHeld(ERROR_ACCESS_DENIED, folder.c_str()));
    EXPECT_TRUE(HeldFiles::IsHeld(ERROR_SHARING_VIOLATION, (tree / "missing.htm").c_str()));
    SetFileAttributesA((tree / "readonly.htm").c_str(), FILE_ATTRIBUTE_NORMAL);

    for (DWORD error : {DWORD {ERROR_DISK_FULL}, DWORD {ERROR_WRITE_PROTECT}, DWORD {ERROR_PATH_NOT_FOUND}}) {
        SCOPED_TRACE("error " + std::to_string(error));
        ASSERT_FALSE(Run(Operations()[0], 1000, error));
        EXPECT_EQ(error, GetLastError());
        EXPECT_EQ(1, g_hold.Calls);
        EXPECT_TRUE(g_hold.Pauses.empty());
    }
    g_hold = Hold();
    g_hold.Failures = 1000;
    g_hold.Error = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(HeldFiles::Delete((tree / "missing.htm").c_str()));
    EXPECT_EQ(1, g_hold.Calls);
    EXPECT_EQ(0, RetryLines());
}
