// The install-folder dialog, created for real (modeless, hidden unless a test
// shows it): how the destination is shortened for its path control, the
// script's texts on its controls, and the banner.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "app/TarvelDoc.h"
#include "res/resource.h"
#include "script/ScriptKeys.h"
#include "ui/EndDlg.h"
#include "ui/InstallFolderDlg.h"

#include <string>

namespace {

std::string TextOf(HWND hwnd)
{
    char text[1024] = {};
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

void SetScript(CTarvelDoc& doc, std::initializer_list<ScriptEntry> entries)
{
    doc.ScriptCount = 0;
    for (const ScriptEntry& entry : entries)
        doc.SetupScript[doc.ScriptCount++] = entry;
}

// A bottom-up 24-bit bitmap file of one colour.
std::string BitmapFile(int width, int height, COLORREF colour)
{
    const int stride = (width * 3 + 3) & ~3;
    const int imageSize = stride * height;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + imageSize;
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = imageSize;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&info), sizeof(info));
    std::string row(stride, '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(colour));
        row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y)
        bytes += row;
    return bytes;
}

class InstallFolderDlgTest : public ::testing::Test
{
protected:
    CInstallFolderDlg dlg;

    void SetUp() override { ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER)); }
    void TearDown() override
    {
        if (dlg.m_hWnd)
            dlg.DestroyWindow();
    }

    HWND PathControl() const { return GetDlgItem(dlg.m_hWnd, IDC_FOLDER_PATH); }

    // Width of a text as the dialog measures it: on a device context of the
    // dialog with that context's own font.
    LONG Width(const std::string& text) const
    {
        HDC dc = GetDC(dlg.m_hWnd);
        SIZE size = {0, 0};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ReleaseDC(dlg.m_hWnd, dc);
        return size.cx;
    }

    // Makes the path control exactly this many pixels wide.
    void SetPathWidth(LONG width)
    {
        RECT rc;
        GetWindowRect(PathControl(), &rc);
        MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
        MoveWindow(PathControl(), rc.left, rc.top, width, rc.bottom - rc.top, FALSE);
    }

    std::string Fit(const std::string& path)
    {
        dlg.DestinationPath = path.c_str();
        return dlg.FitPathToControl().str();
    }
};

} // namespace

// --- FitPathToControl ----------------------------------------------------------------

TEST_F(InstallFolderDlgTest, APathThatFitsIsShownUnchanged)
{
    const std::string path = "C:\\Program Files\\Docs";
    SetPathWidth(Width(path));
    EXPECT_EQ(Fit(path), path);
}

TEST_F(InstallFolderDlgTest, ShortPathsAndTailsWithoutBackslashStayWholeEvenWhenTooWide)
{
    SetPathWidth(1);
    EXPECT_EQ(Fit("C:\\"), "C:\\");
    EXPECT_EQ(Fit("C:"), "C:");
    EXPECT_EQ(Fit(""), "");
    EXPECT_EQ(Fit("C:\\AVeryLongFolderNameThatCannotBeCut"), "C:\\AVeryLongFolderNameThatCannotBeCut");
    // Trail bytes 0x5C are no backslash to cut at.
    EXPECT_EQ(Fit("C:\\\x95\x5C\x95\x5C\x95\x5C"), "C:\\\x95\x5C\x95\x5C\x95\x5C");
}

TEST_F(InstallFolderDlgTest, LeadingFolderNamesGoOneByOneUntilThePathFits)
{
    const std::string path = "C:\\Program Files\\Docs\\Guide\\";
    SetPathWidth(Width("C:\\...\\Docs\\Guide\\"));
    EXPECT_EQ(Fit(path), "C:\\...\\Docs\\Guide\\");

    SetPathWidth(Width("C:\\...\\Guide\\"));
    EXPECT_EQ(Fit(path), "C:\\...\\Guide\\");

    // Nothing left to take: the shortest form is shown even if it overflows.
    SetPathWidth(1);
    EXPECT_EQ(Fit(path), "C:\\...\\");
    EXPECT_EQ(Fit("C:\\Program Files\\Docs"), "C:\\...\\Docs");
}

TEST_F(InstallFolderDlgTest, ShorteningNeverSplitsADoubleByteCharacter)
{
    // "表" is 0x95 0x5C: its trail byte must not count as a backslash, or the
    // last name would be cut to nothing ("C:\...\").
    SetPathWidth(1);
    EXPECT_EQ(Fit("C:\\\x95\x5C" "abc\\Guide\\\x95\x5C"), "C:\\...\\\x95\x5C");
    EXPECT_EQ(Fit("C:\\Docs\\abc\x95\x5C"), "C:\\...\\abc\x95\x5C");
}

TEST_F(InstallFolderDlgTest, TheRealControlShowsADefaultDestinationWhole)
{
    EXPECT_EQ(Fit("C:\\Program Files (x86)\\Docs"), "C:\\Program Files (x86)\\Docs");
}

// --- texts ---------------------------------------------------------------------------

TEST(InstallFolderDlgTexts, EveryControlAndTheTitleShowTheScriptsTexts)
{
    CTarvelDoc doc;
    SetScript(doc, {{SEC_INSTALL, KEY_CAPTION, "Guide Setup"},
                    {SEC_INSTALL, KEY_MSG_FOLDER_SEL, "Choose where to put the guide."},
                    {SEC_INSTALL, KEY_BUTTON_REF, "Browse..."},
                    {SEC_INSTALL, KEY_BUTTON_OK, "Install"},
                    {SEC_INSTALL, KEY_BUTTON_CANCEL, "Quit"},
                    {SEC_INSTALL, KEY_FOLDER_TITLE, "Destination"},
                    {SEC_INSTALL, KEY_MSG_SELECT_FOLDER, "Pick a folder"},
                    {SEC_INSTALL, KEY_MAKE_FOLDER_CONF, "Create it?"},
                    {SEC_ERROR, KEY_ERR_SEL_FOL_INVALID, "Invalid"},
                    {SEC_ERROR, KEY_ERR_MES_WRITE_ERROR, "Cannot write"}});
    doc.InstallFolder = "C:\\Docs";

    CInstallFolderDlg dlg;
    dlg.LoadTexts(doc);
    EXPECT_EQ(dlg.BrowseInstruction, "Pick a folder");
    EXPECT_EQ(dlg.MakeFolderQuestion, "Create it?");
    EXPECT_EQ(dlg.InvalidFolderText, "Invalid");
    EXPECT_EQ(dlg.WriteErrorText, "Cannot write");

    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    HWND hwnd = dlg.m_hWnd;
    // Before the first showing the message is in; the template's button texts still are.
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_MESSAGE)), "Choose where to put the guide.");

    dlg.ShowWindow(SW_SHOW);
    EXPECT_EQ(TextOf(hwnd), "Guide Setup");
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDOK)), "Install");
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDCANCEL)), "Quit");
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_BROWSE)), "Browse...");
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FOLDER_FRAME)), "Destination");
    EXPECT_EQ(TextOf(GetDlgItem(hwnd, IDC_FOLDER_PATH)), "C:\\Docs");
    EXPECT_EQ(dlg.DisplayedPath, "C:\\Docs");
    dlg.DestroyWindow();
}

TEST(EndDlgTexts, TheMessageButtonAndTitleComeFromTheScript)
{
    CTarvelDoc doc;
    SetScript(doc, {{SEC_INSTALL, KEY_CAPTION, "Guide Setup"},
                    {SEC_INSTALL, KEY_MSG_INSTALL_END, "The guide is installed."},
                    {SEC_INSTALL, KEY_BUTTON_OK, "Close"}});
    CEndDlg dlg;
    dlg.LoadTexts(doc);
    ASSERT_TRUE(dlg.Create(IDD_END));
    dlg.ShowWindow(SW_SHOW);
    EXPECT_EQ(TextOf(dlg.m_hWnd), "Guide Setup");
    EXPECT_EQ(TextOf(GetDlgItem(dlg.m_hWnd, IDOK)), "Close");
    EXPECT_EQ(TextOf(GetDlgItem(dlg.m_hWnd, IDC_MESSAGE)), "The guide is installed.");
    dlg.DestroyWindow();
}

// --- the banner ------------------------------------------------------------------------

namespace {

class BannerTest : public ::testing::Test
{
protected:
    ScriptFolder folder;
    CInstallFolderDlg dlg;

    void TearDown() override
    {
        if (dlg.m_hWnd)
            dlg.DestroyWindow();
    }

    // The colour at a point of the banner control, after painting it.
    COLORREF PixelAt(int x, int y)
    {
        dlg.PaintBanner();
        return ShownAt(x, y);
    }
    // The colour at a point of the banner control as it is now.
    COLORREF ShownAt(int x, int y) const
    {
        HWND banner = GetDlgItem(dlg.m_hWnd, IDC_BANNER);
        HDC dc = GetDC(banner);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(banner, dc);
        return colour;
    }
    SIZE BannerSize() const
    {
        RECT rc;
        GetClientRect(GetDlgItem(dlg.m_hWnd, IDC_BANNER), &rc);
        return {rc.right, rc.bottom};
    }
};

} // namespace

TEST_F(BannerTest, ASmallBitmapIsLoadedAtItsOwnSizeAndCentredOnWhite)
{
    folder.WriteFile("banner.bmp", BitmapFile(20, 10, RGB(255, 0, 0)));
    dlg.BannerFile = (folder.Path() + "\\banner.bmp").c_str();
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    ASSERT_NE(dlg.BannerHandle, nullptr);
    EXPECT_EQ(dlg.BannerInfo.bmWidth, 20);
    EXPECT_EQ(dlg.BannerInfo.bmHeight, 10);
    dlg.ShowWindow(SW_SHOW);

    SIZE size = BannerSize();
    ASSERT_GT(size.cx, 20);
    ASSERT_GT(size.cy, 10);
    const int x = (size.cx - 20) / 2;
    const int y = (size.cy - 10) / 2;
    EXPECT_EQ(PixelAt(x, y), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(x + 19, y + 9), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(x - 1, y), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(x + 20, y + 9), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(0, 0), RGB(255, 255, 255));

    // Released with the window; a second window loads the file afresh.
    dlg.DestroyWindow();
    EXPECT_EQ(dlg.Banner.m_hObject, nullptr);
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    EXPECT_NE(dlg.BannerHandle, nullptr);
    EXPECT_EQ(dlg.BannerInfo.bmWidth, 20);
}

// The dialog paints the banner, and then the control paints itself: the
// version 6 static control first fills its area with the brush the dialog
// gives it, which would wipe the banner out.
TEST_F(BannerTest, TheBannerStaysWhenTheDialogAndItsControlsRepaint)
{
    folder.WriteFile("banner.bmp", BitmapFile(20, 10, RGB(255, 0, 0)));
    dlg.BannerFile = (folder.Path() + "\\banner.bmp").c_str();
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    dlg.ShowWindow(SW_SHOW);
    RedrawWindow(dlg.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

    const SIZE size = BannerSize();
    EXPECT_EQ(ShownAt(size.cx / 2, size.cy / 2), RGB(255, 0, 0));
    EXPECT_EQ(ShownAt(0, 0), RGB(255, 255, 255));
}

TEST_F(BannerTest, AWideBitmapStartsAtTheLeftEdgeAndIsNotScaled)
{
    folder.WriteFile("wide.bmp", BitmapFile(2000, 4, RGB(0, 0, 255)));
    dlg.BannerFile = (folder.Path() + "\\wide.bmp").c_str();
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    dlg.ShowWindow(SW_SHOW);
    SIZE size = BannerSize();
    const int y = (size.cy - 4) / 2;
    EXPECT_EQ(PixelAt(0, y), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(size.cx - 1, y + 3), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(0, y - 1), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(0, y + 4), RGB(255, 255, 255));
}

TEST_F(BannerTest, AFileThatIsNoBitmapGivesAWhiteBanner)
{
    folder.WriteFile("banner.bmp", "this is not a bitmap");
    dlg.BannerFile = (folder.Path() + "\\banner.bmp").c_str();
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    EXPECT_EQ(dlg.BannerHandle, nullptr);
    EXPECT_EQ(dlg.BannerInfo.bmWidth, 0);
    dlg.ShowWindow(SW_SHOW);
    SIZE size = BannerSize();
    EXPECT_EQ(PixelAt(size.cx / 2, size.cy / 2), RGB(255, 255, 255));
}

TEST_F(BannerTest, WithoutABannerFileNothingIsLoaded)
{
    ASSERT_TRUE(dlg.Create(IDD_INSTALL_FOLDER));
    EXPECT_EQ(dlg.BannerHandle, nullptr);
    EXPECT_EQ(dlg.Banner.m_hObject, nullptr);
}
