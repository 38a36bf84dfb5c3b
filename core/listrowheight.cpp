#include "core/listrowheight.h"

#include <cmath>

namespace Varnopile {

int ListRowHeight(std::u16string_view face, int pointSize) {
    const double factor = face == u"メイリオ" ? 2.4 : 2.2;
    return static_cast<int>(std::lround(pointSize * factor));
}

}  // namespace Varnopile
