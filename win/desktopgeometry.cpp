#include "win/desktopgeometry.h"

#include <windows.h>
// windows.h first: the shell's header needs its types.
#include <shellapi.h>

namespace Win {

namespace {

Tormvale::Rect FromRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool DesktopGeometry::WorkArea(Tormvale::Rect& area) const {
    RECT r{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return false;
    area = FromRect(r);
    return true;
}

bool DesktopGeometry::TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const {
    APPBARDATA data{};
    data.cbSize = sizeof data;
#if !defined(_WIN64)
    static_assert(sizeof(APPBARDATA) == 36, "the 32-bit program reports an APPBARDATA of 36 bytes");
#endif
    if (!SHAppBarMessage(ABM_GETTASKBARPOS, &data)) return false;
    rect = FromRect(data.rc);
    edge = data.uEdge;
    return true;
}

bool DesktopGeometry::IsOnMonitor(int32_t x, int32_t y) const {
    return MonitorFromPoint(POINT{x, y}, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace Win
