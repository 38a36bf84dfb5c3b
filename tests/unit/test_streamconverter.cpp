// The stream against the one-shot mappings, over random texts cut into random pieces.
#include "core/streamconverter.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/conversionset.h"
#include "util/text.h"

using namespace Varnopile;
using namespace std::string_literals;

namespace {

// Units the tables treat specially, beside plain ones: sound marks and what they join, the
// units that split in two, 2-, 3- and 4-byte UTF-8, NUL.
const std::u16string Alphabet =
    u"aZ \\~\t\0"
    u"ｶﾞﾟﾊｳﾜｦｱﾝ･ﾞﾟ"
    u"ガパヴヷヸヺヽヾゝゞあゔゕ漢\u3099\u309A"
    u"Ａｚ＼　\u2018\u201D"
    u"\u00A2\u00A5\u00AC\u20A9\u2985\uFF5F\uFFA0\uFFDC\u3131\uFFE8\uFFEE\u2502\u25CB\uFFFD"
    u"\u00E9\u0416"s;

std::u16string RandomText(std::mt19937& random, bool loneSurrogates) {
    std::u16string text;
    // Now and then longer than the blocks the UTF-16 stream maps at a time.
    const std::size_t most = std::bernoulli_distribution(0.05)(random) ? 6000 : 300;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, most)(random);
    std::uniform_int_distribution<std::size_t> pick(0, Alphabet.size() + 1);
    while (text.size() < length) {
        const std::size_t k = pick(random);
        if (k < Alphabet.size())
            text += Alphabet[k];
        else if (k == Alphabet.size())
            text += u"\U0001F600";
        else
            text += loneSurrogates ? u'\xD83D' : u'x';
    }
    return text;
}

// The one-shot mapping of the whole text: no capacity limit, NUL mapped as any other unit.
std::u16string OneShot(std::size_t variant, const std::u16string& text) {
    std::u16string out(2 * text.size(), u'\0');
    out.resize(MapUnits(Variants[variant].mapping, text.data(), text.size(), out.data()));
    return out;
}

std::string Utf16Le(std::u16string_view s) {
    std::string b;
    for (char16_t c : s) b += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    return b;
}

struct Streamed {
    std::string out;
    bool failed;
    std::uint64_t offset;
};

Streamed StreamInPieces(std::size_t variant, StreamForm form, const std::string& input, std::mt19937& random,
                        StreamKernel kernel = StreamKernel::Best) {
    StreamConverter converter(variant, form, kernel);
    Streamed r;
    std::vector<char> out;
    const std::size_t most =
        std::uniform_int_distribution<std::size_t>(1, std::bernoulli_distribution(0.3)(random) ? 400 : 40)(random);
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t size =
            std::min(std::uniform_int_distribution<std::size_t>(1, most)(random), input.size() - at);
        out.resize(StreamConverter::OutputBound(size));
        // A buffer of its own, so that the sanitizers see any read past the piece.
        const std::vector<char> piece(input.begin() + static_cast<std::ptrdiff_t>(at),
                                      input.begin() + static_cast<std::ptrdiff_t>(at + size));
        r.out.append(out.data(), converter.Put({piece.data(), piece.size()}, out.data()));
        at += size;
    }
    out.resize(StreamConverter::OutputBound(0));
    r.out.append(out.data(), converter.Finish(out.data()));
    r.failed = converter.Failed();
    r.offset = converter.FailureOffset();
    return r;
}

}  // namespace

TEST(StreamConvert, Utf8EqualsOneShotWhateverThePieces) {
    std::mt19937 random(12);
    // Bytes that break UTF-8 where they are put: a stray continuation, a lead cut short, an
    // encoded surrogate, an overlong, a whole block with no lead.
    const std::string breaks[] = {"\x80",     "\xE3\x82", "\xF0\x9F\x98",          "\xED\xA0\x80",
                                  "\xC0\xAF", "\xFF",     std::string(130, '\x80')};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t variant = static_cast<std::size_t>(round) % VariantCount;
        const std::u16string text = RandomText(random, false);
        const bool broken = std::bernoulli_distribution(0.25)(random);
        std::string input = Tormvale::Utf16ToUtf8(text);
        std::u16string valid = text;
        if (broken) {
            // Cut at a sequence boundary: the offset of the break is that of the text before it.
            std::size_t units = std::uniform_int_distribution<std::size_t>(0, text.size())(random);
            if (units > 0 && units < text.size() && text[units - 1] >= 0xD800 && text[units - 1] < 0xDC00) ++units;
            valid = text.substr(0, units);
            const std::string before = Tormvale::Utf16ToUtf8(valid);
            input = before + breaks[random() % std::size(breaks)] + input.substr(before.size());
        }
        // The vector loop where the processor has it, and the portable one.
        const StreamKernel kernel = round / VariantCount % 2 == 0 ? StreamKernel::Best : StreamKernel::Portable;
        SCOPED_TRACE("round " + std::to_string(round) + ", variant " + std::to_string(variant));
        const Streamed r = StreamInPieces(variant, StreamForm::Utf8, input, random, kernel);
        ASSERT_EQ(r.out, Tormvale::Utf16ToUtf8(OneShot(variant, valid)));
        Tormvale::Utf8Error error{};
        ASSERT_EQ(r.failed, !Tormvale::IsValidUtf8(input, &error));
        if (r.failed) {
            EXPECT_EQ(r.offset, error.offset);
        }
    }
}

// Each lead byte with each byte after it, then the continuations its length asks for, at the
// places the bulk loops treat apart: the start, across a block, at and over the end of a stretch (192
// for the vector loop on this length, 256 for the portable one). Judged as the decoder does.
TEST(StreamConvert, EveryLeadAndSecondByteJudgedAsTheDecoderDoes) {
    for (const StreamKernel kernel : {StreamKernel::Best, StreamKernel::Portable}) {
        for (const bool checkOnly : {true, false}) {
            for (const std::size_t at : {0, 63, 190, 191, 254}) {
                for (unsigned lead = 0x80; lead < 0x100; ++lead) {
                    for (unsigned second = 0; second < 0x100; ++second) {
                        std::string input(300, 'a');
                        input[at] = static_cast<char>(lead);
                        input[at + 1] = static_cast<char>(second);
                        if (lead >= 0xE0) input[at + 2] = '\x80';
                        if (lead >= 0xF0) input[at + 3] = '\x80';
                        StreamConverter converter =
                            checkOnly ? StreamConverter(StreamForm::Utf8, kernel)
                                      : StreamConverter(IndexOf(Mapping::HalfWidth), StreamForm::Utf8, kernel);
                        std::vector<char> out(StreamConverter::OutputBound(input.size()));
                        converter.Put(input, out.data());
                        converter.Finish(out.data());
                        Tormvale::Utf8Error error{};
                        const bool valid = Tormvale::IsValidUtf8(input, &error);
                        ASSERT_EQ(converter.Failed(), !valid) << std::hex << lead << " " << second << " at " << at;
                        if (!valid) {
                            ASSERT_EQ(converter.FailureOffset(), error.offset) << std::hex << lead << " " << second;
                        }
                    }
                }
            }
        }
    }
}

// A katakana and its sound mark, or a mark after something else, at every place in one piece: across
// blocks and the ends of stretches, each variant as the one-shot mapping has it.
TEST(StreamConvert, SoundMarksAtEveryPlace) {
    for (const StreamKernel kernel : {StreamKernel::Best, StreamKernel::Portable}) {
        for (const std::u16string snippet : {u"ｶﾞ", u"ﾊﾟﾟ", u"ｶ漢ﾞ", u"ｶaﾞ", u"ｶ😀ﾞ"}) {
            for (std::size_t at = 0; at + 8 < 300; ++at) {
                std::u16string text(300, u'a');
                text.replace(at, snippet.size(), snippet);
                const std::string input = Tormvale::Utf16ToUtf8(text);
                for (std::size_t variant = 0; variant < VariantCount; ++variant) {
                    StreamConverter converter(variant, StreamForm::Utf8, kernel);
                    std::string out(StreamConverter::OutputBound(input.size()), '\0');
                    std::size_t n = converter.Put(input, out.data());
                    n += converter.Finish(out.data() + n);
                    out.resize(n);
                    ASSERT_EQ(out, Tormvale::Utf16ToUtf8(OneShot(variant, text)))
                        << "at " << at << ", variant " << variant;
                }
            }
        }
    }
}

TEST(StreamConvert, Utf16EqualsOneShotWhateverThePieces) {
    std::mt19937 random(16);
    for (int round = 0; round < 1200; ++round) {
        const std::size_t variant = static_cast<std::size_t>(round) % VariantCount;
        const std::u16string text = RandomText(random, true);
        std::string input = Utf16Le(text);
        const bool odd = std::bernoulli_distribution(0.2)(random);  // ends in half a unit
        if (odd) input += 'q';
        SCOPED_TRACE("round " + std::to_string(round) + ", variant " + std::to_string(variant));
        const Streamed r = StreamInPieces(variant, StreamForm::Utf16Le, input, random);
        ASSERT_EQ(r.out, Utf16Le(OneShot(variant, text)));
        ASSERT_EQ(r.failed, odd);
        if (odd) {
            EXPECT_EQ(r.offset, input.size());
        }
    }
}
