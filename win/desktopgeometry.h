#pragma once
// The primary monitor's work area, the taskbar and the monitors, as the placement rules ask.
#include "util/placement.h"

namespace Win {

class DesktopGeometry final : public Tormvale::DesktopGeometry {
public:
    bool WorkArea(Tormvale::Rect& area) const override;
    bool TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const override;
    bool IsOnMonitor(int32_t x, int32_t y) const override;
};

}  // namespace Win
