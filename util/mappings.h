#pragma once
// The four locale mappings of the conversion set. Each returns the empty text when the mapping
// fails, for instance when the output with its terminator needs more than MappingBufferSize units.
#include <cstdint>
#include <string>

namespace Tormvale {

// The destination handed to LCMapStringW, its terminating NUL included.
inline constexpr int MappingBufferSize = 32737;

// The text, up to its first NUL, under one of lcmap.h's four flags.
std::u16string MapWith(std::uint32_t flag, const std::u16string& text);

std::u16string MapHalfWidth(const std::u16string& text);
std::u16string MapFullWidth(const std::u16string& text);
std::u16string MapKatakana(const std::u16string& text);
std::u16string MapHiragana(const std::u16string& text);

}  // namespace Tormvale
