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

}  // namespace Tormvale
