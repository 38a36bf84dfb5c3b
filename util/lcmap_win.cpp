#include <windows.h>

#include "util/lcmap.h"

namespace Tormvale {

static_assert(LcmapHiragana == LCMAP_HIRAGANA && LcmapKatakana == LCMAP_KATAKANA && LcmapHalfWidth == LCMAP_HALFWIDTH &&
              LcmapFullWidth == LCMAP_FULLWIDTH);

std::uint32_t GetUserDefaultLCID() { return ::GetUserDefaultLCID(); }

}  // namespace Tormvale
