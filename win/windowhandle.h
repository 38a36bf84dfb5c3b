#pragma once
// A window's outer bounds for the placement rules and the settings, through the system's own calls.
// A minimised window reports the bounds it has when restored, which is what the settings keep; the
// placement check runs before the window is first shown, when it cannot be minimised.
#include <windows.h>

#include "util/placement.h"

namespace Win {

class WindowHandle final : public Tormvale::WindowHandle {
public:
    explicit WindowHandle(HWND window) : window_(window) {}

    bool GetRect(Tormvale::Rect& rect) const override;
    bool IsMaximized() const override;
    void Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) override;

private:
    HWND window_;
};

}  // namespace Win
