// The converter's stream: any bytes, cut into pieces by the first bytes of the input, through
// both bulk loops; the output equals the one-shot mapping of what decodes, and a failure comes
// exactly where the decoder finds the first bad byte.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversionset.h"
#include "core/streamconverter.h"
#include "fuzz/fuzz_check.h"
#include "util/text.h"

namespace {

std::u16string OneShot(std::size_t variant, const std::u16string& text) {
    std::u16string out(2 * text.size(), u'\0');
    out.resize(Varnopile::MapUnits(Varnopile::Variants[variant].mapping, text.data(), text.size(), out.data()));
    return out;
}

struct Streamed {
    std::string out;
    bool failed;
    std::uint64_t offset;
};

Streamed Stream(std::size_t variant, Varnopile::StreamKernel kernel, std::string_view input, std::size_t pieceSize) {
    Varnopile::StreamConverter converter(variant, Varnopile::StreamForm::Utf8, kernel);
    Streamed r;
    for (std::size_t at = 0; at < input.size(); at += pieceSize) {
        // Each piece in a buffer of its own, so that the sanitizers see any read past it.
        const std::string_view part = input.substr(at, pieceSize);
        const std::vector<char> piece(part.begin(), part.end());
        std::vector<char> out(Varnopile::StreamConverter::OutputBound(piece.size()));
        r.out.append(out.data(), converter.Put({piece.data(), piece.size()}, out.data()));
    }
    std::vector<char> out(Varnopile::StreamConverter::OutputBound(0));
    r.out.append(out.data(), converter.Finish(out.data()));
    r.failed = converter.Failed();
    r.offset = converter.FailureOffset();
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t variant = data[0] % Varnopile::VariantCount;
    // 1 to 4096 bytes a piece; the bulk loops take only pieces of 72 bytes and more.
    const std::size_t pieceSize = 1 + (data[1] * 16 + data[0] / 6) % 4096;
    const std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);

    Tormvale::Utf8Error error{};
    const bool valid = Tormvale::IsValidUtf8(input, &error);
    const std::string_view decodable = input.substr(0, valid ? input.size() : error.offset);
    const std::string expected = Tormvale::Utf16ToUtf8(OneShot(variant, Tormvale::Utf8ToUtf16(decodable)));
    for (const auto kernel : {Varnopile::StreamKernel::Best, Varnopile::StreamKernel::Portable}) {
        const Streamed r = Stream(variant, kernel, input, pieceSize);
        FUZZ_CHECK(r.out == expected);
        FUZZ_CHECK(r.failed == !valid);
        if (!valid) FUZZ_CHECK(r.offset == error.offset);
    }
    return 0;
}
