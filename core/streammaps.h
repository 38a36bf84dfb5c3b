#pragma once
// What the stream's three loops share: the pass each runs, UTF-8 by lead byte, and each mapping as
// the UTF-8 bytes it writes, built once from the width tables.
//   careful loop  MapCarefully (streamconverter.cpp): one character at a time, finds where input is invalid
//   portable bulk loop  MapBlocksPortable (streamconverter.cpp): 64-byte blocks, a character per lead bit
//   vector bulk loop  StreamVector::MapBlocks (streamvector.cpp): 64-byte blocks by AVX2
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/caseshift.h"
#include "core/variants.h"
#include "util/utf8decode.h"
#include "util/widthtables.h"

namespace Varnopile::StreamMaps {

using namespace Tormvale::WidthTables;
using Tormvale::DecodeUtf8;
using Byte = unsigned char;

// What a loop does with the UTF-8 it checks: writes one mapping of it, or writes nothing (the
// converter's check of the input past what it converts).
struct Pass {
    Mapping mapping;
    bool writes;
};
inline constexpr Pass CheckOnly{Mapping::LowerCase, false};
constexpr Pass Writing(Mapping mapping) { return {mapping, true}; }

// A case pass shifts ASCII letters, which never leave a byte's place; a table pass looks each
// character up in its ByteMap.
constexpr bool ShiftsCase(Pass pass) { return pass.writes && IsCaseMapping(pass.mapping); }
constexpr bool UsesTable(Pass pass) { return pass.writes && !IsCaseMapping(pass.mapping); }

// The mappings the loops know. Any other has no stream, and must not compile into one.
constexpr bool Serves(Mapping mapping) {
    switch (mapping) {
        case Mapping::LowerCase:
        case Mapping::UpperCase:
        case Mapping::HalfWidth:
        case Mapping::FullWidth:
        case Mapping::Katakana:
        case Mapping::Hiragana:
            return true;
    }
    return false;
}

// make.template operator()<Writing(mapping)>() for each variant, in the table's order.
template <typename Make>
constexpr auto PerVariant(Make make) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        static_assert((Serves(Variants[I].mapping) && ...), "the stream has no loop for a variant's mapping");
        return std::array{make.template operator()<Writing(Variants[I].mapping)>()...};
    }
    (std::make_index_sequence<VariantCount>{});
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

// The BMP pages of a table pass's mapping; half width has its own, two units wide.
constexpr const std::uint16_t* const* OneToOnePages(Mapping mapping) {
    return mapping == Mapping::Katakana ? KatakanaPages : mapping == Mapping::Hiragana ? HiraganaPages : FullWidthPages;
}

// What the portable bulk loop needs of a lead byte, so that one load gives it all.
//   bits  0-2   Length()      the sequence's length; 1 for ASCII and for a byte no sequence begins with
//   bit   7     Invalid()     no sequence begins with this byte
//   bits  8-15  second byte's least value the lead allows (no overlongs, no encoded surrogates,
//   bits 16-23  and the span above it                      nothing above U+10FFFF)
//   bits 24-31  the mask of the lead's own bits
//   bits 32-39  the shift that turns (lead << 12 | second << 6 | third) into the unit
//   bit  40     InBmp()       the unit's map entry counts (not for a four-byte sequence)
struct Lead {
    std::uint64_t bits;

    std::uint64_t Length() const { return bits & 7; }
    std::uint64_t Invalid() const { return bits >> 7 & 1; }
    std::uint64_t InBmp() const { return bits >> 40 & 1; }
    // 1 when the byte after the lead cannot follow it: one unsigned compare against the span.
    std::uint64_t SecondOutOfRange(std::uint64_t second) const {
        return (second - (bits >> 8 & 0xFF)) > (bits >> 16 & 0xFF);
    }
    // The unit of the character whose first bytes are w, first byte lowest; one to three bytes.
    std::uint32_t Unit(std::uint64_t w) const {
        const std::uint64_t payload = (w & (bits >> 24 & 0xFF)) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F);
        return static_cast<std::uint32_t>(payload >> (bits >> 32 & 0xFF));
    }
};

constexpr std::array<Lead, 256> LeadOf = [] {
    std::array<Lead, 256> t{};
    for (unsigned c = 0; c < 256; ++c) {
        std::uint64_t len = 1, invalid = 0, low = 0, high = 0xFF, mask = 0x7F, shift = 12, bmp = 1;
        if (c >= 0x80 && c < 0xC2)
            invalid = 1;
        else if (c >= 0xC2 && c < 0xE0)
            len = 2, mask = 0x1F, shift = 6;
        else if (c >= 0xE0 && c < 0xF0) {
            len = 3, mask = 0x0F, shift = 0;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c < 0xF5) {
            len = 4, mask = 0x07, shift = 0, bmp = 0;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else if (c >= 0xF5)
            invalid = 1;
        t[c].bits = len | invalid << 7 | low << 8 | (high - low) << 16 | mask << 24 | shift << 32 | bmp << 40;
    }
    return t;
}();

// One character's mapping as the UTF-8 it writes, in one word the loops store whole (eight bytes
// written, Count() of them kept).
//   bits  0-47  the output bytes, first byte lowest
//   bits 48-51  Count()        how many
//   bits 52-54  InputLength()  the length of the character it maps (vector loop only)
//   bits 55-61  Joins()        JoinsOf the character: for a half-width katakana a sound mark may join,
//                              1 + its place after ComposeBase, else 0 (vector loop, full width only)
//   bit  63     IsSoundMark()  ﾞ or ﾟ under full width, which may join the katakana before it
struct MapEntry {
    std::uint64_t bits;

    std::uint64_t Count() const { return bits >> 48 & 0xF; }
    std::uint64_t InputLength() const { return bits >> 52 & 7; }
    std::uint32_t Joins() const { return static_cast<std::uint32_t>(bits >> 55 & 0x7F); }
    bool IsSoundMark() const { return (bits >> 63) != 0; }

    static MapEntry Of(const Byte* bytes, std::size_t n) {
        std::uint64_t packed = 0;
        for (std::size_t b = n; b-- > 0;) packed = packed << 8 | bytes[b];
        return {packed | std::uint64_t{n} << 48};
    }
    MapEntry WithInput(std::uint64_t length, std::uint32_t joins) const {
        return {bits | length << 52 | std::uint64_t{joins} << 55};
    }
    MapEntry AsSoundMark() const { return {bits | std::uint64_t{1} << 63}; }
};

// 1 + a half-width katakana's place after ComposeBase when a sound mark may join it, else 0.
inline std::uint32_t JoinsOf(char16_t u) { return Composes(u) ? static_cast<std::uint32_t>(u - ComposeBase) + 1 : 0; }
inline char16_t JoinedKatakana(std::uint32_t joins) { return static_cast<char16_t>(ComposeBase + joins - 1); }

// Full width: a sound mark after a katakana it joins takes the place of that katakana's output,
// which the loop wrote last, as three bytes ending at `end`. False, writing nothing, when the unit
// before does not join it.
inline bool JoinSoundMark(char16_t before, char16_t mark, Byte* end) {
    const char16_t composed = Composed(before, mark);
    if (composed == 0) return false;
    Encode(composed, end - 3);
    return true;
}

// A table mapping of the BMP, for the two bulk loops.
struct ByteMap {
    // Portable loop: entries[offsetOf[unit >> 6] + (unit & 63)]; 0 for a unit left alone.
    std::array<std::uint32_t, 1024> offsetOf{};  // 0: the shared page of units left alone
    std::vector<MapEntry> entries;
    std::uint64_t EntryBits(std::uint32_t u) const { return entries[offsetOf[u >> 6] + (u & 63)].bits; }

    // Vector loop, which characters the map may change, sixteen bytes at a time: a character whose
    // lead is b0 and next byte b1 may change when leadHigh[b0 >> 4] & leadLow[b0 & 15] &
    // nextHigh[(b1 >> 4) & 3] & nextLow[b1 & 15] is not 0. Each bit stands for one lead byte (bit
    // 0 for all of ASCII; past seven lead bytes the last bit is shared), so it errs only towards yes.
    std::array<Byte, 16> leadHigh{}, leadLow{}, nextHigh{}, nextLow{};
    bool MayChange(unsigned b0, unsigned b1) const {
        return (leadHigh[b0 >> 4] & leadLow[b0 & 15] & nextHigh[(b1 >> 4) & 3] & nextLow[b1 & 15]) != 0;
    }

    // Vector loop, every character MayChange says yes to, changed or not: the entries of those whose
    // first two bytes are k begin at full[byPair[k]], and the third byte's low six bits choose among
    // them (a shorter character's entry stands there sixty-four times). Keys no valid text has lead
    // to full[0-63], which are 0.
    std::vector<std::uint32_t> byPair;
    std::vector<MapEntry> full;
};

// The entry of unit u under mapping M, or 0 when M leaves it alone.
template <Mapping M>
MapEntry ChangedEntry(char16_t u) {
    Byte bytes[8] = {};
    std::size_t n = 0;
    if constexpr (M == Mapping::HalfWidth) {
        const std::uint32_t entry = Lookup(HalfWidthPages, u);
        if (entry == 0) return {0};
        n = Encode(static_cast<char16_t>(u + static_cast<std::uint16_t>(entry)), bytes);
        if (entry >> 16 != 0) n += Encode(static_cast<char16_t>(entry >> 16), bytes + n);
        return MapEntry::Of(bytes, n);
    } else {
        const std::uint16_t delta = Lookup(OneToOnePages(M), u);
        const bool mark = M == Mapping::FullWidth && IsSoundMark(u);
        if (delta == 0 && !mark) return {0};
        const MapEntry entry = MapEntry::Of(bytes, Encode(static_cast<char16_t>(u + delta), bytes));
        return mark ? entry.AsSoundMark() : entry;
    }
}

namespace Build {

template <Mapping M>
void Entries(ByteMap& m) {
    m.entries.assign(64, {0});
    for (unsigned page = 0; page < 1024; ++page) {
        std::array<MapEntry, 64> entries{};
        bool any = false;
        for (unsigned k = 0; k < 64; ++k) {
            entries[k] = ChangedEntry<M>(static_cast<char16_t>(page << 6 | k));
            any |= entries[k].bits != 0;
        }
        if (any) {
            m.offsetOf[page] = static_cast<std::uint32_t>(m.entries.size());
            m.entries.insert(m.entries.end(), entries.begin(), entries.end());
        }
    }
}

void MayChangeTables(ByteMap& m);

template <Mapping M>
void ByPair(ByteMap& m) {
    const auto fullEntry = [&m](unsigned u, std::uint64_t length) {
        MapEntry entry{m.EntryBits(u)};
        if (entry.bits == 0) {
            Byte bytes[3];
            entry = MapEntry::Of(bytes, Encode(static_cast<char16_t>(u), bytes));
        }
        return entry.WithInput(length, M == Mapping::FullWidth ? JoinsOf(static_cast<char16_t>(u)) : 0);
    };
    m.byPair.assign(0x10000, 0);
    m.full.assign(64, {0});
    for (unsigned b0 = 0; b0 < 0xF0; ++b0) {
        for (unsigned b1 = 0; b1 < 0x100; ++b1) {
            const bool ascii = b0 < 0x80;
            if (!m.MayChange(b0, ascii ? 0 : b1) || (!ascii && (b0 < 0xC2 || (b1 & 0xC0) != 0x80))) continue;
            if (ascii && b1 != 0) {
                m.byPair[b0 | b1 << 8] = m.byPair[b0];  // whatever follows
                continue;
            }
            m.byPair[b0 | b1 << 8] = static_cast<std::uint32_t>(m.full.size());
            for (unsigned b2 = 0; b2 < 64; ++b2) {
                // Only a three-byte sequence takes its entry by its third byte.
                const unsigned u = ascii       ? b0
                                   : b0 < 0xE0 ? (b0 & 0x1F) << 6 | (b1 & 0x3F)
                                               : (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | b2;
                const bool valid = u >= 0x800 ? (u & 0xF800) != 0xD800 : b0 < 0xE0;
                m.full.push_back(valid ? fullEntry(u, ascii ? 1 : b0 < 0xE0 ? 2 : 3) : MapEntry{0});
            }
        }
    }
}

}  // namespace Build

template <Mapping M>
const ByteMap& MapOf() {
    static_assert(Serves(M) && !IsCaseMapping(M));
    static const ByteMap map = [] {
        ByteMap m;
        Build::Entries<M>(m);
        Build::MayChangeTables(m);
        Build::ByPair<M>(m);
        return m;
    }();
    return map;
}

}  // namespace Varnopile::StreamMaps
