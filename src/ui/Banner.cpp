// The package's banner in the install-folder dialog: a bitmap file drawn at
// its own size, centred on white, into control 1009. It is loaded each time
// the window is created and deleted when the window goes.
#include "InstallFolderDlg.h"

#include "res/resource.h"

namespace {

// A device context of one window, released on every path.
class WindowDC
{
public:
    explicit WindowDC(HWND hwnd) : m_hwnd(hwnd), m_hdc(::GetDC(hwnd)) {}
    ~WindowDC()
    {
        if (m_hdc)
            ::ReleaseDC(m_hwnd, m_hdc);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    operator HDC() const { return m_hdc; }

private:
    HWND m_hwnd;
    HDC m_hdc;
};

// A memory device context with one bitmap selected into it; the previous
// bitmap goes back in before the context is deleted.
class MemoryDC
{
public:
    MemoryDC(HDC like, HBITMAP bitmap) : m_hdc(::CreateCompatibleDC(like))
    {
        if (m_hdc && bitmap)
            m_old = ::SelectObject(m_hdc, bitmap);
    }
    ~MemoryDC()
    {
        if (!m_hdc)
            return;
        if (m_old)
            ::SelectObject(m_hdc, m_old);
        ::DeleteDC(m_hdc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return m_hdc; }
    // FALSE when the bitmap could not be selected (not a bitmap, or none).
    bool HasBitmap() const { return m_old != nullptr; }

private:
    HDC m_hdc;
    HGDIOBJ m_old = nullptr;
};

} // namespace

void CInstallFolderDlg::LoadBanner()
{
    if (BannerFile.IsEmpty())
        return;
    BannerHandle = static_cast<HBITMAP>(LoadImageA(nullptr, BannerFile, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    // A handle still held belongs to an earlier window's lifetime; it is not
    // ours to delete here.
    Banner.Detach();
    Banner.Attach(BannerHandle);
    // A file that is not a loadable bitmap leaves the description empty, and
    // the banner paints plain white.
    BannerInfo = BITMAP();
    if (BannerHandle)
        Banner.GetObject(sizeof(BannerInfo), &BannerInfo);
}

void CInstallFolderDlg::PaintBanner()
{
    if (BannerFile.IsEmpty())
        return;
    HWND control = GetDlgItem(IDC_BANNER);
    if (!control)
        return;
    WindowDC dc(control);
    if (!dc)
        return;
    RECT client;
    ::GetClientRect(control, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    MemoryDC memory(dc, Banner);
    ::BitBlt(dc, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
    if (!memory || !memory.HasBitmap())
        return;

    // Centred when smaller, from the top left corner when larger: a banner is
    // never scaled, a large one is cut at the right and bottom.
    const int x = width > BannerInfo.bmWidth ? (width - BannerInfo.bmWidth) / 2 : 0;
    const int y = height > BannerInfo.bmHeight ? (height - BannerInfo.bmHeight) / 2 : 0;
    ::BitBlt(dc, x, y, BannerInfo.bmWidth, BannerInfo.bmHeight, memory, 0, 0, SRCCOPY);
}

void CInstallFolderDlg::ReleaseBanner()
{
    if (BannerFile.IsEmpty())
        return;
    Banner.DeleteObject();
    BannerHandle = nullptr;
}
