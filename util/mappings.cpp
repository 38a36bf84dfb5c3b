#include "tormvale/mappings.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "tormvale/lcmap.h"

namespace Tormvale {

namespace {

std::u16string MapWith(std::uint32_t flag, const std::u16string& text) {
    const std::uint32_t locale = GetUserDefaultLCID();
    std::u16string buffer(MappingBufferSize, u'\0');
    // The count covers the terminator, so a successful call ends its output with a NUL.
    const bool countable = text.size() < static_cast<std::size_t>(std::numeric_limits<int>::max());
    if (!countable || LCMapStringW(locale, flag, text.c_str(), static_cast<int>(text.size()) + 1, buffer.data(),
                                   MappingBufferSize) == 0)
        std::fill(buffer.begin(), buffer.end(), u'\0');  // a failed call may have written part of its output
    buffer.resize(static_cast<std::size_t>(std::find(buffer.begin(), buffer.end(), u'\0') - buffer.begin()));
    return buffer;
}

}  // namespace

std::u16string MapHalfWidth(const std::u16string& text) { return MapWith(LCMAP_HALFWIDTH, text); }
std::u16string MapFullWidth(const std::u16string& text) { return MapWith(LCMAP_FULLWIDTH, text); }
std::u16string MapKatakana(const std::u16string& text) { return MapWith(LCMAP_KATAKANA, text); }
std::u16string MapHiragana(const std::u16string& text) { return MapWith(LCMAP_HIRAGANA, text); }

}  // namespace Tormvale
