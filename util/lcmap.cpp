#include "util/lcmap.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "util/widthtables.h"

namespace Tormvale {

namespace {

using namespace WidthTables;

inline char16_t Shift(char16_t c, std::uint16_t delta) { return static_cast<char16_t>(c + delta); }

// Every output unit comes from exactly one source unit. Two units a step, read with one load:
// the loop is bound by its loads.
int MapOneToOne(const std::uint16_t* const* pages, const char16_t* __restrict src, int n, char16_t* __restrict dest,
                int cap) {
    if (n > cap) return 0;
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        std::uint32_t two;
        std::memcpy(&two, src + i, sizeof two);
        const auto low = static_cast<char16_t>(two), high = static_cast<char16_t>(two >> 16);
        const char16_t a = std::endian::native == std::endian::little ? low : high;
        const char16_t b = std::endian::native == std::endian::little ? high : low;
        dest[i] = Shift(a, Lookup(pages, a));
        dest[i + 1] = Shift(b, Lookup(pages, b));
    }
    if (i < n) dest[i] = Shift(src[i], Lookup(pages, src[i]));
    return n;
}

// Eight units: the width of one vector step.
using Lanes = std::uint16_t __attribute__((vector_size(16)));
constexpr int BlockUnits = sizeof(Lanes) / sizeof(char16_t);

// Whether all units of a block lie in [first, first + size).
inline bool BlockWithin(const char16_t* s, std::uint16_t first, std::uint16_t size) {
    Lanes v;
    std::memcpy(&v, s, sizeof v);
    const Lanes outside = static_cast<Lanes>(static_cast<Lanes>(v - first) >= size);
    std::uint64_t halves[2];
    std::memcpy(halves, &outside, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

// A half-width sound mark joins the katakana before it when a composed form exists, so the
// output is never longer than the source. Kana and CJK text, which full width leaves alone,
// is copied a block at a time; marks are looked at only when met.
template <bool Checked>
int MapFull(const char16_t* __restrict src, int n, char16_t* __restrict dest, int cap) {
    static_assert(HalfSemiVoicedMark == HalfVoicedMark + 1);
    const std::uint16_t quietFirst = FullWidthQuietFirst, quietSize = FullWidthQuietSize;
    int o = 0;
    for (int i = 0; i < n;) {
        if (i + BlockUnits <= n && (!Checked || o + BlockUnits <= cap) && BlockWithin(src + i, quietFirst, quietSize)) {
            std::memcpy(dest + o, src + i, BlockUnits * sizeof(char16_t));
            i += BlockUnits;
            o += BlockUnits;
            continue;
        }
        for (const int end = std::min(i + BlockUnits, n); i < end; ++i) {
            const char16_t c = src[i];
            if (IsSoundMark(c) && i > 0) [[unlikely]] {
                // dest[o - 1] came from src[i - 1]: a mark that composed has no composed form itself.
                if (const char16_t composed = Composed(src[i - 1], c); composed != 0) {
                    dest[o - 1] = composed;
                    continue;
                }
            }
            if (Checked && o == cap) return 0;
            dest[o++] = Shift(c, Lookup(FullWidthPages, c));
        }
    }
    return o;
}

// A voiced katakana becomes two units, so the output can be twice the source. Maps
// src[i, end) to dest from o, with room known to suffice; returns the new output count.
// Two units a step, with one test for a mark in either.
int MapHalfSpan(const char16_t* __restrict src, int i, int end, char16_t* __restrict dest, int o) {
    const auto put = [&](char16_t c, std::uint32_t entry) {
        dest[o++] = Shift(c, static_cast<std::uint16_t>(entry));
        if (const auto mark = static_cast<char16_t>(entry >> 16); mark != 0) dest[o++] = mark;
    };
    for (; i + 2 <= end; i += 2) {
        const char16_t a = src[i], b = src[i + 1];
        const std::uint32_t ea = Lookup(HalfWidthPages, a), eb = Lookup(HalfWidthPages, b);
        if (((ea | eb) >> 16) == 0) [[likely]] {
            dest[o] = Shift(a, static_cast<std::uint16_t>(ea));
            dest[o + 1] = Shift(b, static_cast<std::uint16_t>(eb));
            o += 2;
        } else {
            put(a, ea);
            put(b, eb);
        }
    }
    if (i < end) put(src[i], Lookup(HalfWidthPages, src[i]));
    return o;
}

// Runs of the source that cannot overflow go through the unchecked span, so the capacity is
// tested once a run rather than once a unit; a run takes at least half the room left.
int MapHalf(const char16_t* src, int n, char16_t* dest, int cap) {
    int o = 0;
    for (int i = 0; i < n;) {
        if (const int room = (cap - o) / 2; room > 0) {
            const int end = i + std::min(n - i, room);
            o = MapHalfSpan(src, i, end, dest, o);
            i = end;
            continue;
        }
        const std::uint32_t entry = Lookup(HalfWidthPages, src[i]);
        if (o + 1 + (entry >> 16 != 0) > cap) return 0;
        o = MapHalfSpan(src, i, i + 1, dest, o);
        ++i;
    }
    return o;
}

int MapInto(std::uint32_t flags, const char16_t* src, int n, char16_t* dest, int cap) {
    switch (flags) {
        case LcmapKatakana:
            return MapOneToOne(KatakanaPages, src, n, dest, cap);
        case LcmapHiragana:
            return MapOneToOne(HiraganaPages, src, n, dest, cap);
        case LcmapFullWidth:
            return n <= cap ? MapFull<false>(src, n, dest, cap) : MapFull<true>(src, n, dest, cap);
        case LcmapHalfWidth:
            return MapHalf(src, n, dest, cap);
        default:
            return 0;
    }
}

bool Overlap(const char16_t* a, int an, const char16_t* b, int bn) {
    const std::less<const char16_t*> before;
    return before(a, b + bn) && before(b, a + an);
}

}  // namespace

int LCMapStringW(std::uint32_t /*locale*/, std::uint32_t flags, const char16_t* src, int srcCount, char16_t* dest,
                 int destCapacity) {
    if (!src || srcCount == 0 || srcCount < -1 || destCapacity < 0) return 0;
    if (flags != LcmapHalfWidth && flags != LcmapFullWidth && flags != LcmapKatakana && flags != LcmapHiragana)
        return 0;
    if (srcCount == -1) {
        std::size_t len = std::char_traits<char16_t>::length(src);
        if (len >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
        srcCount = static_cast<int>(len) + 1;
    }
    if (destCapacity == 0) {
        const std::int64_t most =
            std::min<std::int64_t>(2 * static_cast<std::int64_t>(srcCount), std::numeric_limits<int>::max());
        std::vector<char16_t> scratch(static_cast<std::size_t>(most));
        return MapInto(flags, src, srcCount, scratch.data(), static_cast<int>(most));
    }
    if (!dest || Overlap(src, srcCount, dest, destCapacity)) return 0;
    return MapInto(flags, src, srcCount, dest, destCapacity);
}

}  // namespace Tormvale
