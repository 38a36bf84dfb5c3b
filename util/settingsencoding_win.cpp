#include <windows.h>

#include <climits>

#include "util/settingsencoding.h"

namespace Tormvale {

std::u16string DecodeUnmarked(std::string_view bytes) { return DecodeCodePage(bytes, ::GetACP()); }

std::u16string DecodeCodePage(std::string_view bytes, unsigned codePage) {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int n = static_cast<int>(bytes.size());
    const int units = ::MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
    if (units <= 0) return {};
    std::u16string text(static_cast<std::size_t>(units), u'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), n, reinterpret_cast<wchar_t*>(text.data()), units);
    return text;
}

}  // namespace Tormvale
