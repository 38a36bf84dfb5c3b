#pragma once
// The desktop and a window for the placement routines, over the primary QScreen and a QWidget.
// Coordinates are shifted so that the primary screen's top-left corner is (0, 0), as the placement
// arithmetic assumes; both classes shift alike, so they may be mixed freely.
#include <QRect>

#include "util/placement.h"

class QWidget;

namespace Platform {

// The widest strip that the available geometry leaves out of the screen, as a taskbar rectangle
// and raw ABE_* edge; false when the two are equal or no side is left out.
bool TaskbarStrip(const QRect& screen, const QRect& available, Tormvale::Rect& rect, uint32_t& edge);

class QtDesktopGeometry : public Tormvale::DesktopGeometry {
public:
    bool WorkArea(Tormvale::Rect& area) const override;
    bool TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const override;
    bool IsOnMonitor(int32_t x, int32_t y) const override;
};

class QtWindowHandle : public Tormvale::WindowHandle {
public:
    explicit QtWindowHandle(QWidget* window) : window_(window) {}
    // Before the window is first shown its frame is unknown and counts as zero.
    bool GetRect(Tormvale::Rect& rect) const override;
    bool IsMaximized() const override;
    // The outer frame lands at the given bounds.
    void Move(int32_t left, int32_t top, int32_t width, int32_t height, bool repaint) override;

private:
    QWidget* window_;
};

}  // namespace Platform
