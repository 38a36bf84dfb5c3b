// The UTF-8 and UTF-16 edges (the converter's input and output): any bytes, checked against a
// decoder written from the table of well-formed byte sequences.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "util/text.h"

namespace {

// The well-formed multi-byte sequences: lead bytes, length, and the range of the second byte
// (every later byte is 80-BF).
struct LeadRange {
    int first, last;
    std::size_t length;
    int secondLow, secondHigh;
};
constexpr LeadRange WellFormed[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF}, {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF}, {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// Length of the well-formed sequence at s[i] and its scalar, or nothing.
std::optional<std::size_t> WellFormedAt(std::string_view s, std::size_t i, char32_t& scalar) {
    const auto at = [&](std::size_t k) -> int { return i + k < s.size() ? static_cast<unsigned char>(s[i + k]) : -1; };
    const int lead = at(0);
    if (lead <= 0x7F) {
        scalar = static_cast<char32_t>(lead);
        return 1;
    }
    for (const LeadRange& r : WellFormed) {
        if (lead < r.first || lead > r.last) continue;
        if (at(1) < r.secondLow || at(1) > r.secondHigh) return std::nullopt;
        for (std::size_t k = 2; k < r.length; ++k)
            if (at(k) < 0x80 || at(k) > 0xBF) return std::nullopt;
        scalar = static_cast<char32_t>(lead & (0x7F >> r.length));
        for (std::size_t k = 1; k < r.length; ++k) scalar = scalar << 6 | static_cast<char32_t>(at(k) & 0x3F);
        return r.length;
    }
    return std::nullopt;
}

void Append(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
    } else {
        out += static_cast<char16_t>(0xD800 | (c - 0x10000) >> 10);
        out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The reference: strict decoding with the first bad offset, and the lenient form.
    std::u16string strict, lossy;
    std::optional<std::size_t> firstBad;
    for (std::size_t i = 0; i < size;) {
        char32_t c = 0;
        if (const auto len = WellFormedAt(bytes, i, c)) {
            Append(lossy, c);
            if (!firstBad) Append(strict, c);
            i += *len;
        } else {
            lossy += u'\uFFFD';
            if (!firstBad) firstBad = i;
            ++i;
        }
    }

    Tormvale::Utf8Error validError{~std::size_t{0}}, decodeError{~std::size_t{0}};
    const bool valid = Tormvale::IsValidUtf8(bytes, &validError);
    const std::u16string decoded = Tormvale::Utf8ToUtf16(bytes, &decodeError);
    FUZZ_CHECK(valid == !firstBad);
    FUZZ_CHECK(Tormvale::Utf8ToUtf16Lossy(bytes) == lossy);
    if (valid) {
        FUZZ_CHECK(decoded == strict);
        FUZZ_CHECK(Tormvale::Utf16ToUtf8(decoded) == bytes);
    } else {
        FUZZ_CHECK(decoded.empty());
        FUZZ_CHECK(validError.offset == *firstBad);
        FUZZ_CHECK(decodeError.offset == *firstBad);
    }

    // The same bytes as UTF-16 units: the UTF-8 written is always valid, and reads back as the
    // units with each lone surrogate replaced.
    const std::u16string units = Fuzz::Units(data, size);
    std::u16string expected;
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            expected += c;
            expected += units[++i];
        } else {
            expected += high || low ? u'\uFFFD' : c;
        }
    }
    const std::string encoded = Tormvale::Utf16ToUtf8(units);
    Tormvale::Utf8Error encodedError{};
    FUZZ_CHECK(Tormvale::IsValidUtf8(encoded, &encodedError));
    FUZZ_CHECK(Tormvale::Utf8ToUtf16(encoded) == expected);
    return 0;
}
