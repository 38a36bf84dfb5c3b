#pragma once
// UTF-8 paths and texts to and from the wide strings of the Win32 calls, where wchar_t is a
// UTF-16 unit. Used by the _win halves only.
#include <string>
#include <string_view>

#include "util/text.h"

namespace Tormvale {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the Win32 calls take UTF-16 units");

inline std::wstring ToWide(std::string_view utf8) {
    const std::u16string units = Utf8ToUtf16Lossy(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string FromWide(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace Tormvale
