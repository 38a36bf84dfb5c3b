#include "util/extent.h"

#include <algorithm>
#include <climits>

namespace Tormvale {

void FitHorizontalExtent(ExtentList& list) {
    long long widest = 0;
    for (int row = 0; row < list.RowCount(); ++row) widest = std::max(widest, list.MeasureText(list.RowText(row)));
    list.SetHorizontalExtent(static_cast<int>(std::min<long long>(2 * widest, INT_MAX)));
}

}  // namespace Tormvale
