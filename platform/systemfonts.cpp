#include "platform/systemfonts.h"

#include <QApplication>
#include <QMenu>
#include <cmath>

namespace Platform {

QFont MenuFont() {
    // QApplication::font(className) falls back to the general font when the theme names none.
    return QApplication::font("QMenu");
}

int PointSizeOf(const QFont& font, double dpi) {
    if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
    if (font.pixelSize() > 0) return static_cast<int>(std::lround(font.pixelSize() * 72.0 / dpi));
    return 0;
}

}  // namespace Platform
