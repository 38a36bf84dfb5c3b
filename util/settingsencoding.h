#pragma once
// The settings file's bytes as text: read by the byte-order-mark rules, saved as UTF-16LE.
#include <string>
#include <string_view>

namespace Tormvale {

enum class SettingsEncoding {
    Detect,   // from the byte-order mark; without one, as DecodeUnmarked says
    Utf16LE,  // whatever the file holds; a leading FF FE is skipped
};

std::u16string DecodeSettingsText(std::string_view bytes, SettingsEncoding enc);

// FF FE, then the text as UTF-16LE.
std::string EncodeSettingsText(std::u16string_view text);

// A file without a byte-order mark: on Windows in the system's ANSI code page (GetACP); elsewhere
// UTF-16LE when it looks like it, else the locale's character set.
std::u16string DecodeUnmarked(std::string_view bytes);

#if defined(_WIN32)
// Bytes in a Windows code page to UTF-16. Exposed for tests, which name the code page.
std::u16string DecodeCodePage(std::string_view bytes, unsigned codePage);
#else
// Bytes in a character set (nl_langinfo(CODESET) names the locale's) to UTF-16. Exposed for tests,
// which name the character set; undecodable bytes become U+FFFD.
std::u16string DecodeCharset(std::string_view bytes, const char* codeset);
#endif

}  // namespace Tormvale
