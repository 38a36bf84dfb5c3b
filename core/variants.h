#pragma once
// The variants of a clipboard text, in the order the window lists them. Everything that counts,
// names, labels or maps the variants reads this table.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Varnopile {

enum class Mapping { LowerCase, UpperCase, HalfWidth, FullWidth, Katakana, Hiragana };

struct Variant {
    std::string_view name;      // what the converter's --to takes
    std::u16string_view label;  // shown beside the variant
    Mapping mapping;
};

inline constexpr std::array Variants = {
    Variant{"lower", u"大文字→小文字", Mapping::LowerCase},
    Variant{"upper", u"小文字→大文字", Mapping::UpperCase},
    Variant{"halfwidth", u"全角→半角", Mapping::HalfWidth},
    Variant{"fullwidth", u"半角→全角", Mapping::FullWidth},
    Variant{"katakana", u"ひらがな→カタカナ", Mapping::Katakana},
    Variant{"hiragana", u"カタカナ→ひらがな", Mapping::Hiragana},
};
inline constexpr std::size_t VariantCount = Variants.size();

// The place of the variant made by `mapping`.
constexpr std::size_t IndexOf(Mapping mapping) {
    std::size_t i = 0;
    while (i < VariantCount && Variants[i].mapping != mapping) ++i;
    return i;
}

// Whose locale mappings: the system's (the window's: the platform's on Windows), or our tables on
// every system (the converter's, so that its output does not depend on the system).
enum class MapSource { System, Tables };

// The window's mapping of a clipboard text: a locale mapping ends the text at its first NUL, and
// gives the empty text when its result does not fit the mapping buffer.
std::u16string Map(Mapping mapping, const std::u16string& text, MapSource source = MapSource::System);

// Every one of the n units mapped, a NUL as any other, into dest, which has room for 2n units,
// through our tables on every system. Returns the units written.
std::size_t MapUnits(Mapping mapping, const char16_t* src, std::size_t n, char16_t* dest);

// ASCII letters only; every other unit, full-width and accented letters included, is kept.
std::u16string MapLowerCase(const std::u16string& text);
std::u16string MapUpperCase(const std::u16string& text);

}  // namespace Varnopile
