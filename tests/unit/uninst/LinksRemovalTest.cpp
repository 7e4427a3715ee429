// Removing what a log or the record names never goes through a link. Wine
// shows a folder link as a reparse point but opens it only as its target and
// never shows a file link at all, so the links here are mostly made by the
// seam table: GetFileAttributesA says which levels are links, and
// GetFileInformationByHandle whether the system opened the link itself (as
// Windows does) or its target (as Wine does). One test uses a real link.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "base/Links.h"
#include "base/SystemCalls.h"
#include "rollback/ChangeRecord.h"
#include "rollback/UndoSteps.h"
#include "uninst/RemovePackage.h"

#include <set>
#include <string>

using FileTree::Exists;
using FileTree::MakeFolder;
using FileTree::ReadBytes;
using FileTree::WriteBytes;

namespace {

// The paths the seams show as links, compared without regard to case.
std::set<std::string> g_links;
bool g_opensLinkItself = false;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

DWORD WINAPI LinkAttributes(LPCSTR path)
{
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && g_links.count(Lower(path)))
        return attributes | FILE_ATTRIBUTE_REPARSE_POINT;
    return attributes;
}

BOOL WINAPI HandleInformation(HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info)
{
    if (!GetFileInformationByHandle(handle, info))
        return FALSE;
    if (g_opensLinkItself)
        info->dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    return TRUE;
}

class LinksRemoval : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_links.clear();
        g_opensLinkItself = false;
        Sys().GetFileAttributesA = LinkAttributes;
        Sys().GetFileInformationByHandle = HandleInformation;
        installed = tree / "Guide\\";
        for (const char* folder : {"Guide", "Guide\\img", "Guide\\img\\sub"})
            MakeFolder(tree / folder);
        WriteBytes(tree / "Guide\\index.htm", "index");
        WriteBytes(tree / "Guide\\img\\a.gif", "gif");
        WriteBytes(tree / "Guide\\img\\sub\\b.gif", "gif");
        WriteBytes(tree / "Guide\\setupf.cfn", "log");
    }
    void TearDown() override { ResetSystemCalls(); }

    void Link(const std::string& relative) { g_links.insert(Lower(installed + relative)); }

    UninstallPlan Plan() const
    {
        UninstallPlan plan;
        plan.InstallFolder = installed.c_str();
        plan.LogPath = (installed + "setupf.cfn").c_str();
        plan.SharedFilesLogPath = (installed + "sharedf.cfn").c_str();
        for (const char* file : {"index.htm", "img\\a.gif", "img\\sub\\b.gif"})
            plan.Files.push_back((installed + file).c_str());
        for (const char* folder : {"img", "img\\sub"})
            plan.Folders.push_back((installed + folder).c_str());
        return plan;
    }

    static std::vector<std::string> Texts(const std::vector<CString>& items)
    {
        std::vector<std::string> out;
        for (const CString& item : items)
            out.push_back(item.str());
        return out;
    }

    FileTree::TempTree tree;
    std::string installed;
};

TEST_F(LinksRemoval, FirstLinkIsTheOutermostLevelBelowTheRoot)
{
    Link("img");
    Link("img\\sub");
    auto first = [&](const std::string& root, const std::string& relative) {
        return Links::FirstLinkBelow(root.c_str(), (installed + relative).c_str()).str();
    };
    EXPECT_EQ(installed + "img", first(installed, "img\\sub\\b.gif"));
    EXPECT_EQ(installed + "img", first(installed, "img\\"));
    EXPECT_EQ("", first(installed, "index.htm"));
    // The root itself is not asked: a relocated program-files folder is the owner's choice.
    g_links.insert(Lower(tree / "Guide"));
    EXPECT_EQ("", first(installed, "index.htm"));
    // Outside the root, only the item itself.
    EXPECT_EQ(installed + "img", first(tree / "Other", "img"));
    EXPECT_EQ("", first("", "img\\a.gif"));
}

TEST_F(LinksRemoval, NothingBehindALinkedFolderIsRemovedAndTheLinkIsNamed)
{
    Link("img");
    const RemovalOutcome outcome = RemovePackage(Plan(), (installed + "uninst.exe").c_str(), nullptr);
    // Behind the link: the target's files, untouched.
    EXPECT_EQ("gif", ReadBytes(installed + "img\\a.gif"));
    EXPECT_EQ("gif", ReadBytes(installed + "img\\sub\\b.gif"));
    EXPECT_FALSE(Exists(installed + "index.htm"));
    // A system that opens only the target cannot remove the link alone: it stays, named once.
    EXPECT_EQ(std::vector<std::string>{installed + "img"}, Texts(outcome.Left));
}

TEST_F(LinksRemoval, ALinkTheSystemOpensItselfGoesAsTheLinkAlone)
{
    // On Windows the link itself is opened and deleted, whatever its target
    // holds; here an empty folder stands for it.
    ASSERT_TRUE(DeleteFileA((installed + "img\\sub\\b.gif").c_str()));
    Link("img\\sub");
    g_opensLinkItself = true;
    const RemovalOutcome outcome = RemovePackage(Plan(), (installed + "uninst.exe").c_str(), nullptr);
    EXPECT_TRUE(outcome.Left.empty()) << ::testing::PrintToString(Texts(outcome.Left));
    EXPECT_FALSE(Exists(installed + "img"));
}

TEST_F(LinksRemoval, ALinkedFileIsRemovedOnlyAsALink)
{
    Link("index.htm");
    RemovalOutcome outcome = RemovePackage(Plan(), (installed + "uninst.exe").c_str(), nullptr);
    EXPECT_EQ("index", ReadBytes(installed + "index.htm"));
    EXPECT_EQ(std::vector<std::string>{installed + "index.htm"}, Texts(outcome.Left));

    g_opensLinkItself = true;
    EXPECT_TRUE(Undo::RemoveFile((installed + "index.htm").c_str()));
    EXPECT_FALSE(Exists(installed + "index.htm"));
}

TEST_F(LinksRemoval, TheUndoTakesNothingBackBehindALink)
{
    ChangeRecord record;
    record.SetLinkRoot(Change::Area::Package, installed.c_str());
    record.FolderCreated(Change::Area::Package, (installed + "img").c_str());
    MakeFolder(installed + "img\\empty");
    record.FolderCreated(Change::Area::Package, (installed + "img\\empty").c_str());
    record.FileWritten(Change::Area::Package, (installed + "img\\a.gif").c_str());
    record.FileWritten(Change::Area::Package, (installed + "index.htm").c_str());
    Link("img");
    record.UndoAll();
    EXPECT_EQ("gif", ReadBytes(installed + "img\\a.gif"));
    // An empty folder behind the link is the target's too, also at the undo's second look.
    EXPECT_TRUE(Exists(installed + "img\\empty"));
    EXPECT_FALSE(Exists(installed + "index.htm"));
}

// A real Unix link to a folder outside, which Wine's own RemoveDirectory
// would empty of its target when the target is empty: the undo keeps both.
TEST(RealLink, RemovingAFolderLinkNeverRemovesItsTarget)
{
    ResetSystemCalls();
    FileTree::TempTree tree;
    MakeFolder(tree / "outside");
    MakeFolder(tree / "installed");
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<UnixFileName>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix)
        GTEST_SKIP() << "not under Wine";
    auto unix = [&](const std::string& path) {
        std::wstring wide(path.begin(), path.end());
        char* text = toUnix(wide.c_str());
        std::string result = text ? text : "";
        HeapFree(GetProcessHeap(), 0, text);
        return result;
    };
    const std::string link = tree / "installed\\img";
    auto run = [](std::string command) {
        STARTUPINFOA startup = {sizeof startup};
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(
                nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    };
    run("Z:\\bin\\ln -s " + unix(tree / "outside") + " " + unix(link));
    for (int wait = 0; wait < 100 && !Links::IsLink(link.c_str()); ++wait)
        Sleep(50);
    ASSERT_TRUE(Links::IsLink(link.c_str()));

    EXPECT_FALSE(Undo::RemoveFolderIfEmpty(link.c_str()));
    EXPECT_TRUE(FileTree::Exists(tree / "outside"));
    EXPECT_TRUE(Links::IsLink(link.c_str()));

    run("Z:\\bin\\rm -f " + unix(link));
    for (int wait = 0; wait < 100 && Links::IsLink(link.c_str()); ++wait)
        Sleep(50);
}

} // namespace
