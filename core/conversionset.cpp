#include "core/conversionset.h"

#include <cstdint>
#include <cstring>

#include "util/mappings.h"

namespace Varnopile {

const std::array<std::u16string_view, 6> ConversionLabels = {
    u"大文字→小文字", u"小文字→大文字", u"全角→半角", u"半角→全角", u"ひらがな→カタカナ", u"カタカナ→ひらがな",
};

namespace {

// Eight units a step: this runs twice on every Get over up to 16384 units.
std::u16string ShiftRange(std::u16string text, char16_t first, char16_t delta) {
    using Lanes = std::uint16_t __attribute__((vector_size(16)));
    constexpr std::size_t Width = sizeof(Lanes) / sizeof(char16_t);
    char16_t* p = text.data();
    const std::size_t n = text.size();
    std::size_t i = 0;
    for (; i + Width <= n; i += Width) {
        Lanes v;
        std::memcpy(&v, p + i, sizeof v);
        const Lanes offset = v - static_cast<std::uint16_t>(first);
        // All ones in the lanes that hold a letter of the range.
        const Lanes in = static_cast<Lanes>(offset < static_cast<std::uint16_t>(26));
        v += in & static_cast<std::uint16_t>(delta);
        std::memcpy(p + i, &v, sizeof v);
    }
    for (; i < n; ++i)
        if (static_cast<char16_t>(p[i] - first) < 26) p[i] = static_cast<char16_t>(p[i] + delta);
    return text;
}

}  // namespace

std::u16string MapLowerCase(const std::u16string& text) { return ShiftRange(text, u'A', 0x20); }

std::u16string MapUpperCase(const std::u16string& text) {
    return ShiftRange(text, u'a', static_cast<char16_t>(-0x20));
}

ConversionSet BuildConversionSet(const std::u16string& text) {
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
    const std::u16string& source = whole ? text : trimmed;

    // Each variant comes from the trimmed source; a braced list is evaluated in order.
    return ConversionSet{MapLowerCase(source),          MapUpperCase(source),
                         Tormvale::MapHalfWidth(source), Tormvale::MapFullWidth(source),
                         Tormvale::MapKatakana(source),  Tormvale::MapHiragana(source)};
}

}  // namespace Varnopile
