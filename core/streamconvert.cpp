#include "core/streamconvert.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

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


// UTF-8 lead byte to sequence length; 0 where no sequence may begin.
constexpr auto LengthOf = [] {
    std::array<Byte, 256> t{};
    for (int c = 0; c < 256; ++c) t[c] = c < 0x80 ? 1 : c < 0xC2 ? 0 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : c < 0xF5 ? 4 : 0;
    return t;
}();

// Any unit of the BMP, in as few branches as the lengths allow.
inline std::size_t EncodeBranchless(std::uint32_t u, Byte* out) {
    const std::uint32_t two = (0xC0 | u >> 6) | (0x80 | (u & 0x3F)) << 8;
    const std::uint32_t three = (0xE0 | u >> 12) | (0x80 | ((u >> 6) & 0x3F)) << 8 | (0x80 | (u & 0x3F)) << 16;
    const std::uint32_t w = u < 0x80 ? u : u < 0x800 ? two : three;
    out[0] = static_cast<Byte>(w);
    out[1] = static_cast<Byte>(w >> 8);
    out[2] = static_cast<Byte>(w >> 16);
    return 1 + (u >= 0x80) + (u >= 0x800);
}

// Whether the 16 bytes at s begin with five three-byte sequences (lead, two continuations each):
// the common stretch of Japanese text, which the five-at-once path below takes.
inline bool FiveKanaOrKanji(const Byte* s) {
    Lanes v = Load16(s);
    // As signed bytes, continuations are the ones below -64; three-byte leads are 0xE0-0xEF.
    using Signed = signed char __attribute__((vector_size(16)));
    Signed signedV;
    std::memcpy(&signedV, &v, sizeof v);
    const Lanes continuation = static_cast<Lanes>(signedV < static_cast<signed char>(-64));
    const Lanes threeLead = static_cast<Lanes>((v & 0xF0) == 0xE0);
    // Lanes 0-14: leads at 0, 3, 6, 9, 12 and continuations between them.
    constexpr Lanes leadsAt = {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    constexpr Lanes within = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0};
    const Lanes wrong = ((threeLead ^ leadsAt) | (continuation ^ (~leadsAt))) & within;
    std::uint64_t halves[2];
    std::memcpy(halves, &wrong, sizeof halves);
    return (halves[0] | halves[1]) == 0;
}

// Five three-byte sequences at s: checked, and copied as they are when the variant leaves all five
// alone, else mapped one by one. Returns the bytes written, or Declined when a sound mark is among
// them (full width joins it with the unit before, which the one-by-one loop does).
constexpr std::size_t Declined = ~std::size_t{0};

template <std::size_t V>
std::size_t MapFive(const Byte* s, Byte* out, char16_t& prev, unsigned& bad) {
    std::uint32_t u[5];
    for (int k = 0; k < 5; ++k) {
        u[k] = (s[3 * k] & 0x0Fu) << 12 | (s[3 * k + 1] & 0x3Fu) << 6 | (s[3 * k + 2] & 0x3Fu);
        bad |= (u[k] < 0x800) | ((u[k] & 0xF800) == 0xD800);
    }
    if constexpr (V == CheckOnlyVariant) {
        return 0;
    } else if constexpr (V == Lower || V == Upper) {
        std::memcpy(out, s, 16);
        return 15;
    } else if constexpr (V == HalfWidth) {
        std::uint32_t e[5], any = 0;
        for (int k = 0; k < 5; ++k) any |= e[k] = Lookup(HalfWidthPages, static_cast<char16_t>(u[k]));
        if (any == 0) {
            std::memcpy(out, s, 16);
            return 15;
        }
        std::size_t o = 0;
        for (int k = 0; k < 5; ++k) {
            o += EncodeBranchless((u[k] + e[k]) & 0xFFFF, out + o);
            const std::uint32_t mark = e[k] >> 16;  // U+FF9E or U+FF9F, kept only when there is one
            out[o] = 0xEF;
            out[o + 1] = 0xBE;
            out[o + 2] = static_cast<Byte>(0x80 | (mark & 0x3F));
            o += mark != 0 ? 3 : 0;
        }
        return o;
    } else {
        const std::uint16_t* const* pages =
            V == Katakana ? KatakanaPages : V == Hiragana ? HiraganaPages : FullWidthPages;
        std::uint16_t d[5];
        unsigned any = 0, marks = 0;
        for (int k = 0; k < 5; ++k) {
            any |= d[k] = Lookup(pages, static_cast<char16_t>(u[k]));
            if constexpr (V == FullWidth) marks |= u[k] - VoicedMark < 2;
        }
        if (marks != 0) return Declined;
        prev = static_cast<char16_t>(u[4]);
        if (any == 0) {
            std::memcpy(out, s, 16);
            return 15;
        }
        std::size_t o = 0;
        for (int k = 0; k < 5; ++k) o += EncodeBranchless((u[k] + d[k]) & 0xFFFF, out + o);
        return o;
    }
}

// The bulk of a piece: every sequence that begins before `end` (at most n - 16, so each may read
// 16 bytes ahead) is decoded, checked and mapped with few branches; whether any was invalid is
// only known at the end. Returns false then, and the careful loop goes over the same bytes again.
template <std::size_t V>
bool MapFast(const Byte* s, std::size_t& at, std::size_t end, Byte* out, std::size_t& written, char16_t& previous) {
    std::size_t i = at, o = written, fiveFrom = 0;
    char16_t prev = previous;
    unsigned bad = 0;
    while (i < end) {
        const unsigned b0 = s[i], b1 = s[i + 1], b2 = s[i + 2];
        if (b0 < 0x80 && V != FullWidth) {
            const Lanes v = Load16(s + i);
            if (AllAscii(v)) {
                if constexpr (V == Lower || V == Upper) {
                    const Byte first = V == Lower ? 'A' : 'a', delta = V == Lower ? 0x20 : 0xE0;
                    const Lanes shifted = v + (static_cast<Lanes>(static_cast<Lanes>(v - first) < 26) & delta);
                    std::memcpy(out + o, &shifted, sizeof shifted);
                } else if constexpr (V != CheckOnlyVariant) {
                    std::memcpy(out + o, &v, sizeof v);
                }
                i += 16;
                o += V == CheckOnlyVariant ? 0 : 16;
                prev = s[i - 1];
                continue;
            }
        }
        if (b0 >= 0xE0 && b0 < 0xF0 && i >= fiveFrom && FiveKanaOrKanji(s + i)) {
            if (const std::size_t put = MapFive<V>(s + i, out + o, prev, bad); put != Declined) {
                i += 15;
                o += put;
                continue;
            }
            fiveFrom = i + 15;  // these go one by one
        }
        const unsigned len = LengthOf[b0];
        if (len == 4) [[unlikely]] {
            char32_t cp;
            bad |= Decode(s + i, 4, cp) != 4;
            if constexpr (V != CheckOnlyVariant) {
                std::memcpy(out + o, s + i, 4);
                o += 4;
            }
            i += 4;
            prev = 0xDC00;
            continue;
        }
        const std::uint32_t two = (b0 & 0x1F) << 6 | (b1 & 0x3F);
        const std::uint32_t three = (b0 & 0x0F) << 12 | (b1 & 0x3F) << 6 | (b2 & 0x3F);
        const std::uint32_t u = len == 3 ? three : len == 2 ? two : b0;
        const unsigned firstOk = (b1 & 0xC0) == 0x80, secondOk = (b2 & 0xC0) == 0x80;
        bad |= (len == 0) | ((len >= 2) & !firstOk) |
               ((len == 3) & (!secondOk | (three < 0x800) | ((three & 0xF800) == 0xD800)));
        i += len + (len == 0);
        if constexpr (V == CheckOnlyVariant) {
            continue;
        } else if constexpr (V == Lower || V == Upper) {
            const std::uint32_t first = V == Lower ? 'A' : 'a';
            const std::uint32_t delta = V == Lower ? 0x20 : 0x10000 - 0x20;
            o += EncodeBranchless((u + ((u - first < 26) ? delta : 0)) & 0xFFFF, out + o);
        } else if constexpr (V == HalfWidth) {
            const std::uint32_t entry = Lookup(HalfWidthPages, static_cast<char16_t>(u));
            o += EncodeBranchless((u + entry) & 0xFFFF, out + o);
            // The mark, if any, is U+FF9E or U+FF9F; written always, kept only when there is one.
            const std::uint32_t mark = entry >> 16;
            out[o] = 0xEF;
            out[o + 1] = 0xBE;
            out[o + 2] = static_cast<Byte>(0x80 | (mark & 0x3F));
            o += mark != 0 ? 3 : 0;
        } else {
            const std::uint16_t* const* pages =
                V == Katakana ? KatakanaPages : V == Hiragana ? HiraganaPages : FullWidthPages;
            if constexpr (V == FullWidth) {
                if (u - VoicedMark < 2) [[unlikely]] {
                    const unsigned k = prev - ComposeBase;
                    const std::uint16_t composed = k < 64 ? (u == VoicedMark ? FullWidthVoiced : FullWidthSemiVoiced)[k] : 0;
                    if (composed != 0) {
                        Encode(composed, out + o - 3);
                        prev = static_cast<char16_t>(u);
                        continue;
                    }
                }
                prev = static_cast<char16_t>(u);
            }
            o += EncodeBranchless((u + Lookup(pages, static_cast<char16_t>(u))) & 0xFFFF, out + o);
        }
    }
    if (bad) return false;
    at = i;
    written = o;
    previous = prev;
    return true;
}

// A piece: the fast loop over its bulk, then the careful one over what is left (its end, or from
// the start of a stretch the fast loop found invalid).
template <std::size_t V>
Step MapPiece(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous) {
    constexpr std::size_t Stretch = 4096, Reach = 16;
    std::size_t i = 0, o = 0;
    while (n - i > Reach + 4 && MapFast<V>(s, i, std::min(n - Reach, i + Stretch), out, o, previous)) {
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

StreamConverter::StreamConverter(std::size_t variant, StreamForm form) : variant_(variant), form_(form) {
    assert(variant <= CheckOnly);
}

std::size_t StreamConverter::Convert(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                                     std::size_t& consumed) {
    if (form_ == StreamForm::Utf16Le) return ConvertUtf16(in, n, last, out, consumed);
    Step step;
    switch (variant_) {
        case Lower:
            step = MapPiece<Lower>(in, n, last, out, previous_);
            break;
        case Upper:
            step = MapPiece<Upper>(in, n, last, out, previous_);
            break;
        case HalfWidth:
            step = MapPiece<HalfWidth>(in, n, last, out, previous_);
            break;
        case FullWidth:
            step = MapPiece<FullWidth>(in, n, last, out, previous_);
            break;
        case Katakana:
            step = MapPiece<Katakana>(in, n, last, out, previous_);
            break;
        case Hiragana:
            step = MapPiece<Hiragana>(in, n, last, out, previous_);
            break;
        default:
            step = MapPiece<CheckOnlyVariant>(in, n, last, out, previous_);
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
