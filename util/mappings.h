#pragma once
// The four locale mappings of the conversion set. Each returns the empty text when the mapping
// fails, for instance when the output with its terminator needs more than MappingBufferSize units.
#include <cstdint>
#include <string>

namespace Tormvale {

// The destination handed to LCMapStringW, its terminating NUL included.
inline constexpr int MappingBufferSize = 32737;

// The text, up to its first NUL, under one of lcmap.h's four flags, through the system's mapping
// under the user's locale: the platform's LCMapStringW on Windows, our tables (lcmap.h) elsewhere.
std::u16string MapWith(std::uint32_t flag, const std::u16string& text);

// The same through our tables on every system, so that what depends on it (the converter) gives
// the same output everywhere.
std::u16string MapWithTables(std::uint32_t flag, const std::u16string& text);

// The system's mapping call that MapWith makes, with lcmap.h's contract.
int SystemMapString(std::uint32_t flag, const char16_t* src, int srcCount, char16_t* dest, int destCapacity);

std::u16string MapHalfWidth(const std::u16string& text);
std::u16string MapFullWidth(const std::u16string& text);
std::u16string MapKatakana(const std::u16string& text);
std::u16string MapHiragana(const std::u16string& text);

}  // namespace Tormvale
