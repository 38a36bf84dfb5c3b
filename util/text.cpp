#include "util/text.h"

#include "util/utf8decode.h"

namespace Tormvale {

namespace {

// Decodes one scalar at utf8[i]; returns its length, or 0 when the bytes there are not valid UTF-8.
std::size_t DecodeOne(std::string_view s, std::size_t i, char32_t& out) {
    const int len = DecodeUtf8(reinterpret_cast<const unsigned char*>(s.data()) + i, s.size() - i, out);
    return len > 0 ? static_cast<std::size_t>(len) : 0;
}

void Append(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
    } else {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8, Utf8Error* error) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        const std::size_t len = DecodeOne(utf8, i, cp);
        if (len == 0) {
            if (error) error->offset = i;
            return {};
        }
        Append(out, cp);
        i += len;
    }
    return out;
}

bool IsValidUtf8(std::string_view utf8, Utf8Error* error) {
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        const std::size_t len = DecodeOne(utf8, i, cp);
        if (len == 0) {
            if (error) error->offset = i;
            return false;
        }
        i += len;
    }
    return true;
}

std::u16string Utf8ToUtf16Lossy(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp;
        const std::size_t len = DecodeOne(utf8, i, cp);
        if (len == 0) {
            out.push_back(u'\uFFFD');
            ++i;
        } else {
            Append(out, cp);
            i += len;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::string ToUtf16Le(std::u16string_view utf16) {
    std::string bytes(2 * utf16.size(), '\0');
    PutUtf16Le(utf16.data(), utf16.size(), reinterpret_cast<unsigned char*>(bytes.data()));
    return bytes;
}

std::u16string FromUtf16Le(std::string_view bytes) {
    std::u16string out(bytes.size() / 2, u'\0');
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    for (std::size_t k = 0; k < out.size(); ++k) out[k] = Utf16LeUnitAt(in, k);
    return out;
}

std::u16string FromUtf16Be(std::string_view bytes) {
    std::u16string out = FromUtf16Le(bytes);
    for (char16_t& c : out) c = static_cast<char16_t>(c << 8 | c >> 8);
    return out;
}

}  // namespace Tormvale
