#pragma once
// The one scalar UTF-8 decoder: the strict rules every reader of UTF-8 here applies.
#include <cstddef>

namespace Tormvale {

// Decodes the character at s, of which `avail` bytes (at least one) are at hand. Returns its
// length, 0 when the bytes are not valid UTF-8 (an overlong, an encoded surrogate, a value above
// U+10FFFF, a byte no sequence begins with), or -1 when it needs bytes beyond avail.
inline int DecodeUtf8(const unsigned char* s, std::size_t avail, char32_t& cp) {
    const unsigned char c = s[0];
    if (c < 0x80) {
        cp = c;
        return 1;
    }
    // Three-byte characters first: all of kana and CJK.
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

}  // namespace Tormvale
