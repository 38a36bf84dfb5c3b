#include "util/intparse.h"

namespace Tormvale {

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
}

}  // namespace

bool TryParseInteger(std::u16string_view text, int32_t& value) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == u' ') ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool hex = false;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < n && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) return false;  // empty, a lone sign or a lone prefix

    if (hex) {
        uint32_t bits = 0;
        for (; i < n; ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0 || bits > 0x0FFFFFFFu) return false;
            bits = (bits << 4) | static_cast<uint32_t>(d);
        }
        // Unsigned negation, so "-$80000000" wraps to itself instead of overflowing.
        value = static_cast<int32_t>(negative ? 0u - bits : bits);
        return true;
    }

    // Magnitude up to 2^31, which only the negative side may reach.
    const uint64_t limit = negative ? 2147483648u : 2147483647u;
    uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i];
        if (c < u'0' || c > u'9') return false;
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - u'0');
        if (magnitude > limit) return false;
    }
    value = static_cast<int32_t>(negative ? 0u - static_cast<uint32_t>(magnitude) : static_cast<uint32_t>(magnitude));
    return true;
}

}  // namespace Tormvale
