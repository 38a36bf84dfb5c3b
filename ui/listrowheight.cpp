#include "ui/listrowheight.h"

#include <cmath>

namespace Ui {

int ListRowHeight(const QString& face, int pointSize) {
    const double factor = face == QStringLiteral("メイリオ") ? 2.4 : 2.2;
    return static_cast<int>(std::lround(pointSize * factor));
}

}  // namespace Ui
