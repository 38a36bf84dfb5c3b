#pragma once
#include <QFont>

namespace Platform {

// The platform theme's menu font, else the general system font; only face and size are used.
QFont MenuFont();

// Whole points, halves away from zero; pixel-sized fonts convert at the given resolution.
int PointSizeOf(const QFont& font, double dpi = 96.0);

}  // namespace Platform
