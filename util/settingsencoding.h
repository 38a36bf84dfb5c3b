#pragma once
// The settings file's bytes as text: read by the byte-order-mark rules, saved as UTF-16LE.
#include <string>
#include <string_view>

namespace Tormvale {

enum class SettingsEncoding {
    Detect,   // from the byte-order mark; without one, UTF-16LE when it looks like it, else the locale's character set
    Utf16LE,  // whatever the file holds; a leading FF FE is skipped
};

std::u16string DecodeSettingsText(std::string_view bytes, SettingsEncoding enc);

// FF FE, then the text as UTF-16LE.
std::string EncodeSettingsText(std::u16string_view text);

// Bytes in the locale's character set (nl_langinfo(CODESET)) to UTF-16. Exposed for tests, which
// name the character set; undecodable bytes become U+FFFD.
std::u16string DecodeCharset(std::string_view bytes, const char* codeset);

}  // namespace Tormvale
