#include "win/windowhandle.h"

namespace Win {

bool WindowHandle::GetRect(Tormvale::Rect& rect) const {
    RECT r{};
    if (IsIconic(window_)) {
        // The bounds it has when restored, moved from the work area's coordinates to the screen's.
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        if (!GetWindowPlacement(window_, &placement)) return false;
        r = placement.rcNormalPosition;
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY), &monitor))
            OffsetRect(&r, monitor.rcWork.left - monitor.rcMonitor.left, monitor.rcWork.top - monitor.rcMonitor.top);
    } else if (!GetWindowRect(window_, &r)) {
        return false;
    }
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool WindowHandle::IsMaximized() const { return IsZoomed(window_) != 0; }

void WindowHandle::Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    MoveWindow(window_, left, top, width, height, repaint ? TRUE : FALSE);
}

}  // namespace Win
