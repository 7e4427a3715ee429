// The clean-up copy's folder: new, of a name nobody can guess, never one
// that was there before, and open to SYSTEM, the Administrators and the
// running user only. Wine keeps no access rules, so the rules are read from
// what the folder is made with.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "FileTree.h"
#include "uninst/CleanupFolder.h"

#include <sddl.h>

#include <set>
#include <string>
#include <vector>

namespace {

struct MadeFolder
{
    std::string Path;
    std::string Rules; // the access rules it was made with, as SDDL
};

std::vector<MadeFolder> g_made;
int g_takenAhead = 0; // names someone else makes first, before the call
DWORD g_failure = ERROR_SUCCESS;

BOOL WINAPI RecordingCreateDirectory(LPCSTR path, LPSECURITY_ATTRIBUTES security)
{
    MadeFolder made{path, ""};
    char* rules = nullptr;
    if (security && security->lpSecurityDescriptor
        && ConvertSecurityDescriptorToStringSecurityDescriptorA(security->lpSecurityDescriptor, SDDL_REVISION_1,
                                                                DACL_SECURITY_INFORMATION, &rules, nullptr)) {
        made.Rules = rules;
        LocalFree(rules);
    }
    g_made.push_back(made);
    if (g_failure != ERROR_SUCCESS) {
        SetLastError(g_failure);
        return FALSE;
    }
    if (g_takenAhead > 0) {
        --g_takenAhead;
        FileTree::MakeNewFolder(path);
        FileTree::WriteBytes(std::string(path) + "\\planted.dll", "planted");
    }
    return CreateDirectoryA(path, security);
}

std::string UserSid()
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[256] = {};
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
    CloseHandle(token);
    char* sid = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid))
        return "<unknown>";
    std::string text = sid;
    LocalFree(sid);
    return text;
}

std::string TempFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof(temp), temp);
    return temp;
}

class CleanupFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_made.clear();
        g_takenAhead = 0;
        g_failure = ERROR_SUCCESS;
        Sys().CreateDirectoryA = &RecordingCreateDirectory;
    }
    void TearDown() override
    {
        ResetSystemCalls();
        for (const MadeFolder& made : g_made)
            FileTree::RemoveTree(made.Path);
    }
};

TEST_F(CleanupFolderTest, NewFolderOfARandomNameOpenOnlyToSystemAdministratorsAndTheUser)
{
    const CString first = CleanupFolder::Create();
    const CString second = CleanupFolder::Create();
    ASSERT_FALSE(first.IsEmpty());
    ASSERT_FALSE(second.IsEmpty());
    EXPECT_NE(first, second);
    for (const CString& folder : {first, second}) {
        EXPECT_TRUE(FileTree::IsFolder(folder.str())) << folder.str();
        EXPECT_TRUE(CleanupFolder::IsCleanupFolder(folder)) << folder.str();
        EXPECT_EQ(folder.Left(static_cast<int>(TempFolder().size())).str(), TempFolder());
    }
    ASSERT_EQ(g_made.size(), 2u);
    // P: nothing passed on from the temporary folder; each rule passed on
    // to the copy inside.
    const std::string rules = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + UserSid() + ")";
    EXPECT_EQ(g_made[0].Rules, rules);
    EXPECT_EQ(g_made[1].Rules, rules);
}

TEST_F(CleanupFolderTest, NameSomeoneTookFirstIsLeftAloneAndAnotherMade)
{
    g_takenAhead = 2;
    const CString folder = CleanupFolder::Create();
    ASSERT_EQ(g_made.size(), 3u);
    EXPECT_EQ(folder.str(), g_made[2].Path);
    std::set<std::string> names;
    for (const MadeFolder& made : g_made)
        names.insert(made.Path);
    EXPECT_EQ(names.size(), 3u) << "a taken name was tried again";
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(FileTree::ReadBytes(g_made[i].Path + "\\planted.dll"), "planted");
    EXPECT_FALSE(FileTree::Exists(folder.str() + "\\planted.dll"));
}

TEST_F(CleanupFolderTest, GivesUpWhenNoFolderCanBeMade)
{
    // Refused: no other name would fare better.
    g_failure = ERROR_ACCESS_DENIED;
    EXPECT_TRUE(CleanupFolder::Create().IsEmpty());
    EXPECT_EQ(g_made.size(), 1u);

    // Every name taken: a few tries, then no folder rather than a used one.
    g_made.clear();
    g_failure = ERROR_ALREADY_EXISTS;
    EXPECT_TRUE(CleanupFolder::Create().IsEmpty());
    EXPECT_GT(g_made.size(), 1u);
    EXPECT_LE(g_made.size(), 16u);
}

std::string g_temp2Root;

DWORD WINAPI FakeGetTempPath2(DWORD size, LPSTR buffer)
{
    lstrcpynA(buffer, g_temp2Root.c_str(), static_cast<int>(size));
    return static_cast<DWORD>(g_temp2Root.size());
}

// SYSTEM's own temporary folder, where the system has the call.
TEST_F(CleanupFolderTest, TakesTheTemporaryFolderOfGetTempPath2WhereThereIsOne)
{
    FileTree::TempTree tree;
    const std::string root = tree.Root() + "\\";
    g_temp2Root = root;
    Sys().GetTempPath2A = &FakeGetTempPath2;
    const CString folder = CleanupFolder::Create();
    ASSERT_FALSE(folder.IsEmpty());
    EXPECT_EQ(folder.Left(static_cast<int>(root.size())).str(), root);
    EXPECT_TRUE(FileTree::IsFolder(folder.str()));
}

TEST(CleanupFolderName, OnlyTheNamesCreateGives)
{
    EXPECT_TRUE(CleanupFolder::IsCleanupFolder("C:\\Temp\\tvuninst-0123456789abcdef"));
    EXPECT_TRUE(CleanupFolder::IsCleanupFolder("C:\\Temp\\tvuninst-0123456789abcdef\\"));
    EXPECT_FALSE(CleanupFolder::IsCleanupFolder("C:\\Temp"));
    EXPECT_FALSE(CleanupFolder::IsCleanupFolder("C:\\Temp\\tvuninst-1234"));
    EXPECT_FALSE(CleanupFolder::IsCleanupFolder("C:\\Temp\\tvuninst-0123456789abcdefg"));
    EXPECT_FALSE(CleanupFolder::IsCleanupFolder("C:\\Temp\\tvuninst-0123456789abcdeX"));
    EXPECT_FALSE(CleanupFolder::IsCleanupFolder("C:\\Program Files\\Guide"));
}

} // namespace
