// The variant table, and BuildConversionSet: the cut, the trim, the order of the variants and the case conversions.
#include <gtest/gtest.h>

#include <string>

#include "core/conversionset.h"
#include "util/mappings.h"

using namespace Varnopile;

namespace {

// The variants the set must hold for an already cut and trimmed source, one mapping each.
ConversionSet Expected(const std::u16string& source) {
    return {MapLowerCase(source),           MapUpperCase(source),          Tormvale::MapHalfWidth(source),
            Tormvale::MapFullWidth(source), Tormvale::MapKatakana(source), Tormvale::MapHiragana(source)};
}

}  // namespace

TEST(ConversionSet, TableOfVariants) {
    const struct {
        std::string_view name;
        std::u16string_view label;
        std::size_t length;
    } expected[] = {{"lower", u"大文字→小文字", 7},        {"upper", u"小文字→大文字", 7},
                    {"halfwidth", u"全角→半角", 5},        {"fullwidth", u"半角→全角", 5},
                    {"katakana", u"ひらがな→カタカナ", 9}, {"hiragana", u"カタカナ→ひらがな", 9}};
    ASSERT_EQ(VariantCount, std::size(expected));
    for (std::size_t i = 0; i < VariantCount; ++i) {
        EXPECT_EQ(Variants[i].name, expected[i].name) << i;
        EXPECT_EQ(Variants[i].label, expected[i].label) << i;
        EXPECT_EQ(Variants[i].label.size(), expected[i].length) << i;
        EXPECT_NE(Variants[i].label.find(u'\u2192'), std::u16string_view::npos) << i;
    }
}

TEST(ConversionSet, CutAndTrim) {
    const std::u16string letters = u"abc";
    const std::u16string full(SourceLimit, u'x');
    // U+1F600 as a surrogate pair.
    const std::u16string pair = u"\U0001F600";
    struct Case {
        const char* name;
        std::u16string text, source;
    } cases[] = {
        {"empty", u"", u""},
        {"whitespace only", u" \t\r\n \n", u""},
        {"controls and NUL trimmed", std::u16string(u"\0\x1F a\x01", 5), u"a"},
        {"other spaces kept", u"\u3000\u00A0a\u00A0\u3000", u"\u3000\u00A0a\u00A0\u3000"},
        {"DEL kept", u"\x7F", u"\x7F"},
        {"outer line breaks go, inner stay", u"\r\n\ta\r\nb\tc\n\r", u"a\r\nb\tc"},
        {"cut before trim", std::u16string(SourceLimit, u' ') + letters, u""},
        {"trim after the cut", std::u16string(SourceLimit - 1, u'y') + u" z", std::u16string(SourceLimit - 1, u'y')},
        {"limit exactly", full, full},
        {"one unit over", full + u"Z", full},
        {"pair across the cut", std::u16string(SourceLimit - 1, u'x') + pair,
         std::u16string(SourceLimit - 1, u'x') + pair.substr(0, 1)},
        {"pair inside the limit", std::u16string(SourceLimit - 2, u'x') + pair,
         std::u16string(SourceLimit - 2, u'x') + pair},
    };
    for (const auto& c : cases) {
        const ConversionSet got = BuildConversionSet(c.text);
        const ConversionSet want = Expected(c.source);
        for (std::size_t i = 0; i < VariantCount; ++i) EXPECT_TRUE(got[i] == want[i]) << c.name << ", variant " << i;
    }
}

// Each variant comes from the source, never from another variant.
TEST(ConversionSet, OrderAndIndependence) {
    const ConversionSet set = BuildConversionSet(u"\r\nAbｶﾞあア\t");
    const std::u16string expected[] = {u"abｶﾞあア", u"ABｶﾞあア", u"Abｶﾞあｱ", u"Ａｂガあア", u"Abｶﾞアア", u"Abｶﾞああ"};
    for (std::size_t i = 0; i < VariantCount; ++i) EXPECT_TRUE(set[i] == expected[i]) << i;
}

TEST(ConversionSet, CaseConversionsTouchAsciiOnly) {
    // Neighbours of both ASCII ranges, full-width, accented, Greek and Cyrillic letters.
    const std::u16string others = u"@[`{ＡＺａｚÀàΩωЖжǅ";
    std::u16string upper, lower;
    for (char16_t c = u'A'; c <= u'Z'; ++c) upper += c;
    for (char16_t c = u'a'; c <= u'z'; ++c) lower += c;
    const std::u16string text = upper + others + lower;
    EXPECT_EQ(MapLowerCase(text), lower + others + lower);
    EXPECT_EQ(MapUpperCase(text), upper + others + upper);
    const ConversionSet set = BuildConversionSet(text);
    EXPECT_EQ(set[IndexOf(Mapping::LowerCase)], lower + others + lower);
    EXPECT_EQ(set[IndexOf(Mapping::UpperCase)], upper + others + upper);
}

// A source whose half-width form outgrows the mapping buffer leaves only that variant empty.
TEST(ConversionSet, HalfWidthCapacity) {
    const std::u16string voiced(SourceLimit, u'ガ');
    constexpr std::size_t Half = IndexOf(Mapping::HalfWidth);
    const ConversionSet over = BuildConversionSet(voiced);
    for (std::size_t i = 0; i < VariantCount; ++i) {
        const std::u16string want = i == Half                                  ? u""
                                    : Variants[i].mapping == Mapping::Hiragana ? std::u16string(SourceLimit, u'が')
                                                                               : voiced;
        EXPECT_EQ(over[i], want) << i;
    }

    // The largest mix that still fits: 2 units a voiced katakana, 1 the rest, 32736 in all.
    const std::size_t most = Tormvale::MappingBufferSize - 1;
    const std::size_t voicedCount = most - SourceLimit;
    const std::u16string fits = std::u16string(voicedCount, u'ガ') + std::u16string(SourceLimit - voicedCount, u'ア');
    const ConversionSet set = BuildConversionSet(fits);
    EXPECT_EQ(set[Half].size(), most);
    const std::u16string over1 =
        std::u16string(voicedCount + 1, u'ガ') + std::u16string(SourceLimit - voicedCount - 1, u'ア');
    EXPECT_EQ(BuildConversionSet(over1)[Half], u"") << "one more voiced katakana overflows";
}

// The case conversions work eight units a step with a plain loop for the tail: every length up to
// 40 (five steps and every tail) with each neighbour of the letter ranges at every position, against
// a unit-by-unit reference.
TEST(ConversionSet, CaseConversionsAgreeWithAPlainReferenceAtEveryLengthAndPosition) {
    const char16_t around[] = {0x0000, 0x0040, u'A',   u'M',   u'Z',   0x005B, 0x0060, u'a',
                               u'z',   0x007B, 0x00C0, 0x0141, 0xFF21, 0xFF41, 0xFFFF};
    auto reference = [](std::u16string s, char16_t first, char16_t last, int delta) {
        for (char16_t& u : s)
            if (u >= first && u <= last) u = static_cast<char16_t>(u + delta);
        return s;
    };
    for (std::size_t length = 0; length <= 40; ++length) {
        for (const char16_t filler : {u'@', u'q', u'Q'}) {
            for (std::size_t at = 0; at < std::max<std::size_t>(length, 1); ++at) {
                for (const char16_t unit : around) {
                    std::u16string text(length, filler);
                    if (length > 0) text[at] = unit;
                    SCOPED_TRACE(testing::Message() << "length " << length << ", filler " << char(filler) << ", unit "
                                                    << std::hex << int(unit) << " at " << std::dec << at);
                    ASSERT_EQ(MapLowerCase(text), reference(text, u'A', u'Z', 0x20));
                    ASSERT_EQ(MapUpperCase(text), reference(text, u'a', u'z', -0x20));
                }
            }
        }
    }
}
