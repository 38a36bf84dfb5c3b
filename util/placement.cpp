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
        case ABE_LEFT:
            return 2;
        case ABE_TOP:
            return 0;
        case ABE_RIGHT:
            return 3;
        case ABE_BOTTOM:
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

void PlaceWindow(WindowHandle& window, int32_t placement, const DesktopGeometry& desktop) {
    Rect area;
    if (!desktop.WorkArea(area)) return;
    // Widen by the taskbar, so the taskbar's strip counts as part of the screen.
    int64_t waLeft = area.left, waTop = area.top, waRight = area.right, waBottom = area.bottom;
    Rect tb;
    switch (GetTaskbarEdge(tb, desktop)) {
        case 0:
            waTop -= tb.bottom;
            break;
        case 1:
            waBottom += tb.bottom - tb.top;
            break;
        case 2:
            waLeft -= tb.right;
            break;
        case 3:
            waRight += tb.right - tb.left;
            break;
        default:
            break;
    }

    int32_t L, T, W, H;
    if (!GetWindowBounds(window, L, T, W, H)) return;

    int64_t left = L, top = T, width = W, height = H;
    switch (placement) {
        case FullHeight:
            top = waTop;
            height = waBottom - waTop;
            break;
        case FullWidth:
            left = waLeft;
            width = waRight - waLeft;
            break;
        case TopEdge:
            top = waTop;
            break;
        case BottomEdge:
            top = waBottom - H;
            break;
        case LeftEdge:
            left = waLeft;
            break;
        case RightEdge:
            left = waRight - W;
            break;
        case TopLeftCorner:
            left = waLeft;
            top = waTop;
            break;
        case TopRightCorner:
            left = waRight - W;
            top = waTop;
            break;
        case BottomLeftCorner:
            left = waLeft;
            top = waBottom - H;
            break;
        case BottomRightCorner:
            left = waRight - W;
            top = waBottom - H;
            break;
        // Centre and the halves measure from the screen's origin, not from the work area's corner.
        case Centre:
            left = Half(waRight - W);
            top = Half(waBottom - H);
            break;
        case TopHalf:
            left = waLeft;
            top = waTop;
            width = waRight;
            height = Half(waBottom);
            break;
        case BottomHalf:
            left = waLeft;
            top = Half(waBottom);
            width = waRight;
            height = Half(waBottom);
            break;
        case LeftHalf:
            left = waLeft;
            top = waTop;
            width = Half(waRight);
            height = waBottom - waTop;
            break;
        case RightHalf:
            left = Half(waRight);
            top = waTop;
            width = Half(waRight);
            height = waBottom - waTop;
            break;
        default:
            break;
    }
    window.Move(Saturate(left), Saturate(top), Saturate(width), Saturate(height), true);
}

void EnsureWindowVisible(WindowHandle& window, const DesktopGeometry& desktop) {
    if (window.IsMaximized()) return;
    int32_t left, top, width, height;
    if (!GetWindowBounds(window, left, top, width, height) || IsOffAllMonitors(left, top, width, height, desktop)) {
        PlaceWindow(window, Centre, desktop);
    }
}

}  // namespace Tormvale
