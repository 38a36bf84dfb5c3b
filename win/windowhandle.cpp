#include "win/windowhandle.h"

namespace Win {

bool WindowHandle::GetRect(Tormvale::Rect& rect) const {
    RECT r{};
    if (!GetWindowRect(window_, &r)) return false;
    rect = {r.left, r.top, r.right, r.bottom};
    return true;
}

bool WindowHandle::IsMaximized() const { return IsZoomed(window_) != 0; }

void WindowHandle::Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) {
    MoveWindow(window_, left, top, width, height, repaint ? TRUE : FALSE);
}

}  // namespace Win
