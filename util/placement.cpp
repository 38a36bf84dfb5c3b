#include "util/placement.h"

#include <algorithm>
#include <limits>

namespace Tormvale {

namespace {

constexpr int64_t Int32Min = std::numeric_limits<int32_t>::min();
constexpr int64_t Int32Max = std::numeric_limits<int32_t>::max();

// Stored bounds come from a file anyone can edit, so sums may leave the int32 range.
int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp(v, Int32Min, Int32Max)); }

bool Fits(int64_t v) { return v >= Int32Min && v <= Int32Max; }

// Integer division truncating toward zero, as C++ does.
int64_t Half(int64_t v) { return v / 2; }

}  // namespace

bool GetWindowBounds(const WindowHandle& window, int32_t& left, int32_t& top, int32_t& width, int32_t& height) {
    Rect r;
    if (!window.GetRect(r)) return false;
    if (r.left == MinimisedPosition && r.top == MinimisedPosition) return false;
    left = Saturate(r.left);
    top = Saturate(r.top);
    width = Saturate(r.right - r.left);
    height = Saturate(r.bottom - r.top);
    return true;
}

int32_t GetTaskbarEdge(Rect& rect, const DesktopGeometry& desktop) {
    Rect r;
    uint32_t edge = 0;
    if (!desktop.TaskbarPosition(r, edge)) {
        rect = Rect{};
        return -1;
    }
    rect = r;
    switch (edge) {
        case AbeLeft:
            return 2;
        case AbeTop:
            return 0;
        case AbeRight:
            return 3;
        case AbeBottom:
            return 1;
        default:
            return -1;
    }
}

bool IsOffAllMonitors(int32_t left, int32_t top, int32_t width, int32_t height, const DesktopGeometry& desktop) {
    const int64_t l = left, t = top, w = width, h = height;
    const int64_t points[5][2] = {
        {l, t}, {l + w, t + h}, {l + w, t}, {l, t + h}, {l + Half(w), t + Half(h)},
    };
    for (const auto& p : points) {
        if (!Fits(p[0]) || !Fits(p[1])) continue;
        if (desktop.IsOnMonitor(static_cast<int32_t>(p[0]), static_cast<int32_t>(p[1]))) return false;
    }
    return true;
}

namespace {

struct Area {
    int64_t left, top, right, bottom;
};
struct Bounds {
    int64_t left, top, width, height;
};

// The work area widened by the taskbar, so the taskbar's strip counts as part of the screen.
bool ScreenArea(const DesktopGeometry& desktop, Area& a) {
    Rect area;
    if (!desktop.WorkArea(area)) return false;
    a = {area.left, area.top, area.right, area.bottom};
    Rect tb;
    switch (GetTaskbarEdge(tb, desktop)) {
        case 0:
            a.top -= tb.bottom;
            break;
        case 1:
            a.bottom += tb.bottom - tb.top;
            break;
        case 2:
            a.left -= tb.right;
            break;
        case 3:
            a.right += tb.right - tb.left;
            break;
        default:
            break;
    }
    return true;
}

void Place(int32_t placement, const Area& a, Bounds& b) {
    switch (placement) {
        case FullHeight:
            b.top = a.top;
            b.height = a.bottom - a.top;
            break;
        case FullWidth:
            b.left = a.left;
            b.width = a.right - a.left;
            break;
        case TopEdge:
            b.top = a.top;
            break;
        case BottomEdge:
            b.top = a.bottom - b.height;
            break;
        case LeftEdge:
            b.left = a.left;
            break;
        case RightEdge:
            b.left = a.right - b.width;
            break;
        case TopLeftCorner:
            b.left = a.left;
            b.top = a.top;
            break;
        case TopRightCorner:
            b.left = a.right - b.width;
            b.top = a.top;
            break;
        case BottomLeftCorner:
            b.left = a.left;
            b.top = a.bottom - b.height;
            break;
        case BottomRightCorner:
            b.left = a.right - b.width;
            b.top = a.bottom - b.height;
            break;
        // Centre and the halves measure from the screen's origin, not from the work area's corner.
        case Centre:
            b.left = Half(a.right - b.width);
            b.top = Half(a.bottom - b.height);
            break;
        case TopHalf:
            b.left = a.left;
            b.top = a.top;
            b.width = a.right;
            b.height = Half(a.bottom);
            break;
        case BottomHalf:
            b.left = a.left;
            b.top = Half(a.bottom);
            b.width = a.right;
            b.height = Half(a.bottom);
            break;
        case LeftHalf:
            b.left = a.left;
            b.top = a.top;
            b.width = Half(a.right);
            b.height = a.bottom - a.top;
            break;
        case RightHalf:
            b.left = Half(a.right);
            b.top = a.top;
            b.width = Half(a.right);
            b.height = a.bottom - a.top;
            break;
        default:
            break;
    }
}

}  // namespace

void PlaceWindow(WindowHandle& window, int32_t placement, const DesktopGeometry& desktop) {
    Area area;
    if (!ScreenArea(desktop, area)) return;
    int32_t left, top, width, height;
    if (!GetWindowBounds(window, left, top, width, height)) return;
    Bounds b{left, top, width, height};
    Place(placement, area, b);
    window.Move(Saturate(b.left), Saturate(b.top), Saturate(b.width), Saturate(b.height), true);
}

void EnsureWindowVisible(WindowHandle& window, const DesktopGeometry& desktop) {
    if (window.IsMaximized()) return;
    int32_t left, top, width, height;
    if (!GetWindowBounds(window, left, top, width, height) || IsOffAllMonitors(left, top, width, height, desktop)) {
        PlaceWindow(window, Centre, desktop);
    }
}

}  // namespace Tormvale
