#include "core/streamconvert.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cassert>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/streammaps.h"
#include "core/streamvector.h"
#include "util/lcmap.h"

namespace Varnopile {

namespace {

using namespace StreamMaps;
static_assert(StreamMaps::CheckOnly == StreamConverter::CheckOnly);

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
            // Not where the character before ends: invalid, and past here what the bytes would
            // write is not bounded by their number.
            if (p != next) [[unlikely]] return false;
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

// A piece: the fast loop over its bulk, then the careful one over what is left (its end, or from
// the start of a stretch the fast loop found invalid).
template <std::size_t V>
Step MapPiece(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous, bool vector) {
    constexpr std::size_t Block = 64, StretchBlocks = 64;
    constexpr bool Shifts = V == Lower || V == Upper;
    std::size_t i = 0, o = 0;
    if (vector) {
        while (n - i >= 2 * Block &&
               StreamVector::MapBlocks<V>(s, i, std::min(StretchBlocks, (n - i - Block) / Block), out, o, previous)) {
        }
    } else {
        constexpr std::size_t Checker = Shifts ? StreamMaps::CheckOnly : V;
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
    if constexpr (V == Lower || V == Upper || V == StreamMaps::CheckOnly) {
        rest = ScanUtf8(s + i, n - i, last);
        if constexpr (V != StreamMaps::CheckOnly) {
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
    : variant_(variant), form_(form), vector_(kernel == StreamKernel::Best && StreamVector::Available()) {
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
            step = MapPiece<StreamMaps::CheckOnly>(in, n, last, out, previous_, vector_);
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
