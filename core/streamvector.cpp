#include "core/streamvector.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "core/streammaps.h"

namespace Varnopile::StreamVector {

using namespace StreamMaps;

namespace {

#if defined(__x86_64__) || defined(__i386__)
#define AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))

AVX2 inline __m256i Broadcast(const std::array<Byte, 16>& table) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(table.data())));
}

AVX2 inline __m256i Lookup16(const std::array<Byte, 16>& table, __m256i index) {
    return _mm256_shuffle_epi8(Broadcast(table), index);
}

AVX2 inline __m256i HighNibbles(__m256i v) { return _mm256_and_si256(_mm256_srli_epi16(v, 4), _mm256_set1_epi8(0x0F)); }
AVX2 inline __m256i LowNibbles(__m256i v) { return _mm256_and_si256(v, _mm256_set1_epi8(0x0F)); }

// The 32 bytes that end N bytes before those of `in`, the first of them from `before`.
template <int N>
AVX2 inline __m256i Earlier(__m256i in, __m256i before) {
    return _mm256_alignr_epi8(in, _mm256_permute2x128_si256(before, in, 0x21), 16 - N);
}

// UTF-8 checked by lookup, after Keiser and Lemire, "Validating UTF-8 in less than one instruction
// per byte" (2021): three lookups by nibble over each byte and the one before it give the errors a
// pair can show, and a byte that must be the second or third continuation is checked against the
// lead two or three before. Not 0 where the bytes are not UTF-8 (a sequence left unfinished at the
// end of `in` shows nothing yet).
namespace Utf8Check {
constexpr Byte TooShort = 1 << 0, TooLong = 1 << 1, Overlong3 = 1 << 2, TooLarge = 1 << 3, Surrogate = 1 << 4,
               Overlong2 = 1 << 5, TooLarge1000 = 1 << 6, Overlong4 = 1 << 6, TwoConts = 1 << 7;
constexpr Byte Carry = TooShort | TooLong | TwoConts;
constexpr std::array<Byte, 16> FirstHigh = {
    TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong, TooLong,  // ASCII
    TwoConts, TwoConts, TwoConts, TwoConts,                                  // continuation
    TooShort | Overlong2, TooShort, TooShort | Overlong3 | Surrogate,
    TooShort | TooLarge | TooLarge1000 | Overlong4};
constexpr std::array<Byte, 16> FirstLow = {
    Carry | Overlong3 | Overlong2 | Overlong4, Carry | Overlong2, Carry, Carry,
    Carry | TooLarge, Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000,
    Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000 | Surrogate,
    Carry | TooLarge | TooLarge1000, Carry | TooLarge | TooLarge1000};
constexpr std::array<Byte, 16> SecondHigh = {
    TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort, TooShort,
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4,
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge,
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,
    TooShort, TooShort, TooShort, TooShort};
}  // namespace Utf8Check

AVX2 inline __m256i Utf8Errors(__m256i in, __m256i before) {
    using namespace Utf8Check;
    const __m256i first = Earlier<1>(in, before);
    const __m256i pairs = _mm256_and_si256(
        _mm256_and_si256(Lookup16(FirstHigh, HighNibbles(first)), Lookup16(FirstLow, LowNibbles(first))),
        Lookup16(SecondHigh, HighNibbles(in)));
    const __m256i third = _mm256_subs_epu8(Earlier<2>(in, before), _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(Earlier<3>(in, before), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i continuing = _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
    return _mm256_xor_si256(continuing, pairs);
}

// Bit k set where a character the map may change begins at byte k of the 32 in `lead`; `next`
// holds the bytes one further on.
AVX2 inline std::uint32_t MayChange(const ByteMap& map, __m256i lead, __m256i next) {
    const __m256i bits = _mm256_and_si256(
        _mm256_and_si256(Lookup16(map.leadHigh, HighNibbles(lead)), Lookup16(map.leadLow, LowNibbles(lead))),
        _mm256_and_si256(Lookup16(map.nextHigh, _mm256_and_si256(_mm256_srli_epi16(next, 4), _mm256_set1_epi8(3))),
                         Lookup16(map.nextLow, LowNibbles(next))));
    return ~static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bits, _mm256_setzero_si256())));
}

// Writes 32 bytes at least: most runs are shorter, and a branch on the length would mostly miss.
AVX2 inline void CopyRun(const Byte* from, std::size_t n, Byte* to) {
    std::size_t k = 0;
    do {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + k), _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + k)));
        k += 32;
    } while (k < n);
}

template <std::size_t V>
AVX2 bool MapBlocksAvx2(const Byte* s, std::size_t& at, std::size_t blocks, Byte* out, std::size_t& written,
                        char16_t& previous) {
    constexpr bool Maps = V == HalfWidth || V == FullWidth || V == Katakana || V == Hiragana;
    constexpr bool Shifts = V == Lower || V == Upper;
    [[maybe_unused]] const ByteMap* map = nullptr;
    if constexpr (Maps) map = &MapOf<V>();
    const std::size_t end = at + 64 * blocks;
    __m256i errors = _mm256_setzero_si256(), before = _mm256_setzero_si256();
    std::size_t src = at, o = written;
    // 1 + the place after U+FF60 of a katakana just written that a sound mark may join, else 0.
    std::uint32_t joins = Composes(previous) ? previous - ComposeBase + 1 : 0;
    for (std::size_t block = at; block < end; block += 64) {
        const __m256i in[2] = {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block)),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 32))};
        errors = _mm256_or_si256(errors, _mm256_or_si256(Utf8Errors(in[0], before), Utf8Errors(in[1], in[0])));
        before = in[1];
        if constexpr (Shifts) {
            // No byte of a longer sequence is an ASCII letter.
            const __m256i first = _mm256_set1_epi8(V == Lower ? 'A' : 'a');
            const __m256i delta = _mm256_set1_epi8(static_cast<char>(V == Lower ? 0x20 : 0xE0));
            for (int half = 0; half < 2; ++half) {
                const __m256i x = _mm256_sub_epi8(in[half], first);
                const __m256i letter = _mm256_cmpeq_epi8(_mm256_min_epu8(x, _mm256_set1_epi8(25)), x);
                _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + o + 32 * half),
                                    _mm256_add_epi8(in[half], _mm256_and_si256(letter, delta)));
            }
            o += 64;
        } else if constexpr (Maps) {
            const __m256i next0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 1));
            const __m256i next1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 33));
            std::uint64_t changing = MayChange(*map, in[0], next0) | std::uint64_t{MayChange(*map, in[1], next1)} << 32;
            for (; changing != 0; changing &= changing - 1) {
                const std::size_t p = block + static_cast<std::size_t>(std::countr_zero(changing));
                // Inside the character before: invalid input, which the check has seen.
                if (p < src) continue;
                CopyRun(s + src, p - src, out + o);
                o += p - src;
                std::uint64_t w;
                std::memcpy(&w, s + p, sizeof w);
                const std::uint64_t entry = map->full[map->byPair[w & 0xFFFF] + ((w >> 16) & 63)];
                if constexpr (V == FullWidth) {
                    if ((entry & SoundMarkFlag) && p == src && joins != 0) {
                        const bool voiced = ((w >> 16) & 0xFF) == ((VoicedMark & 0x3F) | 0x80);
                        if (const std::uint16_t composed = (voiced ? FullWidthVoiced : FullWidthSemiVoiced)[joins - 1]) {
                            Encode(composed, out + o - 3);
                            joins = 0;
                            src = p + 3;
                            continue;
                        }
                    }
                    joins = (entry >> 55) & 0x7F;
                }
                std::memcpy(out + o, &entry, sizeof entry);
                o += (entry >> 48) & 0xF;
                src = p + ((entry >> 52) & 7);
            }
        }
    }
    // The last character begun in the blocks may end past them.
    std::size_t stop = end;
    bool bad = !_mm256_testz_si256(errors, errors);
    for (std::size_t back = 1; back <= 3; ++back) {
        const Byte c = s[end - back];
        if ((c & 0xC0) == 0x80) continue;
        // A byte no sequence begins with shows only beside the byte after it, past the blocks.
        bad |= (LeadInfo[c] & 0x80) != 0;
        const std::size_t len = LeadInfo[c] & 7;
        if (len > back) {
            char32_t cp;
            bad |= Decode(s + end - back, 8, cp) != static_cast<int>(len);
            stop = end - back + len;
        }
        break;
    }
    if constexpr (Shifts) {
        for (std::size_t q = end; q < stop; ++q) out[o++] = s[q];
    } else if constexpr (Maps) {
        bad |= src > stop;
        if (!bad && src < stop) {
            CopyRun(s + src, stop - src, out + o);
            o += stop - src;
            joins = 0;  // the last character was left alone, so no sound mark joins it
        }
    }
    if (bad) return false;
    at = stop;
    written = o;
    if constexpr (V == FullWidth) previous = static_cast<char16_t>(joins != 0 ? ComposeBase + joins - 1 : 0);
    return true;
}

}  // namespace

template <std::size_t V>
bool MapBlocks(const Byte* s, std::size_t& at, std::size_t blocks, Byte* out, std::size_t& written, char16_t& previous) {
    return MapBlocksAvx2<V>(s, at, blocks, out, written, previous);
}

bool Available() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                             __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return has;
}
#else
}  // namespace

bool Available() { return false; }

template <std::size_t>
bool MapBlocks(const unsigned char*, std::size_t&, std::size_t, unsigned char*, std::size_t&, char16_t&) {
    return false;
}
#endif

template bool MapBlocks<Lower>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<Upper>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<HalfWidth>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<FullWidth>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<Katakana>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<Hiragana>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);
template bool MapBlocks<CheckOnly>(const Byte*, std::size_t&, std::size_t, Byte*, std::size_t&, char16_t&);

}  // namespace Varnopile::StreamVector
