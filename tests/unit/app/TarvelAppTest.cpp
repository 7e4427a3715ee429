// Start-up pieces of the application object: the single-instance guard, the
// installer's own folder and the journal of created folders.
#include <gtest/gtest.h>

#include "FileTree.h"
#include "TestSupport.h"
#include "base/SystemCalls.h"
#include "app/TarvelApp.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"
#include "res/resource.h"
#include "ui/MainFrame.h"

#include <string>

namespace {

const char INSTANCE_MUTEX[] = "h_tarvel_installer_PrevInstance";

HANDLE WINAPI NoMutexYet(DWORD, BOOL, LPCSTR)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

// Releases what AcquireSingleInstance took, whatever the test did.
struct InstanceGuard
{
    ~InstanceGuard()
    {
        CTarvelApp& app = TestApp();
        if (app.InstanceMutex)
            CloseHandle(app.InstanceMutex);
        app.InstanceMutex = nullptr;
        ResetSystemCalls();
    }
};

// Empties the journal before and after a test.
struct JournalGuard
{
    JournalGuard() { Clear(); }
    ~JournalGuard() { Clear(); }
    static void Clear() { ResetJournal(); }
};

using FileTree::Exists;

} // namespace

TEST(SingleInstance, FirstStartTakesTheMutexAndASecondIsRefused)
{
    InstanceGuard guard;
    ASSERT_TRUE(TestApp().AcquireSingleInstance());
    ASSERT_NE(TestApp().InstanceMutex, nullptr);

    HANDLE first = TestApp().InstanceMutex;
    TestApp().InstanceMutex = nullptr;
    EXPECT_FALSE(TestApp().AcquireSingleInstance());
    EXPECT_EQ(TestApp().InstanceMutex, nullptr);
    CloseHandle(first);
}

TEST(SingleInstance, AStartThatSlipsPastTheCheckIsStillRefused)
{
    InstanceGuard guard;
    // Another instance creates the mutex between our check and our creation:
    // the check sees nothing, the creation finds it there.
    HANDLE other = CreateMutexA(nullptr, FALSE, INSTANCE_MUTEX);
    ASSERT_NE(other, nullptr);
    Sys().OpenMutexA = NoMutexYet;

    EXPECT_FALSE(TestApp().AcquireSingleInstance());
    EXPECT_EQ(TestApp().InstanceMutex, nullptr);
    CloseHandle(other);
}

TEST(InstallerFolder, CutsAtTheLastSingleByteBackslash)
{
    EXPECT_EQ(std::string(CTarvelApp::InstallerFolderOf("C:\\Pkg\\setup\\tarvel.exe")), "C:\\Pkg\\setup");
    // No backslash at all: the path is used whole.
    EXPECT_EQ(std::string(CTarvelApp::InstallerFolderOf("tarvel.exe")), "tarvel.exe");
    // "表" ends in 0x5C: the folder is not cut inside it.
    EXPECT_EQ(std::string(CTarvelApp::InstallerFolderOf("C:\\\x95\x5C\\tarvel.exe")), "C:\\\x95\x5C");
    EXPECT_EQ(std::string(CTarvelApp::InstallerFolderOf("C:\\Pkg\\\x83\x5C")), "C:\\Pkg");
}

TEST(Journal, EmptyListCopiesNothing)
{
    JournalGuard guard;
    CStringArray out;
    out.SetSize(2);
    out.SetAt(0, "keep");
    EXPECT_EQ(TestApp().GetCreatedInstallFolders(out), 0);
    EXPECT_EQ(TestApp().GetCreatedSharedFolders(out), 0);
    EXPECT_EQ(out.GetSize(), 2);
    EXPECT_EQ(std::string(out[0]), "keep");
}

TEST(Journal, GrowsPastItsFirstTenSlotsAndKeepsTheOrder)
{
    JournalGuard guard;
    for (int i = 0; i < 25; ++i)
        TestApp().AddCreatedInstallFolder(CString("C:\\F") + CString(std::to_string(i)));
    TestApp().AddCreatedSharedFolder("C:\\Shared");

    CStringArray out;
    out.SetSize(10);
    ASSERT_EQ(TestApp().GetCreatedInstallFolders(out), 25);
    EXPECT_EQ(std::string(out[0]), "C:\\F0");
    EXPECT_EQ(std::string(out[24]), "C:\\F24");

    CStringArray shared;
    ASSERT_EQ(TestApp().GetCreatedSharedFolders(shared), 1);
    EXPECT_EQ(std::string(shared[0]), "C:\\Shared");
}

TEST(Journal, RemovalTakesInnerFoldersFirstAndLeavesFilledOnes)
{
    JournalGuard guard;
    ScriptFolder root;
    std::string a = root.Path() + "\\A";
    std::string b = a + "\\B";
    std::string c = root.Path() + "\\C";
    ASSERT_TRUE(CreateDirectoryA(a.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(b.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(c.c_str(), nullptr));
    root.WriteFile("C\\user.txt", "mine");
    // Recorded parent first, as the levels are created.
    TestApp().AddCreatedInstallFolder(a.c_str());
    TestApp().AddCreatedInstallFolder(b.c_str());
    TestApp().AddCreatedInstallFolder(c.c_str());

    CTarvelDoc doc;
    doc.RemoveCreatedInstallFolders();

    EXPECT_FALSE(Exists(b));
    EXPECT_FALSE(Exists(a));
    EXPECT_TRUE(Exists(c));
    CStringArray left;
    EXPECT_EQ(TestApp().GetCreatedInstallFolders(left), 0) << "what was undone is forgotten";
}

namespace {

CDocument* NewTestDocument() { return new CTarvelDoc; }
CFrameWnd* NewTestFrame() { return new CMainFrame; }
CView* NewTestView() { return new CTarvelView; }

} // namespace

TEST(RunCommand, EndsInTheStartFolderWithTheMainWindowClosed)
{
    CTarvelApp& app = TestApp();
    ScriptFolder start;
    ScriptFolder installer; // no setup script: the run stops at loading
    lstrcpynA(app.StartFolder, start.Path().c_str(), sizeof(app.StartFolder));
    app.AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, NewTestDocument, NewTestFrame, NewTestView));
    app.OnFileNew();
    ASSERT_NE(app.m_pMainWnd, nullptr);

    BoxRecorder boxes;
    app.OnRunSetup();

    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(current), current);
    EXPECT_EQ(std::string(current), start.Path());
    EXPECT_EQ(app.m_pMainWnd, nullptr);
    EXPECT_EQ(app.ExitCode, EXIT_FAILED_BEFORE_COPY);
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().Text, "File not found.\nAbort installation.");

    // The closed main window ended the message loop; the test goes on.
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    app.AddDocTemplate(nullptr);
    SetCurrentDirectoryA(installer.Path().c_str());
}

TEST(RunCommand, MainWindowRefusesToCloseWhileTheRunIsUnderWay)
{
    CTarvelApp& app = TestApp();
    app.AddDocTemplate(new CSingleDocTemplate(IDR_MAINFRAME, NewTestDocument, NewTestFrame, NewTestView));
    app.OnFileNew();
    ASSERT_NE(app.m_pMainWnd, nullptr);
    HWND frame = app.m_pMainWnd->m_hWnd;
    CTarvelView* view = dynamic_cast<CTarvelView*>(static_cast<CFrameWnd*>(app.m_pMainWnd)->GetActiveView());
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->ShowStatus());

    app.IsRunning = 1;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_EQ(view->StatusDlg.CancelRequest, 1); // a close from the taskbar is a cancel

    view->CloseStatus();
    app.IsRunning = 0;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    app.AddDocTemplate(nullptr);
}

// Loading the profile settings never writes the registry: a run that changes
// nothing (a cancel, a failure before the copy) leaves no profile key.
TEST(ProfileSettings, LoadingThemMakesNoKey)
{
    const std::string maker = "TarvelProfileTest" + std::to_string(GetCurrentProcessId());
    CWinApp app("Guide");
    app.SetRegistryKey(maker.c_str());
    app.LoadStdProfileSettings(4);
    HKEY key = nullptr;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, ("Software\\" + maker).c_str(), 0, KEY_READ, &key));
    if (key)
        RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\" + maker + "\\Guide").c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, ("Software\\" + maker).c_str());
}
