#include "core/variants.h"

#include <cstdint>

#include "core/caseshift.h"
#include "util/lcmap.h"
#include "util/mappings.h"

namespace Varnopile {

namespace {

std::uint32_t LocaleFlag(Mapping mapping) {
    switch (mapping) {
        case Mapping::HalfWidth:
            return Tormvale::LcmapHalfWidth;
        case Mapping::FullWidth:
            return Tormvale::LcmapFullWidth;
        case Mapping::Katakana:
            return Tormvale::LcmapKatakana;
        case Mapping::Hiragana:
            return Tormvale::LcmapHiragana;
        case Mapping::LowerCase:
        case Mapping::UpperCase:
            break;
    }
    return 0;
}

std::u16string Shifted(const std::u16string& text, Mapping mapping) {
    std::u16string out(text.size(), u'\0');
    ShiftLetters(text.data(), text.size(), out.data(), ShiftOf(mapping));
    return out;
}

}  // namespace

std::u16string MapLowerCase(const std::u16string& text) { return Shifted(text, Mapping::LowerCase); }
std::u16string MapUpperCase(const std::u16string& text) { return Shifted(text, Mapping::UpperCase); }

std::u16string Map(Mapping mapping, const std::u16string& text, MapSource source) {
    if (IsCaseMapping(mapping)) return Shifted(text, mapping);
    if (source == MapSource::Tables) return Tormvale::MapWithTables(LocaleFlag(mapping), text);
    return Tormvale::MapWith(LocaleFlag(mapping), text);
}

std::size_t MapUnits(Mapping mapping, const char16_t* src, std::size_t n, char16_t* dest) {
    if (IsCaseMapping(mapping)) {
        ShiftLetters(src, n, dest, ShiftOf(mapping));
        return n;
    }
    if (n == 0) return 0;
    const int written =
        Tormvale::LCMapStringW(0, LocaleFlag(mapping), src, static_cast<int>(n), dest, static_cast<int>(2 * n));
    return static_cast<std::size_t>(written);
}

}  // namespace Varnopile
