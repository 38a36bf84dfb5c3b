// The conversion set and the four locale mappings: any code units, up to twice the source limit.
//
// Input: a first byte, then little-endian units. An even first byte takes the units as the text;
// an odd one reads the next two bytes as a length (at most twice the source limit) and repeats
// the units after them up to it, so long kana texts near the mapping capacity are easy to reach.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/conversionset.h"
#include "fuzz/fuzz_check.h"
#include "util/lcmap.h"
#include "util/mappings.h"

namespace {

constexpr std::size_t MaxUnits = 2 * Varnopile::SourceLimit;

std::u16string TextOf(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    if ((data[0] & 1) == 0) {
        std::u16string text = Fuzz::Units(data + 1, size - 1);
        text.resize(std::min(text.size(), MaxUnits));
        return text;
    }
    if (size < 3) return {};
    const std::size_t length = std::min<std::size_t>(data[1] | data[2] << 8, MaxUnits);
    const std::u16string pattern = Fuzz::Units(data + 3, size - 3);
    if (pattern.empty()) return std::u16string(length, u' ');
    std::u16string text;
    text.reserve(length + pattern.size());
    while (text.size() < length) text += pattern;
    text.resize(length);
    return text;
}

std::u16string Trimmed(std::u16string_view text) {
    text = text.substr(0, Varnopile::SourceLimit);
    while (!text.empty() && text.front() <= 0x20) text.remove_prefix(1);
    while (!text.empty() && text.back() <= 0x20) text.remove_suffix(1);
    return std::u16string(text);
}

std::u16string ShiftLetters(std::u16string text, char16_t first, int delta) {
    for (char16_t& c : text)
        if (c >= first && c < first + 26) c = static_cast<char16_t>(c + delta);
    return text;
}

// The platform call's contract on text and its terminator, with heap destinations of exactly the
// capacity given so that any write past it is caught; then what the mapping built on it gave.
void CheckMapping(std::uint32_t flag, const std::u16string& text, const std::u16string& mapped) {
    const int count = static_cast<int>(text.size()) + 1;
    const int needed = Tormvale::LCMapStringW(0x0411, flag, text.c_str(), count, nullptr, 0);
    FUZZ_CHECK(needed >= 1);
    if (flag == Tormvale::LcmapKatakana || flag == Tormvale::LcmapHiragana) FUZZ_CHECK(needed == count);
    if (flag == Tormvale::LcmapFullWidth) FUZZ_CHECK(needed <= count);
    if (flag == Tormvale::LcmapHalfWidth) FUZZ_CHECK(needed >= count && needed <= 2 * count);

    const std::unique_ptr<char16_t[]> exact(new char16_t[static_cast<std::size_t>(needed)]);
    FUZZ_CHECK(Tormvale::LCMapStringW(0x0411, flag, text.c_str(), count, exact.get(), needed) == needed);
    FUZZ_CHECK(exact[static_cast<std::size_t>(needed) - 1] == u'\0');
    if (needed > 1) {
        const std::unique_ptr<char16_t[]> short1(new char16_t[static_cast<std::size_t>(needed) - 1]);
        FUZZ_CHECK(Tormvale::LCMapStringW(0x0411, flag, text.c_str(), count, short1.get(), needed - 1) == 0);
    }
    const std::u16string_view output(exact.get(), static_cast<std::size_t>(needed));

    if (needed > Tormvale::MappingBufferSize) {
        FUZZ_CHECK(mapped.empty());
    } else {
        FUZZ_CHECK(mapped == output.substr(0, output.find(u'\0')));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = TextOf(data, size);
    const std::u16string source = Trimmed(text);

    const Varnopile::ConversionSet set = Varnopile::BuildConversionSet(text);
    const auto of = [&set](Varnopile::Mapping m) -> const std::u16string& { return set[Varnopile::IndexOf(m)]; };
    using Varnopile::Mapping;
    FUZZ_CHECK(of(Mapping::LowerCase) == ShiftLetters(source, u'A', 0x20));
    FUZZ_CHECK(of(Mapping::UpperCase) == ShiftLetters(source, u'a', -0x20));
    for (const std::u16string& variant : set)
        FUZZ_CHECK(variant.size() < static_cast<std::size_t>(Tormvale::MappingBufferSize));
    // The kana forms map unit for unit and never fail within the source limit.
    const std::size_t beforeNul = std::min(source.find(u'\0'), source.size());
    FUZZ_CHECK(of(Mapping::Katakana).size() == beforeNul && of(Mapping::Hiragana).size() == beforeNul);

    CheckMapping(Tormvale::LcmapHalfWidth, source, of(Mapping::HalfWidth));
    CheckMapping(Tormvale::LcmapFullWidth, source, of(Mapping::FullWidth));
    CheckMapping(Tormvale::LcmapKatakana, source, of(Mapping::Katakana));
    CheckMapping(Tormvale::LcmapHiragana, source, of(Mapping::Hiragana));
    // The mappings on their own, on the whole text too: past the capacity they give empty.
    if (text != source) {
        CheckMapping(Tormvale::LcmapHalfWidth, text, Tormvale::MapHalfWidth(text));
        CheckMapping(Tormvale::LcmapFullWidth, text, Tormvale::MapFullWidth(text));
        CheckMapping(Tormvale::LcmapKatakana, text, Tormvale::MapKatakana(text));
        CheckMapping(Tormvale::LcmapHiragana, text, Tormvale::MapHiragana(text));
    }
    return 0;
}
