#pragma once
// UTF-8 and UTF-16 at the edges of the program; inside, every text is UTF-16.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tormvale {

struct Utf8Error {
    std::size_t offset;  // byte offset of the first byte that does not decode
};

// Strict decoding: overlongs, surrogates encoded in UTF-8 and values above U+10FFFF fail.
std::u16string Utf8ToUtf16(std::string_view utf8, Utf8Error* error = nullptr);
bool IsValidUtf8(std::string_view utf8, Utf8Error* error = nullptr);

// A lone surrogate has no UTF-8 form: it becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Lenient decoding for text we only show (file names, system messages): bad bytes become U+FFFD.
std::u16string Utf8ToUtf16Lossy(std::string_view utf8);

inline std::u16string U(std::string_view utf8) { return Utf8ToUtf16Lossy(utf8); }

// UTF-16 as bytes, low byte first: the settings file, the converter's --utf16. Decoding leaves out
// an odd trailing byte, which is no unit.
std::string ToUtf16Le(std::u16string_view utf16);
std::u16string FromUtf16Le(std::string_view bytes);
std::u16string FromUtf16Be(std::string_view bytes);

// The same over raw buffers, for loops that go a unit at a time.
inline char16_t Utf16LeUnitAt(const unsigned char* bytes, std::size_t k) {
    return static_cast<char16_t>(bytes[2 * k] | bytes[2 * k + 1] << 8);
}

// Writes n units from out on; returns the end of what it wrote.
inline unsigned char* PutUtf16Le(const char16_t* units, std::size_t n, unsigned char* out) {
    for (std::size_t k = 0; k < n; ++k) {
        *out++ = static_cast<unsigned char>(units[k] & 0xFF);
        *out++ = static_cast<unsigned char>(units[k] >> 8);
    }
    return out;
}

}  // namespace Tormvale
