#include "win/menufont.h"

#include <windows.h>

#include <cmath>
#include <cstdlib>

#include "win/dpi.h"

namespace Win {

MenuFont MenuFont::FromSystem() {
    LOGFONTW lf{};
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        lf = metrics.lfMenuFont;
    } else if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == 0) {
        return {};
    }
    MenuFont font;
    font.face = reinterpret_cast<const char16_t*>(lf.lfFaceName);
    // The height is in pixels at the screen's resolution; points are rounded, halves away from zero.
    const double points = std::abs(lf.lfHeight) * 72.0 / Dpi::Screen();
    font.points = static_cast<int>(std::lround(points));
    return font;
}

}  // namespace Win
