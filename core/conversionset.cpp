#include "core/conversionset.h"

#include <string_view>

namespace Varnopile {

ConversionSet BuildConversionSet(const std::u16string& text, MapSource source) {
    // The cut counts units, so it can split a surrogate pair; it comes before the trim.
    std::u16string_view s(text);
    s = s.substr(0, SourceLimit);
    std::size_t begin = 0;
    while (begin < s.size() && s[begin] <= 0x20) ++begin;
    std::size_t end = s.size();
    while (end > begin && s[end - 1] <= 0x20) --end;
    // Most texts need neither cut nor trim: convert them in place rather than copy 32 KiB.
    const bool whole = begin == 0 && end == text.size();
    const std::u16string trimmed = whole ? std::u16string() : std::u16string(s.substr(begin, end - begin));
    const std::u16string& from = whole ? text : trimmed;

    // Each variant comes from the trimmed source.
    ConversionSet set;
    for (std::size_t i = 0; i < VariantCount; ++i) set[i] = Map(Variants[i].mapping, from, source);
    return set;
}

}  // namespace Varnopile
