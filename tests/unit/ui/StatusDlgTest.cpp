// The status window: progress shown through the view, and closing it only
// raises the cancel request.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/TarvelDoc.h"
#include "app/TarvelView.h"
#include "res/resource.h"

#include <string>

namespace {

class StatusDlgTest : public ::testing::Test
{
protected:
    CTarvelDoc doc;
    CTarvelView view;

    void SetUp() override
    {
        doc.AddView(&view);
        ASSERT_TRUE(view.ShowStatus());
        ASSERT_EQ(view.IsStatusShown, 1);
    }
    void TearDown() override
    {
        view.CloseStatus();
        doc.RemoveView(&view);
    }

    HWND Dlg() const { return view.StatusDlg.m_hWnd; }
    std::string Label() const
    {
        char text[MAX_PATH] = {};
        GetDlgItemTextA(Dlg(), IDC_FILE_NAME, text, sizeof(text));
        return text;
    }
    int BarPos() const { return static_cast<int>(SendDlgItemMessageA(Dlg(), IDC_PROGRESS, PBM_GETPOS, 0, 0)); }
};

} // namespace

TEST_F(StatusDlgTest, OpensAt400By180WithAnEmptyBarAndABlankLabel)
{
    RECT rc;
    GetWindowRect(Dlg(), &rc);
    EXPECT_EQ(rc.right - rc.left, 400);
    EXPECT_EQ(rc.bottom - rc.top, 180);
    EXPECT_TRUE(IsWindowVisible(Dlg()));
    EXPECT_EQ(BarPos(), 0);
    EXPECT_EQ(Label(), " ");
    EXPECT_FALSE(view.PumpMessages());
}

TEST_F(StatusDlgTest, RefreshShowsThePositionAndTheFileNamePart)
{
    doc.ProgressPosition = 42;
    doc.CurrentItem = "C:\\Docs\\guide\\page.htm";
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(BarPos(), 42);
    EXPECT_EQ(Label(), "page.htm");

    doc.CurrentItem = "C:\\Docs\\guide\\";
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(Label(), "");
}

TEST_F(StatusDlgTest, CloseBoxAndEscOnlyRaiseTheCancelRequest)
{
    PostMessageA(Dlg(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(view.PumpMessages());
    EXPECT_TRUE(IsWindow(Dlg()));
    EXPECT_TRUE(IsWindowVisible(Dlg()));
    // Once raised, it stays raised.
    EXPECT_TRUE(view.PumpMessages());

    view.StatusDlg.CancelRequest = 0;
    PostMessageA(Dlg(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(view.PumpMessages());
    EXPECT_TRUE(IsWindowVisible(Dlg()));

    view.StatusDlg.CancelRequest = 0;
    PostMessageA(Dlg(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(view.PumpMessages());
    EXPECT_TRUE(IsWindowVisible(Dlg()));
}

TEST_F(StatusDlgTest, WithoutTheWindowNothingIsPumped)
{
    view.CloseStatus();
    EXPECT_EQ(view.IsStatusShown, 0);
    PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, 0);
    EXPECT_FALSE(view.PumpMessages());
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_NULL, WM_NULL, PM_REMOVE)); // still waiting in the queue
}

TEST(StatusFileName, StepsOverDoubleByteCharacters)
{
    EXPECT_EQ(std::string(CStatusDlg::FileNamePart("page.htm")), "page.htm");
    EXPECT_EQ(std::string(CStatusDlg::FileNamePart("")), "");
    // "表" (0x95 0x5C) is one character, not a folder separator.
    EXPECT_EQ(std::string(CStatusDlg::FileNamePart("C:\\Docs\\\x95\x5C.htm")), "\x95\x5C.htm");
    EXPECT_EQ(std::string(CStatusDlg::FileNamePart("C:\\Docs\\\x83\x5C")), "\x83\x5C");
}
