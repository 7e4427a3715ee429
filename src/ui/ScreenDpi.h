// Lengths in pixels that a layout gives for 100 % scaling, at the screen's
// scaling. The programs declare themselves DPI aware, so Windows no longer
// stretches their windows: what is placed in fixed pixels must grow with
// the dialog font, or it is cut off at 150 %.
#pragma once

#include <windows.h>

// The screen's dots per inch as this process sees them; 96 at 100 %.
inline int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 96;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// A length written for 96 dots per inch, at `dpi`.
inline int AtDpi(int pixels, int dpi)
{
    return MulDiv(pixels, dpi, 96);
}
