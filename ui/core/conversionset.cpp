#include "core/conversionset.h"

#include "tormvale/mappings.h"

namespace Varnopile {

const std::array<std::u16string_view, 6> ConversionLabels = {
    u"大文字→小文字", u"小文字→大文字", u"全角→半角", u"半角→全角", u"ひらがな→カタカナ", u"カタカナ→ひらがな",
};

namespace {

// Written without a branch so that the compiler vectorises it.
std::u16string ShiftRange(std::u16string text, char16_t first, char16_t delta) {
    for (char16_t& c : text) c = static_cast<char16_t>(c + (static_cast<char16_t>(c - first) < 26 ? delta : 0));
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
    const std::u16string source(s.substr(begin, end - begin));

    // Each variant comes from the trimmed source; a braced list is evaluated in order.
    return ConversionSet{MapLowerCase(source),          MapUpperCase(source),
                         Tormvale::MapHalfWidth(source), Tormvale::MapFullWidth(source),
                         Tormvale::MapKatakana(source),  Tormvale::MapHiragana(source)};
}

}  // namespace Varnopile
