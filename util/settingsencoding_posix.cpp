#include <iconv.h>
#include <langinfo.h>
#include <strings.h>

#include <cerrno>

#include "util/settingsencoding.h"
#include "util/text.h"

namespace Tormvale {

namespace {

bool SameCharsetName(const char* a, const char* b) { return strcasecmp(a, b) == 0; }

// UTF-8 and the legacy character sets never hold a NUL byte; UTF-16LE holds one after every ASCII
// character. Editors that save "Unicode" without a mark write such files.
bool LooksLikeUtf16LE(std::string_view b) {
    if (b.size() % 2 != 0) return false;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const auto lo = static_cast<unsigned char>(b[i]);
        if (lo != 0 && lo < 0x80 && b[i + 1] == '\0') return true;
    }
    return false;
}

}  // namespace

std::u16string DecodeUnmarked(std::string_view bytes) {
    if (LooksLikeUtf16LE(bytes)) return FromUtf16Le(bytes);
    return DecodeCharset(bytes, nl_langinfo(CODESET));
}

std::u16string DecodeCharset(std::string_view bytes, const char* codeset) {
    // "ANSI_X3.4-1968" is the C locale's ASCII, a subset of UTF-8, which current systems use.
    if (codeset == nullptr || *codeset == '\0' || SameCharsetName(codeset, "UTF-8") ||
        SameCharsetName(codeset, "UTF8") || SameCharsetName(codeset, "ANSI_X3.4-1968")) {
        return Utf8ToUtf16Lossy(bytes);
    }
    iconv_t cd = iconv_open("UTF-16LE", codeset);
    if (cd == reinterpret_cast<iconv_t>(-1)) return Utf8ToUtf16Lossy(bytes);

    std::u16string out;
    out.reserve(bytes.size());
    char buffer[4096];
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const int err = errno;
        out += FromUtf16Le(std::string_view(buffer, static_cast<std::size_t>(outPtr - buffer)));
        if (r != static_cast<std::size_t>(-1) || err == E2BIG) continue;
        // EILSEQ or a truncated sequence at the end: one replacement unit per bad byte.
        out.push_back(u'\uFFFD');
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    return out;
}

}  // namespace Tormvale
