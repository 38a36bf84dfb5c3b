#include "core/streamconverter.h"

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
#include "util/text.h"

namespace Varnopile {

namespace {

using namespace StreamMaps;

// What a loop took and wrote, and whether it stopped at invalid input.
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

// Whole valid characters from the start: stops at the first invalid one, or, unless last, at one
// the piece leaves unfinished. Reads only s[0, n).
Step CheckCarefully(const Byte* s, std::size_t n, bool last) {
    std::size_t i = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            while (i + 16 <= n && AllAscii(Load16(s + i))) i += 16;
            while (i < n && s[i] < 0x80) ++i;
            continue;
        }
        char32_t cp;
        const int len = DecodeUtf8(s + i, n - i, cp);
        if (len <= 0) return {i, 0, len == 0 || last};
        i += static_cast<std::size_t>(len);
    }
    return {i, 0, false};
}

// Writes the ASCII run from s[i] on, as mapping M has it; returns its end.
template <Mapping M>
std::size_t MapAsciiRun(const Byte* s, std::size_t i, std::size_t n, Byte* out, std::size_t& o) {
    if constexpr (M == Mapping::FullWidth) {
        do {
            o += Encode(static_cast<char16_t>(s[i] + Lookup(FullWidthPages, s[i])), out + o);
            ++i;
        } while (i < n && s[i] < 0x80);
    } else {
        // The other table mappings leave ASCII alone.
        while (i + 16 <= n) {
            const Lanes v = Load16(s + i);
            if (!AllAscii(v)) break;
            std::memcpy(out + o, &v, sizeof v);
            i += 16;
            o += 16;
        }
        while (i < n && s[i] < 0x80) out[o++] = s[i++];
    }
    return i;
}

// Writes the mapping of unit u, whose `len` bytes are at s; false when M leaves it alone.
template <Mapping M>
bool MapUnit(char16_t u, Byte* out, std::size_t& o) {
    if constexpr (M == Mapping::HalfWidth) {
        const std::uint32_t entry = Lookup(HalfWidthPages, u);
        if (entry == 0) return false;
        o += Encode(static_cast<char16_t>(u + static_cast<std::uint16_t>(entry)), out + o);
        if (const auto mark = static_cast<char16_t>(entry >> 16); mark != 0) o += Encode(mark, out + o);
    } else {
        const std::uint16_t delta = Lookup(OneToOnePages(M), u);
        if (delta == 0) return false;
        o += Encode(static_cast<char16_t>(u + delta), out + o);
    }
    return true;
}

// The careful loop of a table mapping, one character at a time straight from UTF-8 to UTF-8:
// units the table leaves alone are copied as they came. Stops at the first invalid character and
// says so; unless last, also at one the piece leaves unfinished, or at a katakana near its end
// that a sound mark in the next piece may join. Reads only s[0, n); writes at most 3n bytes.
template <Mapping M>
Step MapCarefully(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous) {
    std::size_t i = 0, o = 0;
    char16_t prev = previous;
    while (i < n) {
        if (s[i] < 0x80) {
            i = MapAsciiRun<M>(s, i, n, out, o);
            prev = s[i - 1];
            continue;
        }
        char32_t cp;
        const int len = DecodeUtf8(s + i, n - i, cp);
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
        if constexpr (M == Mapping::FullWidth) {
            // The katakana before a mark was written last, as three bytes, by this loop or by the
            // bulk loop just before it over the same piece. A piece never begins with the mark of
            // one: Put holds such a katakana back.
            if (IsSoundMark(u) && JoinSoundMark(prev, u, out + o)) {
                prev = u;
                i += 3;
                continue;
            }
            if (!last && n - i < 6 && Composes(u)) break;  // the next piece may begin with its mark
        }
        if (!MapUnit<M>(u, out, o)) {
            std::memcpy(out + o, s + i, static_cast<std::size_t>(len));
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

// The portable bulk loop over `blocks` blocks of 64 bytes from s + at, and the end of the character
// the last block leaves unfinished: each character is found from the bit of its lead, so no step
// waits on the length of the one before, and decoded, checked and mapped without a branch on its
// bytes. A case pass and the check only check here (their output is the input's, letters shifted).
// Whether any character was invalid is known only at the end: then returns false, moving nothing,
// and the careful loop goes over the same bytes again. Otherwise moves `at` and `written` on.
// Reads up to 8 bytes past the blocks; writes up to 8 bytes past what it returns.
template <Pass P>
bool MapBlocksPortable(const Byte* s, std::size_t& at, std::size_t blocks, Byte* out, std::size_t& written,
                       char16_t& previous) {
    const ByteMap* map = nullptr;
    if constexpr (UsesTable(P)) map = &MapOf<P.mapping>();
    std::size_t next = at, o = written;
    char16_t prev = previous;
    std::uint64_t bad = 0;
    const std::size_t end = at + 64 * blocks;
    for (std::size_t block = at; block < end; block += 64) {
        for (std::uint64_t leads = Leads(s + block); leads != 0; leads &= leads - 1) {
            const std::size_t p = block + static_cast<std::size_t>(std::countr_zero(leads));
            // Not where the character before ends: invalid, and past here what the bytes would
            // write is not bounded by their number.
            if (p != next) [[unlikely]]
                return false;
            std::uint64_t w;
            std::memcpy(&w, s + p, sizeof w);
            const Lead lead = LeadOf[w & 0xFF];
            const std::uint64_t len = lead.Length();
            next = p + len;
            bad |= lead.Invalid() | lead.SecondOutOfRange(w >> 8 & 0xFF);
            if constexpr (UsesTable(P)) {
                const std::uint32_t u = lead.Unit(w);
                const MapEntry entry{map->EntryBits(u) & -lead.InBmp()};
                if constexpr (P.mapping == Mapping::FullWidth) {
                    if (entry.IsSoundMark() && JoinSoundMark(prev, static_cast<char16_t>(u), out + o)) [[unlikely]] {
                        prev = static_cast<char16_t>(u);
                        continue;
                    }
                    prev = static_cast<char16_t>(u);
                }
                // Selected by masks: which one it is follows the text, and would mislead a branch.
                const std::uint64_t mapped = -static_cast<std::uint64_t>(entry.bits != 0);
                const std::uint64_t bytes = (entry.bits & mapped) | (w & ~mapped);
                std::memcpy(out + o, &bytes, sizeof bytes);
                o += (entry.Count() & mapped) | (len & ~mapped);
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
    previous = prev;
    return true;
}

// A piece: a bulk loop over the most of it, then the careful loop over what is left (its end, or
// from the start of a stretch the bulk loop found invalid). Reads only s[0, n).
template <Pass P>
Step MapPiece(const Byte* s, std::size_t n, bool last, Byte* out, char16_t& previous,
              StreamVector::BlocksLoop vectorLoop) {
    constexpr std::size_t Block = 64, StretchBlocks = 64;
    std::size_t i = 0, o = 0;
    if (vectorLoop) {
        // It reads up to a block past its stretch.
        while (n - i >= 2 * Block &&
               vectorLoop(s, i, std::min(StretchBlocks, (n - i - Block) / Block), out, o, previous)) {
        }
    } else {
        constexpr Pass Checker = ShiftsCase(P) ? CheckOnly : P;
        while (n - i >= Block + 8) {
            const std::size_t from = i;
            if (!MapBlocksPortable<Checker>(s, i, std::min(StretchBlocks, (n - i - 8) / Block), out, o, previous))
                break;
            if constexpr (ShiftsCase(P)) {
                ShiftLetters(s + from, i - from, out + o, ShiftOf(P.mapping));
                o += i - from;
            }
        }
    }
    Step rest;
    if constexpr (UsesTable(P)) {
        rest = MapCarefully<P.mapping>(s + i, n - i, last, out + o, previous);
    } else {
        rest = CheckCarefully(s + i, n - i, last);
        if constexpr (ShiftsCase(P)) {
            ShiftLetters(s + i, rest.consumed, out + o, ShiftOf(P.mapping));
            rest.written = rest.consumed;
        }
    }
    return {i + rest.consumed, o + rest.written, rest.invalid};
}

using PieceMapper = Step (*)(const Byte*, std::size_t, bool, Byte*, char16_t&, StreamVector::BlocksLoop);
constexpr auto PieceMappers = PerVariant([]<Pass P>() -> PieceMapper { return &MapPiece<P>; });

}  // namespace

StreamConverter::StreamConverter(std::size_t variant, StreamForm form, StreamKernel kernel)
    : variant_(variant), form_(form) {
    assert(variant < VariantCount);
    if (kernel == StreamKernel::Best && StreamVector::Available()) vectorLoop_ = StreamVector::VariantLoops[variant];
}

StreamConverter::StreamConverter(StreamForm form, StreamKernel kernel) : form_(form) {
    if (kernel == StreamKernel::Best && StreamVector::Available()) vectorLoop_ = StreamVector::CheckLoop;
}

std::size_t StreamConverter::Convert(const unsigned char* in, std::size_t n, bool last, unsigned char* out,
                                     std::size_t& consumed) {
    if (form_ == StreamForm::Utf16Le) return ConvertUtf16(in, n, last, out, consumed);
    const Step step =
        (variant_ ? PieceMappers[*variant_] : &MapPiece<CheckOnly>)(in, n, last, out, previous_, vectorLoop_);
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
    const bool joins = variant_ && Variants[*variant_].mapping == Mapping::FullWidth;
    const auto unitAt = [in](std::size_t k) { return Tormvale::Utf16LeUnitAt(in, k); };
    if (joins && !last && units > 0 && Composes(unitAt(units - 1))) --units;
    std::size_t written = 0;
    if (variant_) {
        char16_t source[Block], mapped[2 * Block];
        for (std::size_t start = 0; start < units;) {
            std::size_t count = std::min(Block, units - start);
            if (joins && start + count < units && count > 1 && Composes(unitAt(start + count - 1))) --count;
            for (std::size_t k = 0; k < count; ++k) source[k] = unitAt(start + k);
            const std::size_t got = MapUnits(Variants[*variant_].mapping, source, count, mapped);
            written = static_cast<std::size_t>(Tormvale::PutUtf16Le(mapped, got, out + written) - out);
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
