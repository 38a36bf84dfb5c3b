#include "util/settingsencoding.h"

#include "util/text.h"

namespace Tormvale {

namespace {

bool StartsWith(std::string_view b, std::string_view mark) { return b.substr(0, mark.size()) == mark; }

}  // namespace

std::u16string DecodeSettingsText(std::string_view bytes, SettingsEncoding enc) {
    if (enc == SettingsEncoding::Utf16LE) {
        if (StartsWith(bytes, "\xFF\xFE")) bytes.remove_prefix(2);
        return FromUtf16Le(bytes);
    }
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return Utf8ToUtf16Lossy(bytes.substr(3));
    if (StartsWith(bytes, "\xFF\xFE")) return FromUtf16Le(bytes.substr(2));
    if (StartsWith(bytes, "\xFE\xFF")) return FromUtf16Be(bytes.substr(2));
    return DecodeUnmarked(bytes);
}

std::string EncodeSettingsText(std::u16string_view text) { return "\xFF\xFE" + ToUtf16Le(text); }

}  // namespace Tormvale
