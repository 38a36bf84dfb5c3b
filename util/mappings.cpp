#include "util/mappings.h"

#include <cstdint>
#include <cstring>
#include <limits>

#include "util/lcmap.h"

namespace Tormvale {

namespace {

// Index of the first NUL among the first `count` units, or `count`. Thirty-two units a step:
// this scan runs over every mapped text.
std::size_t FirstNul(const char16_t* s, std::size_t count) {
    using Lanes = std::uint16_t __attribute__((vector_size(16)));
    constexpr std::size_t Step = 4 * sizeof(Lanes) / sizeof(char16_t);
    std::size_t i = 0;
    for (; i + Step <= count; i += Step) {
        Lanes v[4];
        std::memcpy(v, s + i, sizeof v);
        const Lanes zero = static_cast<Lanes>((v[0] == 0) | (v[1] == 0) | (v[2] == 0) | (v[3] == 0));
        std::uint64_t halves[2];
        std::memcpy(halves, &zero, sizeof halves);
        if ((halves[0] | halves[1]) != 0) break;
    }
    while (i < count && s[i] != 0) ++i;
    return i;
}

using MapFunction = int (*)(std::uint32_t flag, const char16_t* src, int srcCount, char16_t* dest, int destCapacity);

int TableMapString(std::uint32_t flag, const char16_t* src, int srcCount, char16_t* dest, int destCapacity) {
    return LCMapStringW(GetUserDefaultLCID(), flag, src, srcCount, dest, destCapacity);
}

std::u16string MapThrough(MapFunction map, std::uint32_t flag, const std::u16string& text) {
    // On the stack: its pages stay mapped from call to call, where a 64 KiB heap block can go
    // back to the system when freed and fault in again on the next call.
    char16_t buffer[MappingBufferSize];
    std::memset(buffer, 0, sizeof buffer);
    if (text.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return {};
    // The count covers the terminator, so a successful call ends its output with a NUL.
    const int written = map(flag, text.c_str(), static_cast<int>(text.size()) + 1, buffer, MappingBufferSize);
    if (written == 0) {
        // A failed call may have written part of its output.
        std::memset(buffer, 0, sizeof buffer);
        return {};
    }
    // The output ends at its first NUL; units past `written` are still the zeros set up above.
    return std::u16string(buffer, FirstNul(buffer, static_cast<std::size_t>(written)));
}

}  // namespace

std::u16string MapWith(std::uint32_t flag, const std::u16string& text) {
    return MapThrough(SystemMapString, flag, text);
}

std::u16string MapWithTables(std::uint32_t flag, const std::u16string& text) {
    return MapThrough(TableMapString, flag, text);
}

std::u16string MapHalfWidth(const std::u16string& text) { return MapWith(LcmapHalfWidth, text); }
std::u16string MapFullWidth(const std::u16string& text) { return MapWith(LcmapFullWidth, text); }
std::u16string MapKatakana(const std::u16string& text) { return MapWith(LcmapKatakana, text); }
std::u16string MapHiragana(const std::u16string& text) { return MapWith(LcmapHiragana, text); }

}  // namespace Tormvale
