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
// The steps of a stretch: a call between them would keep the cursor in memory (a sixth more work).
#define AVX2_STEP __attribute__((target("avx2,bmi,bmi2,popcnt"), always_inline)) inline

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
// Each bit names one error a byte and the byte after it can show, by their bit patterns.
constexpr Byte TooShort = 1 << 0;                      // 11______ 0_______   or 11______ 11______: a lead cut short
constexpr Byte TooLong = 1 << 1;                       // 0_______ 10______:  a continuation after ASCII
constexpr Byte Overlong3 = 1 << 2;                     // 11100000 100_____:  a three-byte sequence below U+0800
constexpr Byte TooLarge = 1 << 3;                      // 11110100 1001____ and above: past U+10FFFF
constexpr Byte Surrogate = 1 << 4;                     // 11101101 101_____:  U+D800-U+DFFF
constexpr Byte Overlong2 = 1 << 5;                     // 1100000_ 10______:  a two-byte sequence below U+0080
constexpr Byte TooLarge1000 = 1 << 6;                  // 11110101 1000____ and above (leads F5-FF)
constexpr Byte Overlong4 = 1 << 6;                     // 11110000 1000____:  a four-byte sequence below U+10000
constexpr Byte TwoConts = 1 << 7;                      // 10______ 10______:  fine only as the third or fourth byte
constexpr Byte Carry = TooShort | TooLong | TwoConts;  // what the high nibble alone decides

// By the first byte's high nibble.
constexpr std::array<Byte, 16> FirstHigh = {TooLong,
                                            TooLong,
                                            TooLong,
                                            TooLong,
                                            TooLong,
                                            TooLong,
                                            TooLong,
                                            TooLong,  // 0___ ASCII
                                            TwoConts,
                                            TwoConts,
                                            TwoConts,
                                            TwoConts,                                         // 10__ continuation
                                            TooShort | Overlong2,                             // 1100 C0-CF
                                            TooShort,                                         // 1101 D0-DF
                                            TooShort | Overlong3 | Surrogate,                 // 1110 E0-EF
                                            TooShort | TooLarge | TooLarge1000 | Overlong4};  // 1111 F0-FF
// By the first byte's low nibble.
constexpr std::array<Byte, 16> FirstLow = {Carry | Overlong3 | Overlong2 | Overlong4,  // ____0000: C0 E0 F0
                                           Carry | Overlong2,                          // ____0001: C1
                                           Carry,
                                           Carry,             // ____001_
                                           Carry | TooLarge,  // ____0100: F4
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000,              // ____0101-____1100: F5-FC
                                           Carry | TooLarge | TooLarge1000 | Surrogate,  // ____1101: ED
                                           Carry | TooLarge | TooLarge1000,
                                           Carry | TooLarge | TooLarge1000};  // ____111_
// By the second byte's high nibble.
constexpr std::array<Byte, 16> SecondHigh = {
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,
    TooShort,                                                               // 0___ ASCII
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge1000 | Overlong4,  // 1000 80-8F
    TooLong | Overlong2 | TwoConts | Overlong3 | TooLarge,                  // 1001 90-9F
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,                  // 1010 A0-AF
    TooLong | Overlong2 | TwoConts | Surrogate | TooLarge,                  // 1011 B0-BF
    TooShort,
    TooShort,
    TooShort,
    TooShort};  // 11__ a lead
}  // namespace Utf8Check

AVX2 inline __m256i Utf8Errors(__m256i in, __m256i before) {
    using namespace Utf8Check;
    const __m256i first = Earlier<1>(in, before);
    const __m256i pairs = _mm256_and_si256(
        _mm256_and_si256(Lookup16(FirstHigh, HighNibbles(first)), Lookup16(FirstLow, LowNibbles(first))),
        Lookup16(SecondHigh, HighNibbles(in)));
    const __m256i third = _mm256_subs_epu8(Earlier<2>(in, before), _mm256_set1_epi8(static_cast<char>(0xE0 - 0x80)));
    const __m256i fourth = _mm256_subs_epu8(Earlier<3>(in, before), _mm256_set1_epi8(static_cast<char>(0xF0 - 0x80)));
    const __m256i continuing =
        _mm256_and_si256(_mm256_or_si256(third, fourth), _mm256_set1_epi8(static_cast<char>(0x80)));
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
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + k),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + k)));
        k += 32;
    } while (k < n);
}

// A case pass: 64 bytes with their letters shifted. No byte of a longer sequence is an ASCII letter.
template <Mapping M>
AVX2_STEP void ShiftBlock(const __m256i (&in)[2], Byte* out) {
    constexpr LetterShift shift = ShiftOf(M);
    const __m256i first = _mm256_set1_epi8(static_cast<char>(shift.first));
    const __m256i delta = _mm256_set1_epi8(static_cast<char>(shift.delta));
    for (int half = 0; half < 2; ++half) {
        const __m256i x = _mm256_sub_epi8(in[half], first);
        const __m256i letter = _mm256_cmpeq_epi8(_mm256_min_epu8(x, _mm256_set1_epi8(25)), x);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * half),
                            _mm256_add_epi8(in[half], _mm256_and_si256(letter, delta)));
    }
}

// Where a table pass stands between blocks: the next byte to copy or map, the output's end, and
// JoinsOf the katakana written last (0 when a sound mark cannot join what was written last).
struct Cursor {
    std::size_t src;
    std::size_t o;
    std::uint32_t joins;
};

// A table pass over one block: copies the runs between the characters the map may change and
// writes the entries of those. `in` holds the block's 64 bytes.
template <Mapping M>
AVX2_STEP void MapBlock(const ByteMap& map, const Byte* s, std::size_t block, const __m256i (&in)[2], Byte* out,
                        Cursor& c) {
    const __m256i next0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 1));
    const __m256i next1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 33));
    std::uint64_t changing = MayChange(map, in[0], next0) | std::uint64_t{MayChange(map, in[1], next1)} << 32;
    for (; changing != 0; changing &= changing - 1) {
        const std::size_t p = block + static_cast<std::size_t>(std::countr_zero(changing));
        // Inside the character before: invalid input, which the check has seen.
        if (p < c.src) continue;
        CopyRun(s + c.src, p - c.src, out + c.o);
        c.o += p - c.src;
        std::uint64_t w;
        std::memcpy(&w, s + p, sizeof w);
        const MapEntry entry = map.full[map.byPair[w & 0xFFFF] + ((w >> 16) & 63)];
        if constexpr (M == Mapping::FullWidth) {
            // A mark right after the katakana written last (a sound mark's third byte tells ﾞ from ﾟ).
            if (entry.IsSoundMark() && p == c.src && c.joins != 0) {
                const auto mark = static_cast<char16_t>(0xFF80 | ((w >> 16) & 0x3F));
                if (JoinSoundMark(JoinedKatakana(c.joins), mark, out + c.o)) {
                    c.joins = 0;
                    c.src = p + 3;
                    continue;
                }
            }
            c.joins = entry.Joins();
        }
        std::memcpy(out + c.o, &entry, sizeof entry);
        c.o += entry.Count();
        c.src = p + entry.InputLength();
    }
}

// Where the character the last block leaves unfinished ends, and whether it is invalid.
AVX2_STEP std::size_t EndOfStretch(const Byte* s, std::size_t end, bool& bad) {
    for (std::size_t back = 1; back <= 3; ++back) {
        const Byte c = s[end - back];
        if ((c & 0xC0) == 0x80) continue;
        // A byte no sequence begins with shows only beside the byte after it, past the blocks.
        bad |= LeadOf[c].Invalid() != 0;
        const std::size_t len = LeadOf[c].Length();
        if (len <= back) return end;
        char32_t cp;
        bad |= DecodeUtf8(s + end - back, 8, cp) != static_cast<int>(len);
        return end - back + len;
    }
    return end;
}

template <Pass P>
AVX2 bool MapBlocksAvx2(const Byte* s, std::size_t& at, std::size_t blocks, Byte* out, std::size_t& written,
                        char16_t& previous) {
    [[maybe_unused]] const ByteMap* map = nullptr;
    if constexpr (UsesTable(P)) map = &MapOf<P.mapping>();
    const std::size_t end = at + 64 * blocks;
    __m256i errors = _mm256_setzero_si256(), before = _mm256_setzero_si256();
    Cursor c{at, written, JoinsOf(previous)};
    for (std::size_t block = at; block < end; block += 64) {
        const __m256i in[2] = {_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block)),
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + block + 32))};
        errors = _mm256_or_si256(errors, _mm256_or_si256(Utf8Errors(in[0], before), Utf8Errors(in[1], in[0])));
        before = in[1];
        if constexpr (ShiftsCase(P)) {
            ShiftBlock<P.mapping>(in, out + c.o);
            c.o += 64;
        } else if constexpr (UsesTable(P)) {
            MapBlock<P.mapping>(*map, s, block, in, out, c);
        }
    }
    bool bad = !_mm256_testz_si256(errors, errors);
    const std::size_t stop = EndOfStretch(s, end, bad);
    if constexpr (ShiftsCase(P)) {
        for (std::size_t q = end; q < stop; ++q) out[c.o++] = s[q];
    } else if constexpr (UsesTable(P)) {
        bad |= c.src > stop;
        if (!bad && c.src < stop) {
            CopyRun(s + c.src, stop - c.src, out + c.o);
            c.o += stop - c.src;
            c.joins = 0;  // the last character was left alone, so no sound mark joins it
        }
    }
    if (bad) return false;
    at = stop;
    written = c.o;
    if constexpr (P.mapping == Mapping::FullWidth) previous = c.joins != 0 ? JoinedKatakana(c.joins) : 0;
    return true;
}

}  // namespace

const std::array<BlocksLoop, VariantCount> VariantLoops =
    PerVariant([]<Pass P>() -> BlocksLoop { return &MapBlocksAvx2<P>; });
const BlocksLoop CheckLoop = &MapBlocksAvx2<CheckOnly>;

bool Available() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                            __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return has;
}
#else
}  // namespace

const std::array<BlocksLoop, VariantCount> VariantLoops{};
const BlocksLoop CheckLoop = nullptr;

bool Available() { return false; }
#endif

}  // namespace Varnopile::StreamVector
