#pragma once
// Our own locale string mapping: the platform's contract, the four width and kana flags, driven
// by generated tables (widthtables.h). The same on every system; on Windows the window maps
// through the system's instead (mappings.h).
#include <cstdint>

namespace Tormvale {

// The platform's LCMAP_* flag values, named so that windows.h can be included beside.
inline constexpr std::uint32_t LcmapHiragana = 0x00100000;
inline constexpr std::uint32_t LcmapKatakana = 0x00200000;
inline constexpr std::uint32_t LcmapHalfWidth = 0x00400000;
inline constexpr std::uint32_t LcmapFullWidth = 0x00800000;

// The user's locale as a locale identifier: the system's on Windows; elsewhere read from the
// environment on every call (LC_ALL, LC_CTYPE, LANG). Our mappings do not depend on it.
std::uint32_t GetUserDefaultLCID();

// Maps srcCount units of src (-1: up to and including its NUL) under exactly one of the four
// flags. Every source unit is mapped, a NUL included, so a count that covers the terminator
// gives an output ending in NUL. Returns the units written, or 0 when the output does not fit
// in destCapacity or the arguments are bad (no source, several or unknown flags, overlapping
// buffers). A destCapacity of 0 asks for the size needed and writes nothing.
// On failure, units of dest may have been written.
int LCMapStringW(std::uint32_t locale, std::uint32_t flags, const char16_t* src, int srcCount, char16_t* dest,
                 int destCapacity);

}  // namespace Tormvale
