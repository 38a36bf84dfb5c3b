#pragma once
// The desktop for the placement routines, over the primary QScreen. Coordinates are shifted so
// that the primary screen's top-left corner is (0, 0), as the placement arithmetic assumes; the
// window's outer bounds (ui/outerbounds) shift alike.
#include <QRect>

#include "util/placement.h"

namespace Platform {

// The widest strip that the available geometry leaves out of the screen, as a taskbar rectangle
// and raw edge (Abe*); false when the two are equal or no side is left out.
bool TaskbarStrip(const QRect& screen, const QRect& available, Tormvale::Rect& rect, uint32_t& edge);

class QtDesktopGeometry : public Tormvale::DesktopGeometry {
public:
    bool WorkArea(Tormvale::Rect& area) const override;
    bool TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const override;
    bool IsOnMonitor(int32_t x, int32_t y) const override;
};

// The primary screen's top-left corner in Qt's coordinates.
QPoint PrimaryOrigin();

// The largest outer size a window may take: the whole virtual desktop.
QSize VirtualDesktopSize();

}  // namespace Platform
