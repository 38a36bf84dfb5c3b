#pragma once
// Per-monitor resolution: the window is laid out at 96 pixels per inch and scaled by dpi / 96.
// The calls that know a window's own resolution came with Windows 10; older systems have one
// resolution for the whole screen, so they are looked up at run time and the screen's stands in.
#include <windows.h>

namespace Win {

class Dpi {
public:
    static constexpr UINT Designed = 96;

    // The resolution of the monitor the window is on.
    static UINT ForWindow(HWND window);
    // The screen's resolution as a device context reports it (the system's, for points).
    static UINT Screen();
    // A designed length at 96 dpi, in pixels at dpi.
    static int Scale(int designed, UINT dpi) { return MulDiv(designed, static_cast<int>(dpi), Designed); }
    // The outer rectangle for a client rectangle at dpi.
    static void AdjustWindowRect(RECT& rect, DWORD style, DWORD exStyle, UINT dpi);
};

}  // namespace Win
