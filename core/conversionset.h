#pragma once
// The six variants of a clipboard text: two letter cases, two widths, two kana forms.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace Varnopile {

// In MData order: lower case, upper case, half width, full width, katakana, hiragana.
using ConversionSet = std::array<std::u16string, 6>;

extern const std::array<std::u16string_view, 6> ConversionLabels;

// Units of the clipboard text kept, counted before the trim.
inline constexpr std::size_t SourceLimit = 16384;

// Cuts the text to SourceLimit units, trims units 0x0000-0x0020 from both ends and converts the rest.
// Never fails; a variant whose mapping fails is empty.
ConversionSet BuildConversionSet(const std::u16string& text);

// ASCII letters only; every other unit, full-width and accented letters included, is kept.
std::u16string MapLowerCase(const std::u16string& text);
std::u16string MapUpperCase(const std::u16string& text);

}  // namespace Varnopile
