#include "core/streamconvert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "util/lcmap.h"
#include "util/widthtables.h"

namespace Varnopile {

namespace {

using namespace Tormvale::WidthTables;
using Byte = unsigned char;

enum Variant : std::size_t { Lower, Upper, HalfWidth, FullWidth, Katakana, Hiragana, CheckOnlyVariant };
static_assert(CheckOnlyVariant == StreamConverter::CheckOnly);

constexpr std::uint32_t Flags[] = {0, 0, Tormvale::LCMAP_HALFWIDTH, Tormvale::LCMAP_FULLWIDTH,
                                   Tormvale::LCMAP_KATAKANA, Tormvale::LCMAP_HIRAGANA};

struct Step {
    std::size_t consumed = 0;
    std::size_t written = 0;
    bool invalid = false;
};

using Lanes = Byte __attribute__((vector_size(16)));

inline Lanes Load16(const Byte* p) {
    Lanes v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline bool AllAscii(Lanes v) {
    std::uint64_t halves[2];
    std::memcpy(halves, &v, sizeof halves);
    return ((halves[0] | halves[1]) & 0x8080808080808080u) == 0;
}

// Decodes the sequence at s, of which `avail` bytes are at hand (s[0] >= 0x80). Returns its length,
// 0 when it is invalid, or -1 when it needs bytes beyond avail. The rules are those of the one-shot
// decoding: no overlongs, no encoded surrogates, nothing above U+10FFFF.
inline int Decode(const Byte* s, std::size_t avail, char32_t& cp) {
    const Byte c = s[0];
    if (c >= 0xE0 && c <= 0xEF) [[likely]] {
        if (avail < 3) return -1;
        if (((s[1] & 0xC0) | ((s[2] & 0xC0) << 8)) != 0x8080) return 0;
        cp = (c & 0x0Fu) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3Fu);
        return cp >= 0x800 && (cp & 0xF800) != 0xD800 ? 3 : 0;
    }
    if (c >= 0xC2 && c <= 0xDF) {
        if (avail < 2) return -1;
        if ((s[1] & 0xC0) != 0x80) return 0;
        cp = (c & 0x1Fu) << 6 | (s[1] & 0x3Fu);
        return 2;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (avail < 4) return -1;
        if ((s[1] & 0xC0) != 0x80 || (s[2] & 0xC0) != 0x80 || (s[3] & 0xC0) != 0x80) return 0;
        cp = (c & 0x07u) << 18 | (s[1] & 0x3Fu) << 12 | (s[2] & 0x3Fu) << 6 | (s[3] & 0x3Fu);
        return cp >= 0x10000 && cp <= 0x10FFFF ? 4 : 0;
    }
    return 0;
}

// Whole valid sequences from the start: stops at the first invalid one, or, unless last, at one
// the piece leaves unfinished.
Step ScanUtf8(const Byte* s, std::size_t n, bool last) {
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            while (i + 16 <= n && AllAscii(Load16(s + i))) i += 16;
            while (i < n && s[i] < 0x80) ++i;
            continue;
        }
        char32_t cp;
        const int len = Decode(s + i, n - i, cp);
        if (len <= 0) return {i, 0, len == 0 || last};
        i += static_cast<std::size_t>(len);
    }
    return {i, 0, false};
}

// Lower and upper case touch ASCII letters only, and no byte of a longer UTF-8 sequence is ASCII.
void ShiftLetters(const Byte* s, std::size_t n, Byte* out, Byte first, Byte delta) {
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Lanes v = Load16(s + i);
        const Lanes in = static_cast<Lanes>(static_cast<Lanes>(v - first) < 26);
        v += in & delta;
        std::memcpy(out + i, &v, sizeof v);
    }
    for (; i < n; ++i) out[i] = static_cast<Byte>(s[i] - first) < 26 ? static_cast<Byte>(s[i] + delta) : s[i];
}

inline std::size_t Encode(char16_t u, Byte* out) {
    if (u < 0x80) {
        out[0] = static_cast<Byte>(u);
        return 1;
    }
    if (u < 0x800) {
        out[0] = static_cast<Byte>(0xC0 | u >> 6);
        out[1] = static_cast<Byte>(0x80 | (u & 0x3F));
        return 2;
    }
    out[0] = static_cast<Byte>(0xE0 | u >> 12);
    out[1] = static_cast<Byte>(0x80 | ((u >> 6) & 0x3F));
    out[2] = static_cast<Byte>(0x80 | (u & 0x3F));
    return 3;
}

constexpr char16_t VoicedMark = 0xFF9E;  // and U+FF9F, the semi-voiced one, right after it
constexpr unsigned ComposeBase = 0xFF60;

// A half-width katakana that a following sound mark joins into one full-width katakana.
inline bool Composes(char16_t u) {
    const unsigned k = u - ComposeBase;
    return k < 64 && (FullWidthVoiced[k] != 0 || FullWidthSemiVoiced[k] != 0);
}

template <typename Entry>
inline Entry Lookup(const Entry* const* pages, char16_t u) {
    return pages[u >> 8][u & 0xFF];
}

// The four table mappings straight from UTF-8 to UTF-8: units the table leaves alone are copied
// as they came, so only the changed ones are encoded again. The tables and the joining of sound
// marks are those of the one-shot mapping.
template <std::size_t V>
Step MapUtf8(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous) {
    [[maybe_unused]] const std::uint16_t* const* pages =
        V == Katakana ? KatakanaPages : V == Hiragana ? HiraganaPages : FullWidthPages;
    std::size_t i = 0, o = 0;
    char16_t prev = previous;
    while (i < n) {
        if (s[i] < 0x80) {
            if constexpr (V == FullWidth) {
                do {
                    o += Encode(static_cast<char16_t>(s[i] + Lookup(FullWidthPages, s[i])), out + o);
                    ++i;
                } while (i < n && s[i] < 0x80);
            } else {
                // The other three leave ASCII alone.
                while (i + 16 <= n) {
                    const Lanes v = Load16(s + i);
                    if (!AllAscii(v)) break;
                    std::memcpy(out + o, &v, sizeof v);
                    i += 16;
                    o += 16;
                }
                while (i < n && s[i] < 0x80) out[o++] = s[i++];
            }
            prev = s[i - 1];
            continue;
        }
        char32_t cp;
        const int len = Decode(s + i, n - i, cp);
        if (len <= 0) {
            previous = prev;
            return {i, o, len == 0 || last};
        }
        if (len == 4) {
            // Beyond the tables: a surrogate pair maps to itself.
            std::memcpy(out + o, s + i, 4);
            o += 4;
            i += 4;
            prev = 0xDC00;
            continue;
        }
        const auto u = static_cast<char16_t>(cp);
        bool same;
        if constexpr (V == HalfWidth) {
            const std::uint32_t entry = Lookup(HalfWidthPages, u);
            same = entry == 0;
            if (!same) {
                o += Encode(static_cast<char16_t>(u + static_cast<std::uint16_t>(entry)), out + o);
                if (const auto mark = static_cast<char16_t>(entry >> 16); mark != 0) o += Encode(mark, out + o);
            }
        } else {
            if constexpr (V == FullWidth) {
                if (static_cast<char16_t>(u - VoicedMark) < 2) {
                    // The katakana before it was written last, as three bytes, by this loop or by
                    // the fast one just before it over the same piece, whose output ends at `out`.
                    // A piece never begins with the mark of one: Put holds such a katakana back.
                    const unsigned k = prev - ComposeBase;
                    const std::uint16_t composed = k < 64 ? (u == VoicedMark ? FullWidthVoiced : FullWidthSemiVoiced)[k] : 0;
                    if (composed != 0) {
                        Encode(composed, out + o - 3);
                        prev = u;
                        i += 3;
                        continue;
                    }
                } else if (!last && n - i < 6 && Composes(u)) {
                    break;  // the next piece may begin with its sound mark
                }
            }
            const std::uint16_t delta = Lookup(pages, u);
            same = delta == 0;
            if (!same) o += Encode(static_cast<char16_t>(u + delta), out + o);
        }
        if (same) {
            out[o] = s[i];
            out[o + 1] = s[i + 1];
            if (len == 3) out[o + 2] = s[i + 2];
            o += static_cast<std::size_t>(len);
        }
        prev = u;
        i += static_cast<std::size_t>(len);
    }
    previous = prev;
    return {i, o, false};
}


// What the fast loop needs of a lead byte, packed so that one load gives it all:
// bits 0-2 the sequence's length (1 for a byte no sequence may begin with, flagged in bit 7);
// bits 8-15 and 16-23 the least second byte and the span above it that the lead allows (no
// overlongs, no encoded surrogates, nothing above U+10FFFF); bits 24-31 the mask of the lead's
// own bits, bits 32-39 the shift that turns (lead << 12 | second << 6 | third) into the unit;
// bit 40 whether the unit's entry in the map counts (not for a sequence beyond the BMP).
constexpr auto LeadInfo = [] {
    std::array<std::uint64_t, 256> t{};
    for (unsigned c = 0; c < 256; ++c) {
        std::uint64_t len = 1, invalid = 0, low = 0, high = 0xFF, mask = 0x7F, shift = 12, counts = 1;
        if (c >= 0x80 && c < 0xC2) invalid = 1;
        else if (c >= 0xC2 && c < 0xE0) len = 2, mask = 0x1F, shift = 6;
        else if (c >= 0xE0 && c < 0xF0) {
            len = 3, mask = 0x0F, shift = 0;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c < 0xF5) {
            len = 4, mask = 0x07, shift = 0, counts = 0;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else if (c >= 0xF5) invalid = 1;
        t[c] = len | invalid << 7 | low << 8 | (high - low) << 16 | mask << 24 | shift << 32 | counts << 40;
    }
    return t;
}();

// A variant's mapping of the BMP as the UTF-8 it writes. An entry holds up to six output bytes
// (bits 0-47) and their count (48-51); for the vector loop also the length of the character it
// maps (52-54) and, for a half-width katakana a sound mark may join, 1 + its place after U+FF60
// (55-61). Bit 63 marks a sound mark, which full width may join with the katakana before it.
struct ByteMap {
    // For the portable loop: entries[offsetOf[unit >> 6] + (unit & 63)], 0 for a unit left alone.
    std::array<std::uint32_t, 1024> offsetOf{};  // 0: the shared page of units left alone
    std::vector<std::uint64_t> entries;
    // Which characters the map may change, for sixteen bytes at a time: a character whose lead
    // is b0 and next byte b1 may change when leadHigh[b0 >> 4] & leadLow[b0 & 15] &
    // nextHigh[(b1 >> 4) & 3] & nextLow[b1 & 15] is not 0. Each bit stands for one lead byte (or
    // for ASCII), so the test errs only towards yes.
    std::array<Byte, 16> leadHigh{}, leadLow{}, nextHigh{}, nextLow{};
    // For the vector loop, every character that test says yes to, changed or not: the entries of
    // those whose first two bytes are k begin at full[byPair[k]], and the third byte's low six
    // bits choose among them (entries of shorter characters are the same sixty-four times).
    // Keys no valid text has lead to full[0-63], which are 0.
    std::vector<std::uint32_t> byPair;
    std::vector<std::uint64_t> full;
};
constexpr std::uint64_t SoundMarkFlag = std::uint64_t{1} << 63;

inline std::uint64_t Packed(const Byte* bytes, std::size_t n) {
    std::uint64_t packed = 0;
    for (std::size_t b = n; b-- > 0;) packed = packed << 8 | bytes[b];
    return packed | std::uint64_t{n} << 48;
}

// The entry of unit u, or 0 when the variant leaves it alone.
template <std::size_t V>
std::uint64_t ChangedEntry(char16_t u) {
    Byte bytes[8] = {};
    std::size_t n = 0;
    std::uint64_t flag = 0;
    if constexpr (V == HalfWidth) {
        const std::uint32_t entry = Lookup(HalfWidthPages, u);
        if (entry == 0) return 0;
        n = Encode(static_cast<char16_t>(u + static_cast<std::uint16_t>(entry)), bytes);
        if (entry >> 16 != 0) n += Encode(static_cast<char16_t>(entry >> 16), bytes + n);
    } else {
        const std::uint16_t* const* pages =
            V == Katakana ? KatakanaPages : V == Hiragana ? HiraganaPages : FullWidthPages;
        const std::uint16_t delta = Lookup(pages, u);
        if (V == FullWidth && static_cast<char16_t>(u - VoicedMark) < 2) flag = SoundMarkFlag;
        if (delta == 0 && flag == 0) return 0;
        n = Encode(static_cast<char16_t>(u + delta), bytes);
    }
    return Packed(bytes, n) | flag;
}

template <std::size_t V>
const ByteMap& MapOf() {
    static const ByteMap map = [] {
        ByteMap m;
        m.entries.assign(64, 0);
        for (unsigned page = 0; page < 1024; ++page) {
            std::array<std::uint64_t, 64> entries{};
            bool any = false;
            for (unsigned k = 0; k < 64; ++k) {
                entries[k] = ChangedEntry<V>(static_cast<char16_t>(page << 6 | k));
                any |= entries[k] != 0;
            }
            if (any) {
                m.offsetOf[page] = static_cast<std::uint32_t>(m.entries.size());
                m.entries.insert(m.entries.end(), entries.begin(), entries.end());
            }
        }
        const auto changes = [&m](unsigned u) { return m.entries[m.offsetOf[u >> 6] + (u & 63)] != 0; };

        std::array<int, 256> bitOf;
        bitOf.fill(-1);
        int nextBit = 1;
        for (unsigned u = 0; u < 0x10000; ++u) {
            if ((u & 0xF800) == 0xD800 || !changes(u)) continue;
            Byte bytes[3];
            const std::size_t n = Encode(static_cast<char16_t>(u), bytes);
            // All of ASCII shares bit 0; past eight lead bytes the last bit is shared.
            int& bit = bitOf[n == 1 ? 0 : bytes[0]];
            if (bit < 0) bit = n == 1 ? 0 : std::min(nextBit++, 7);
            const auto mask = static_cast<Byte>(1u << bit);
            m.leadHigh[bytes[0] >> 4] |= mask;
            m.leadLow[bytes[0] & 15] |= mask;
            for (unsigned b1 = 0; b1 < 256; ++b1) {
                if (n == 1 || b1 == bytes[1]) {
                    m.nextHigh[(b1 >> 4) & 3] |= mask;
                    m.nextLow[b1 & 15] |= mask;
                }
            }
        }

        const auto said = [&m](unsigned b0, unsigned b1) {
            return (m.leadHigh[b0 >> 4] & m.leadLow[b0 & 15] & m.nextHigh[(b1 >> 4) & 3] & m.nextLow[b1 & 15]) != 0;
        };
        const auto fullEntry = [&](unsigned u, std::uint64_t length) {
            std::uint64_t entry = m.entries[m.offsetOf[u >> 6] + (u & 63)];
            if (entry == 0) {
                Byte bytes[3];
                entry = Packed(bytes, Encode(static_cast<char16_t>(u), bytes));
            }
            if (V == FullWidth && Composes(static_cast<char16_t>(u))) entry |= std::uint64_t{u - ComposeBase + 1} << 55;
            return entry | length << 52;
        };
        m.byPair.assign(0x10000, 0);
        m.full.assign(64, 0);
        for (unsigned b0 = 0; b0 < 0xF0; ++b0) {
            for (unsigned b1 = 0; b1 < 0x100; ++b1) {
                const bool ascii = b0 < 0x80;
                if (!said(b0, ascii ? 0 : b1) || (!ascii && (b0 < 0xC2 || (b1 & 0xC0) != 0x80))) continue;
                if (ascii && b1 != 0) {
                    m.byPair[b0 | b1 << 8] = m.byPair[b0];  // whatever follows
                    continue;
                }
                m.byPair[b0 | b1 << 8] = static_cast<std::uint32_t>(m.full.size());
                for (unsigned b2 = 0; b2 < 64; ++b2) {
                    // Only a three-byte sequence takes its entry by its third byte.
                    const unsigned u = ascii ? b0 : b0 < 0xE0 ? (b0 & 0x1F) << 6 | (b1 & 0x3F) : (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | b2;
                    const bool valid = u >= 0x800 ? (u & 0xF800) != 0xD800 : b0 < 0xE0;
                    m.full.push_back(valid ? fullEntry(u, ascii ? 1 : b0 < 0xE0 ? 2 : 3) : 0);
                }
            }
        }
        return m;
    }();
    return map;
}

// Bit k is set where s[k] begins a character, that is, is no continuation byte; 64 bytes.
inline std::uint64_t Leads(const Byte* s) {
    std::uint64_t leads = 0;
#if defined(__SSE2__)
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16 * k));
        // As signed bytes the continuations are those below -64.
        const auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(v, _mm_set1_epi8(-65))));
        leads |= std::uint64_t{bits} << (16 * k);
    }
#else
    for (int k = 0; k < 64; ++k) leads |= std::uint64_t{(s[k] & 0xC0) != 0x80} << k;
#endif
    return leads;
}

// The bulk of a piece, `blocks` blocks of 64 bytes from `at`: each character is found from the bit
// of its lead, so no step waits on the length of the one before, and decoded, checked and mapped
// without a branch on its bytes. Whether any was invalid is only known at the end: returns false
// then, and the careful loop goes over the same bytes again. Reads up to 8 bytes past the blocks.
// Lower, upper and CheckOnly only check here: their output is the input's, with letters shifted.
template <std::size_t V>
bool MapBlocks(const Byte* s, std::size_t& at, std::size_t blocks, Byte* out, std::size_t& written,
               char16_t& previous) {
    constexpr bool Maps = V == HalfWidth || V == FullWidth || V == Katakana || V == Hiragana;
    const ByteMap* map = nullptr;
    if constexpr (Maps) map = &MapOf<V>();
    std::size_t next = at, o = written;
    std::uint32_t prev = previous;
    std::uint64_t bad = 0;
    const std::size_t end = at + 64 * blocks;
    for (std::size_t block = at; block < end; block += 64) {
        for (std::uint64_t leads = Leads(s + block); leads != 0; leads &= leads - 1) {
            const std::size_t p = block + static_cast<std::size_t>(std::countr_zero(leads));
            bad |= p ^ next;
            std::uint64_t w;
            std::memcpy(&w, s + p, sizeof w);
            const std::uint64_t info = LeadInfo[w & 0xFF];
            const std::uint64_t len = info & 7, b1 = (w >> 8) & 0xFF;
            next = p + len;
            bad |= (info & 0x80) | ((b1 - ((info >> 8) & 0xFF)) > ((info >> 16) & 0xFF));
            if constexpr (Maps) {
                const std::uint64_t bits = (w & (info >> 24) & 0xFF) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F);
                const std::uint32_t u = static_cast<std::uint32_t>(bits >> ((info >> 32) & 0xFF));
                std::uint64_t entry = map->entries[map->offsetOf[u >> 6] + (u & 63)];
                entry &= -((info >> 40) & 1);
                if constexpr (V == FullWidth) {
                    if (entry & SoundMarkFlag) [[unlikely]] {
                        // The katakana before it, if one it joins, was written last as three bytes.
                        const std::uint32_t k = prev - ComposeBase;
                        const std::uint16_t composed =
                            k < 64 ? (u == VoicedMark ? FullWidthVoiced : FullWidthSemiVoiced)[k] : 0;
                        if (composed != 0) {
                            Encode(composed, out + o - 3);
                            prev = u;
                            continue;
                        }
                    }
                    prev = u;
                }
                // Selected by masks: which one it is follows the text, and would mislead a branch.
                const std::uint64_t mapped = -static_cast<std::uint64_t>(entry != 0);
                const std::uint64_t bytes = (entry & mapped) | (w & ~mapped);
                std::memcpy(out + o, &bytes, sizeof bytes);
                o += (((entry >> 48) & 0xF) & mapped) | (len & ~mapped);
            }
        }
    }
    // The last character may end past the blocks; one that ends before them leaves bytes no
    // lead begins (a block of continuation bytes has no lead at all).
    for (std::size_t q = end; q < next; ++q) bad |= (s[q] & 0xC0) != 0x80;
    bad |= next < end;
    if (bad) return false;
    at = next;
    written = o;
    previous = static_cast<char16_t>(prev);
    return true;
}

#if defined(__x86_64__) || defined(__i386__)
#define VARNOPILE_AVX2 1
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

// MapBlocks, 64 bytes at a step: the check of the whole step by vector, then the characters the
// map may change one by one, with the runs between them copied as they are. Reads up to 64 bytes
// past the blocks and writes up to 32 bytes past what it returns.
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

bool HasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                             __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
    return has;
}
#else
constexpr bool HasAvx2() { return false; }
#endif

// A piece: the fast loop over its bulk, then the careful one over what is left (its end, or from
// the start of a stretch the fast loop found invalid).
template <std::size_t V>
Step MapPiece(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous, bool vector) {
    constexpr std::size_t Block = 64, StretchBlocks = 64;
    constexpr bool Shifts = V == Lower || V == Upper;
    std::size_t i = 0, o = 0;
#if VARNOPILE_AVX2
    if (vector) {
        while (n - i >= 2 * Block && MapBlocksAvx2<V>(s, i, std::min(StretchBlocks, (n - i - Block) / Block), out, o, previous)) {
        }
    } else
#endif
    {
        (void)vector;
        constexpr std::size_t Checker = Shifts ? CheckOnlyVariant : V;
        while (n - i >= Block + 8) {
            const std::size_t from = i;
            if (!MapBlocks<Checker>(s, i, std::min(StretchBlocks, (n - i - 8) / Block), out, o, previous)) break;
            if constexpr (Shifts) {
                ShiftLetters(s + from, i - from, out + o, V == Lower ? 'A' : 'a', V == Lower ? 0x20 : 0xE0);
                o += i - from;
            }
        }
    }
    Step rest;
    if constexpr (V == Lower || V == Upper || V == CheckOnlyVariant) {
        rest = ScanUtf8(s + i, n - i, last);
        if constexpr (V != CheckOnlyVariant) {
            ShiftLetters(s + i, rest.consumed, out + o, V == Lower ? 'A' : 'a', V == Lower ? 0x20 : 0xE0);
            rest.written = rest.consumed;
        }
    } else {
        rest = MapUtf8<V>(s + i, n - i, last, out + o, previous);
    }
    return {i + rest.consumed, o + rest.written, rest.invalid};
}

}  // namespace

StreamConverter::StreamConverter(std::size_t variant, StreamForm form, StreamKernel kernel)
    : variant_(variant), form_(form), vector_(kernel == StreamKernel::Best && HasAvx2()) {
    assert(variant <= CheckOnly);
}

std::size_t StreamConverter::Convert(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                                     std::size_t& consumed) {
    if (form_ == StreamForm::Utf16Le) return ConvertUtf16(in, n, last, out, consumed);
    Step step;
    switch (variant_) {
        case Lower:
            step = MapPiece<Lower>(in, n, last, out, previous_, vector_);
            break;
        case Upper:
            step = MapPiece<Upper>(in, n, last, out, previous_, vector_);
            break;
        case HalfWidth:
            step = MapPiece<HalfWidth>(in, n, last, out, previous_, vector_);
            break;
        case FullWidth:
            step = MapPiece<FullWidth>(in, n, last, out, previous_, vector_);
            break;
        case Katakana:
            step = MapPiece<Katakana>(in, n, last, out, previous_, vector_);
            break;
        case Hiragana:
            step = MapPiece<Hiragana>(in, n, last, out, previous_, vector_);
            break;
        default:
            step = MapPiece<CheckOnlyVariant>(in, n, last, out, previous_, vector_);
            break;
    }
    consumed = step.consumed;
    if (step.invalid) {
        failed_ = true;
        failureOffset_ = offset_ + step.consumed;
    }
    return step.written;
}

// UTF-16 goes through the one-shot mapping itself, a block of units at a time; only a katakana
// that a sound mark may join waits for the next block.
std::size_t StreamConverter::ConvertUtf16(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                                          std::size_t& consumed) {
    constexpr std::size_t Block = 2048;
    std::size_t units = n / 2;
    const auto unitAt = [&](std::size_t k) { return static_cast<char16_t>(in[2 * k] | in[2 * k + 1] << 8); };
    if (variant_ == FullWidth && !last && units > 0 && Composes(unitAt(units - 1))) --units;
    std::size_t written = 0;
    if (variant_ != CheckOnly) {
        char16_t source[Block], mapped[2 * Block];
        for (std::size_t start = 0; start < units;) {
            std::size_t count = std::min(Block, units - start);
            if (variant_ == FullWidth && start + count < units && count > 1 && Composes(unitAt(start + count - 1)))
                --count;
            for (std::size_t k = 0; k < count; ++k) source[k] = unitAt(start + k);
            std::size_t got = count;
            if (variant_ == Lower || variant_ == Upper) {
                const char16_t first = variant_ == Lower ? u'A' : u'a';
                const char16_t delta = variant_ == Lower ? 0x20 : static_cast<char16_t>(-0x20);
                for (std::size_t k = 0; k < count; ++k)
                    mapped[k] = static_cast<char16_t>(source[k] - first) < 26 ? static_cast<char16_t>(source[k] + delta)
                                                                             : source[k];
            } else {
                got = static_cast<std::size_t>(Tormvale::LCMapStringW(0, Flags[variant_], source, static_cast<int>(count),
                                                                      mapped, static_cast<int>(2 * count)));
                assert(got > 0);
            }
            for (std::size_t k = 0; k < got; ++k) {
                out[written++] = static_cast<unsigned char>(mapped[k] & 0xFF);
                out[written++] = static_cast<unsigned char>(mapped[k] >> 8);
            }
            start += count;
        }
    }
    consumed = 2 * units;
    if (last && n % 2 != 0) {
        consumed = n;
        failed_ = true;
        failureOffset_ = offset_ + n;
    }
    return written;
}

std::size_t StreamConverter::Put(std::string_view piece, char* outBytes) {
    if (failed_) return 0;
    auto in = reinterpret_cast<const unsigned char*>(piece.data());
    std::size_t n = piece.size();
    auto out = reinterpret_cast<unsigned char*>(outBytes);
    std::size_t written = 0, consumed = 0;
    if (carried_ > 0) {
        // The held bytes and enough of the piece to finish them.
        constexpr std::size_t Reach = 2 * CarryLimit;
        unsigned char joined[CarryLimit + Reach];
        const std::size_t taken = std::min(n, Reach);
        std::memcpy(joined, carry_, carried_);
        std::memcpy(joined + carried_, in, taken);
        written = Convert(joined, carried_ + taken, false, out, consumed);
        if (failed_) return written;
        if (consumed < carried_) {
            assert(taken == n);
            carried_ = carried_ + taken - consumed;
            std::memmove(carry_, joined + consumed, carried_);
            offset_ += consumed;
            return written;
        }
        in += consumed - carried_;
        n -= consumed - carried_;
        offset_ += consumed;
        carried_ = 0;
    }
    written += Convert(in, n, false, out + written, consumed);
    if (failed_) return written;
    carried_ = n - consumed;
    assert(carried_ <= CarryLimit);
    std::memcpy(carry_, in + consumed, carried_);
    offset_ += consumed;
    return written;
}

std::size_t StreamConverter::Finish(char* outBytes) {
    if (failed_) return 0;
    std::size_t consumed = 0;
    const std::size_t written = Convert(carry_, carried_, true, reinterpret_cast<unsigned char*>(outBytes), consumed);
    offset_ += consumed;
    carried_ = 0;
    return written;
}

}  // namespace Varnopile
