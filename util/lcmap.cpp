#include "tormvale/lcmap.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "tormvale/widthtables.h"

namespace Tormvale {

namespace {

using namespace WidthTables;

constexpr char16_t HalfVoicedMark = 0xFF9E;
constexpr char16_t HalfSemiVoicedMark = 0xFF9F;
constexpr unsigned ComposeBase = 0xFF60;  // first entry of FullWidthVoiced / FullWidthSemiVoiced

inline char16_t Shift(char16_t c, std::uint16_t delta) { return static_cast<char16_t>(c + delta); }

// Every output unit comes from exactly one source unit.
int MapOneToOne(const std::uint8_t* index, const std::uint16_t (*pages)[256], const char16_t* src, int n,
                char16_t* dest, int cap) {
    if (n > cap) return 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = src[i];
        dest[i] = Shift(c, pages[index[c >> 8]][c & 0xFF]);
    }
    return n;
}

// Output is never longer than the source: a base and its sound mark can become one unit.
template <bool Checked>
int MapFull(const char16_t* src, int n, char16_t* dest, int cap) {
    int o = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = src[i];
        char16_t w = Shift(c, FullWidthPages[FullWidthIndex[c >> 8]][c & 0xFF]);
        const unsigned k = static_cast<unsigned>(c) - ComposeBase;
        if (k < 64 && i + 1 < n) {
            const char16_t next = src[i + 1];
            const std::uint16_t composed = next == HalfVoicedMark       ? FullWidthVoiced[k]
                                           : next == HalfSemiVoicedMark ? FullWidthSemiVoiced[k]
                                                                        : 0;
            if (composed != 0) {
                w = composed;
                ++i;
            }
        }
        if (Checked && o == cap) return 0;
        dest[o++] = w;
    }
    return o;
}

// A voiced katakana becomes two units, so the output can be twice the source.
int MapHalfChecked(const char16_t* src, int n, char16_t* dest, int cap) {
    int o = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = src[i];
        const std::uint32_t v = HalfWidthPages[HalfWidthIndex[c >> 8]][c & 0xFF];
        if (o == cap) return 0;
        dest[o++] = Shift(c, static_cast<std::uint16_t>(v));
        if (const char16_t mark = static_cast<char16_t>(v >> 16); mark != 0) {
            if (o == cap) return 0;
            dest[o++] = mark;
        }
    }
    return o;
}

// With room for two units per source unit the mark can be stored unconditionally and kept or
// overwritten, which avoids a branch that mixed kana text mispredicts.
int MapHalfRoomy(const char16_t* src, int n, char16_t* dest) {
    int o = 0;
    for (int i = 0; i < n; ++i) {
        const char16_t c = src[i];
        const std::uint32_t v = HalfWidthPages[HalfWidthIndex[c >> 8]][c & 0xFF];
        dest[o] = Shift(c, static_cast<std::uint16_t>(v));
        dest[o + 1] = static_cast<char16_t>(v >> 16);
        o += 1 + (v >> 16 != 0);
    }
    return o;
}

int MapInto(std::uint32_t flags, const char16_t* src, int n, char16_t* dest, int cap) {
    switch (flags) {
        case LCMAP_KATAKANA:
            return MapOneToOne(KatakanaIndex, KatakanaPages, src, n, dest, cap);
        case LCMAP_HIRAGANA:
            return MapOneToOne(HiraganaIndex, HiraganaPages, src, n, dest, cap);
        case LCMAP_FULLWIDTH:
            return n <= cap ? MapFull<false>(src, n, dest, cap) : MapFull<true>(src, n, dest, cap);
        case LCMAP_HALFWIDTH:
            return 2 * static_cast<std::int64_t>(n) <= cap ? MapHalfRoomy(src, n, dest)
                                                           : MapHalfChecked(src, n, dest, cap);
        default:
            return 0;
    }
}

bool Overlap(const char16_t* a, int an, const char16_t* b, int bn) {
    const std::less<const char16_t*> before;
    return before(a, b + bn) && before(b, a + an);
}

}  // namespace

std::uint32_t GetUserDefaultLCID() {
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        name = std::getenv(var);
        if (name && *name) break;
    }
    if (!name || !*name || std::strcmp(name, "C") == 0 || std::strncmp(name, "C.", 2) == 0 ||
        std::strcmp(name, "POSIX") == 0)
        return 0x007F;  // invariant locale
    struct Known {
        const char* prefix;
        std::uint32_t lcid;
    };
    // Longest prefixes first.
    static constexpr Known known[] = {
        {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"en_GB", 0x0809}, {"ja", 0x0411}, {"ko", 0x0412},
        {"zh", 0x0804},    {"en", 0x0409},    {"de", 0x0407},    {"fr", 0x040C}, {"es", 0x0C0A},
        {"it", 0x0410},    {"ru", 0x0419},    {"pt", 0x0416},    {"nl", 0x0413},
    };
    for (const Known& k : known)
        if (std::strncmp(name, k.prefix, std::strlen(k.prefix)) == 0) return k.lcid;
    return 0x0400;  // the user's default, unnamed
}

int LCMapStringW(std::uint32_t /*locale*/, std::uint32_t flags, const char16_t* src, int srcCount, char16_t* dest,
                 int destCapacity) {
    if (!src || srcCount == 0 || srcCount < -1 || destCapacity < 0) return 0;
    if (flags != LCMAP_HALFWIDTH && flags != LCMAP_FULLWIDTH && flags != LCMAP_KATAKANA && flags != LCMAP_HIRAGANA)
        return 0;
    if (srcCount == -1) {
        std::size_t len = std::char_traits<char16_t>::length(src);
        if (len >= static_cast<std::size_t>(std::numeric_limits<int>::max())) return 0;
        srcCount = static_cast<int>(len) + 1;
    }
    if (destCapacity == 0) {
        const std::int64_t most = std::min<std::int64_t>(2 * static_cast<std::int64_t>(srcCount),
                                                         std::numeric_limits<int>::max());
        std::vector<char16_t> scratch(static_cast<std::size_t>(most));
        return MapInto(flags, src, srcCount, scratch.data(), static_cast<int>(most));
    }
    if (!dest || Overlap(src, srcCount, dest, destCapacity)) return 0;
    return MapInto(flags, src, srcCount, dest, destCapacity);
}

}  // namespace Tormvale
