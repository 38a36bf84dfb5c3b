#pragma once
// What the two bulk loops of the stream share with its careful loop: UTF-8 by lead byte, and each
// variant's map as the UTF-8 bytes it writes, built once from the width tables.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "util/widthtables.h"

namespace Varnopile::StreamMaps {

using namespace Tormvale::WidthTables;
using Byte = unsigned char;

// In the order of the conversion set; CheckOnly decodes and writes nothing.
enum Variant : std::size_t { Lower, Upper, HalfWidth, FullWidth, Katakana, Hiragana, CheckOnly };

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

}  // namespace Varnopile::StreamMaps
