#pragma once
// Bringing a window that no monitor shows back onto the primary monitor: integer arithmetic over a
// desktop and a window reached through the two interfaces below.
#include <cstdint>

namespace Tormvale {

// right and bottom lie just outside: width = right - left, height = bottom - top. 64 bits, so a
// window whose stored left lies near the int32 limit still has a right edge.
struct Rect {
    int64_t left = 0;
    int64_t top = 0;
    int64_t right = 0;
    int64_t bottom = 0;
};

// Raw taskbar edge values, as the taskbar position reports them (the platform's ABE_*, named so
// that windows.h can be included beside).
inline constexpr uint32_t AbeLeft = 0;
inline constexpr uint32_t AbeTop = 1;
inline constexpr uint32_t AbeRight = 2;
inline constexpr uint32_t AbeBottom = 3;

// Coordinates have the primary monitor's top-left corner at (0, 0).
class DesktopGeometry {
public:
    virtual ~DesktopGeometry() = default;
    // The primary monitor's part that desktop bars leave free.
    virtual bool WorkArea(Rect& area) const = 0;
    // The taskbar's rectangle and its raw edge (Abe*); false when there is none.
    virtual bool TaskbarPosition(Rect& rect, uint32_t& edge) const = 0;
    virtual bool IsOnMonitor(int32_t x, int32_t y) const = 0;
};

class WindowHandle {
public:
    virtual ~WindowHandle() = default;
    // The outer rectangle, frame included; a minimised window reports left = top = -32000.
    virtual bool GetRect(Rect& rect) const = 0;
    virtual bool IsMaximized() const = 0;
    // Outer bounds; repaint asks for the window to be drawn again.
    virtual void Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) = 0;
};

enum WindowPlacement : int32_t {
    FullHeight = 0,
    FullWidth = 1,
    TopEdge = 2,
    BottomEdge = 3,
    LeftEdge = 4,
    RightEdge = 5,
    TopLeftCorner = 6,
    TopRightCorner = 7,
    BottomLeftCorner = 8,
    BottomRightCorner = 9,
    Centre = 10,
    TopHalf = 11,
    BottomHalf = 12,
    LeftHalf = 13,
    RightHalf = 14,
};

inline constexpr int32_t MinimisedPosition = -32000;

// False, outputs untouched, when the rectangle cannot be read or the window is minimised.
// Sums and differences beyond the int32 range saturate at its limits, here and below.
bool GetWindowBounds(const WindowHandle& window, int32_t& left, int32_t& top, int32_t& width, int32_t& height);

// Edge code: 0 top, 1 bottom, 2 left, 3 right, -1 none (then rect is empty).
int32_t GetTaskbarEdge(Rect& rect, const DesktopGeometry& desktop);

// True when none of the five test points (top-left, bottom-right, top-right, bottom-left, centre;
// tested in that order) lies on a monitor. A point beyond the int32 range lies on none.
bool IsOffAllMonitors(int32_t left, int32_t top, int32_t width, int32_t height, const DesktopGeometry& desktop);

// Any code outside 0..14 moves the window to its own bounds. Without a work area the window
// stays where it is.
void PlaceWindow(WindowHandle& window, int32_t placement, const DesktopGeometry& desktop);

// Centres a window (not maximised) that no monitor shows.
void EnsureWindowVisible(WindowHandle& window, const DesktopGeometry& desktop);

}  // namespace Tormvale
