#pragma once
// The two case mappings: one range of 26 ASCII letters moved by 0x20. No unit of a UTF-16 surrogate
// pair or byte of a longer UTF-8 sequence is an ASCII letter, so the same loop serves both forms.
#include <cstddef>
#include <cstring>

#include "core/variants.h"

namespace Varnopile {

struct LetterShift {
    unsigned char first;  // 'A' for lower case, 'a' for upper case
    int delta;
};

constexpr LetterShift ShiftOf(Mapping mapping) {
    return mapping == Mapping::LowerCase ? LetterShift{'A', 0x20} : LetterShift{'a', -0x20};
}

constexpr bool IsCaseMapping(Mapping mapping) { return mapping == Mapping::LowerCase || mapping == Mapping::UpperCase; }

// n units of s shifted into out, which may be s; sixteen bytes a step. Lanes: sixteen bytes as a
// vector of Lane, the unsigned type of Unit's size (clang 14 crashes on a vector operation with a
// scalar of another type inside a template).
template <typename Lanes, typename Lane, typename Unit>
void ShiftLanes(const Unit* s, std::size_t n, Unit* out, LetterShift shift) {
    static_assert(sizeof(Lane) == sizeof(Unit));
    constexpr std::size_t Width = sizeof(Lanes) / sizeof(Unit);
    const auto first = static_cast<Lane>(shift.first), delta = static_cast<Lane>(shift.delta);
    std::size_t i = 0;
    for (; i + Width <= n; i += Width) {
        Lanes v;
        std::memcpy(&v, s + i, sizeof v);
        // All ones in the lanes that hold a letter of the range.
        const Lanes letter = static_cast<Lanes>(static_cast<Lanes>(v - first) < static_cast<Lane>(26));
        v += letter & delta;
        std::memcpy(out + i, &v, sizeof v);
    }
    for (; i < n; ++i) out[i] = static_cast<Lane>(s[i] - first) < 26 ? static_cast<Unit>(s[i] + delta) : s[i];
}

inline void ShiftLetters(const char16_t* s, std::size_t n, char16_t* out, LetterShift shift) {
    using Lanes = unsigned short __attribute__((vector_size(16)));
    ShiftLanes<Lanes, unsigned short>(s, n, out, shift);
}

inline void ShiftLetters(const unsigned char* s, std::size_t n, unsigned char* out, LetterShift shift) {
    using Lanes = unsigned char __attribute__((vector_size(16)));
    ShiftLanes<Lanes, unsigned char>(s, n, out, shift);
}

}  // namespace Varnopile
