// The locale mappings: their tables, and the contract of the call beneath them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "util/lcmap.h"
#include "util/mappings.h"
#include "util/text.h"

using namespace Tormvale;

namespace {

using Mapping = std::function<std::u16string(const std::u16string&)>;

std::u16string Repeat(std::u16string_view unit, std::size_t n) {
    std::u16string s;
    for (std::size_t i = 0; i < n; ++i) s += unit;
    return s;
}

std::string Hex(const std::u16string& s) {
    std::ostringstream out;
    out << std::hex;
    for (char16_t c : s) out << "U+" << static_cast<unsigned>(c) << ' ';
    return out.str();
}

}  // namespace

TEST(LocaleMappings, CheckedCases) {
    const std::u16string sample = u"ABab12ＡＢａｂ１２あアばバﾊﾟ万萬";
    struct Case {
        const char* name;
        Mapping map;
        std::u16string source, expected;
    } cases[] = {
        {"full", MapFullWidth, sample, u"ＡＢａｂ１２ＡＢａｂ１２あアばバパ万萬"},
        {"half", MapHalfWidth, sample, u"ABab12ABab12あｱばﾊﾞﾊﾟ万萬"},
        {"hiragana", MapHiragana, sample, u"ABab12ＡＢａｂ１２ああばばﾊﾟ万萬"},
        {"katakana", MapKatakana, sample, u"ABab12ＡＢａｂ１２アアババﾊﾟ万萬"},
        {"full space", MapFullWidth, u"Ab 1", u"Ａｂ　１"},
        {"half space", MapHalfWidth, u"Ａｂ　１", u"Ab 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(c.map(c.source)), Hex(c.expected)) << c.name;
}

TEST(LocaleMappings, VoicedMarksAndExceptions) {
    struct Case {
        const char* name;
        Mapping map;
        std::u16string source, expected;
    } cases[] = {
        // A voiced katakana narrows to two units; a base without a half-width form stays.
        {"decompose", MapHalfWidth, u"ガパヴヷヺヸヹヾ", u"ｶﾞﾊﾟｳﾞﾜﾞｦﾞヰﾞヱﾞヽﾞ"},
        {"no half form", MapHalfWidth, u"ヮヰヱヵヶヽがぱ", u"ヮヰヱヵヶヽがぱ"},
        {"marks narrow", MapHalfWidth, u"゛゜\u3099\u309Aー・「」。、", u"ﾞﾟﾞﾟｰ･｢｣｡､"},
        // Composition needs the mark right after a base that has a composed form.
        {"compose", MapFullWidth, u"ｶﾞﾊﾟｳﾞﾜﾞｦﾞ", u"ガパヴヷヺ"},
        {"marks alone", MapFullWidth, u"ﾞﾟｱﾞｶﾟﾊﾞﾟﾞｶ", u"゛゜ア゛カ゜バ゜゛カ"},
        {"mark ends text", MapFullWidth, u"xﾊﾟ", u"ｘパ"},
        // The platform leaves the backslash and its full-width form alone.
        {"backslash full", MapFullWidth, u"a\\b", u"ａ\\ｂ"},
        {"backslash half", MapHalfWidth, u"ａ＼ｂ", u"a＼b"},
        {"quotes", MapHalfWidth, u"‘’“”", u"''\"\""},
        {"quotes stay", MapFullWidth, u"‘’“”", u"‘’“”"},
        {"symbols full", MapFullWidth, u"¢£¬¯¦¥₩⦅⦆", u"￠￡￢￣￤￥￦｟｠"},
        {"symbols half", MapHalfWidth, u"￠￡￢￣￤￥￦｟｠", u"¢£¬¯¦¥₩⦅⦆"},
        {"hangul and forms full", MapFullWidth, u"ﾠﾡￜ￨￩￪￫￬￭￮", u"ㅤㄱㅣ│←↑→↓■○"},
        {"hangul and forms half", MapHalfWidth, u"ㅤㄱㅣ│←↑→↓■○", u"ﾠﾡￜ￨￩￪￫￬￭￮"},
        // The kana mappings touch neither half-width katakana nor ヷ-ヺ.
        {"katakana", MapKatakana, u"ぁゖゝゞゟｱヷ", u"ァヶヽヾゟｱヷ"},
        {"hiragana", MapHiragana, u"ァヶヽヾヿｱヷヸヹヺ", u"ぁゖゝゞヿｱヷヸヹヺ"},
        {"empty", MapHalfWidth, u"", u""},
    };
    for (const auto& c : cases) EXPECT_EQ(Hex(c.map(c.source)), Hex(c.expected)) << c.name;
}

TEST(LocaleMappings, RoundTrips) {
    for (char16_t c = 0x20; c <= 0x7E; ++c) {
        const std::u16string ascii(1, c);
        const std::u16string wide = MapFullWidth(ascii);
        EXPECT_EQ(wide != ascii, c != u'\\') << Hex(ascii);
        EXPECT_EQ(MapHalfWidth(wide), ascii) << Hex(ascii);
    }
    for (char16_t h = 0xFF61; h <= 0xFF9F; ++h) {
        const std::u16string narrow(1, h);
        EXPECT_NE(MapFullWidth(narrow), narrow) << Hex(narrow);
        EXPECT_EQ(MapHalfWidth(MapFullWidth(narrow)), narrow) << Hex(narrow);
    }
    // ヸ ヹ ヾ narrow to a base without a half-width form, so they come back as base and spacing mark.
    for (char16_t k = 0x30A1; k <= 0x30FE; ++k) {
        const std::u16string kana(1, k);
        if (k == 0x30F8 || k == 0x30F9 || k == 0x30FE) continue;
        EXPECT_EQ(MapFullWidth(MapHalfWidth(kana)), kana) << Hex(kana);
    }
    for (char16_t h = 0x3041; h <= 0x3096; ++h) {
        const std::u16string hira(1, h);
        EXPECT_EQ(MapKatakana(hira), std::u16string(1, static_cast<char16_t>(h + 0x60)));
        EXPECT_EQ(MapHiragana(MapKatakana(hira)), hira);
    }
}

// The mappings read several units at a time; the result must not depend on where a text's
// units fall. Without context (no half-width sound marks for full width) a text maps as the
// concatenation of its units mapped one by one.
TEST(LocaleMappings, LengthsAndOffsets) {
    const std::u16string alphabet = u"aZ \\～ａあアガヴｱ漢。ー・゙゛😀ﾜ";
    struct Case {
        const char* name;
        Mapping map;
        bool withMarks;
    } cases[] = {
        {"half", MapHalfWidth, true},
        {"full", MapFullWidth, false},
        {"katakana", MapKatakana, true},
        {"hiragana", MapHiragana, true},
    };
    for (const auto& c : cases) {
        for (std::size_t length = 0; length <= 40; ++length) {
            std::u16string text, expected;
            for (std::size_t i = 0; i < length; ++i) {
                const char16_t unit = alphabet[(i * 7 + length) % alphabet.size()];
                text += unit;
                expected += c.map(std::u16string(1, unit));
            }
            EXPECT_EQ(Hex(c.map(text)), Hex(expected)) << c.name << ", length " << length;
        }
    }
    // A base and its mark compose wherever they fall, across any step of the scan.
    for (std::size_t offset = 0; offset <= 20; ++offset) {
        const std::u16string kana = Repeat(u"あ", offset), wide = Repeat(u"ａ", offset), narrow = Repeat(u"a", offset);
        EXPECT_EQ(MapFullWidth(kana + u"ｶﾞ" + kana), kana + u"ガ" + kana) << offset;
        EXPECT_EQ(MapFullWidth(narrow + u"ﾊﾟ" + kana + u"ﾞ"), wide + u"パ" + kana + u"゛") << offset;
        EXPECT_EQ(MapFullWidth(kana + u"ｶ" + kana + u"あﾞ"), kana + u"カ" + kana + u"あ゛") << offset;
    }
}

// Every width pair of the Unicode data, read here independently of the generator.
TEST(LocaleMappings, AgreesWithUnicodeData) {
    std::ifstream data("/usr/share/unicode/UnicodeData.txt");
    if (!data) GTEST_SKIP() << "UnicodeData.txt not installed";
    std::string line;
    int pairs = 0;
    while (std::getline(data, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string part; std::getline(fields, part, ';');) f.push_back(part);
        const bool wide = f[5].starts_with("<wide> "), narrow = f[5].starts_with("<narrow> ");
        if (!wide && !narrow) continue;
        const auto cp = static_cast<char16_t>(std::stoul(f[0], nullptr, 16));
        const auto base = static_cast<char16_t>(std::stoul(f[5].substr(f[5].find(' ') + 1), nullptr, 16));
        // Exceptions: the backslash pair, and the half-width marks that widen to spacing marks.
        if (cp == 0xFF3C || cp == 0xFF9E || cp == 0xFF9F) continue;
        const std::u16string full(1, wide ? cp : base), half(1, wide ? base : cp);
        EXPECT_EQ(Hex(MapFullWidth(half)), Hex(full)) << f[0];
        EXPECT_EQ(Hex(MapHalfWidth(full)), Hex(half)) << f[0];
        ++pairs;
    }
    EXPECT_GT(pairs, 200);
}

TEST(LocaleMappings, GeneratedTablesAreCurrent) {
    if (std::system("command -v python3 >/dev/null && test -r /usr/share/unicode/UnicodeData.txt") != 0)
        GTEST_SKIP() << "python3 or UnicodeData.txt missing";
    const std::string command = std::string("python3 ") + VARNOPILE_SOURCE_DIR + "/scripts/gen_width_tables.py --check";
    EXPECT_EQ(std::system(command.c_str()), 0) << "util/widthtables.cpp differs from what the script generates";
}

// The output must fit in MappingBufferSize units with its terminator, so 32736 units is the most.
TEST(LocaleMappings, BufferBoundary) {
    const std::size_t most = MappingBufferSize - 1;
    struct Case {
        const char* name;
        Mapping map;
        std::u16string fits, overflows, expected;
    } cases[] = {
        {"half doubles", MapHalfWidth, Repeat(u"ガ", most / 2), Repeat(u"ガ", most / 2) + u"ア",
         Repeat(u"ｶﾞ", most / 2)},
        {"full", MapFullWidth, Repeat(u"a", most), Repeat(u"a", most + 1), Repeat(u"ａ", most)},
        {"full composes under the limit", MapFullWidth, Repeat(u"ｶﾞ", most), Repeat(u"ｶﾞ", most) + u"x",
         Repeat(u"ガ", most)},
        {"katakana", MapKatakana, Repeat(u"あ", most), Repeat(u"あ", most + 1), Repeat(u"ア", most)},
        {"hiragana", MapHiragana, Repeat(u"ア", most), Repeat(u"ア", most + 1), Repeat(u"あ", most)},
    };
    for (const auto& c : cases) {
        const std::u16string got = c.map(c.fits);
        EXPECT_EQ(got.size(), most) << c.name;
        EXPECT_TRUE(got == c.expected) << c.name;
        EXPECT_EQ(c.map(c.overflows), u"") << c.name;
    }
}

TEST(LocaleMappings, NulEndsTheResult) {
    const std::u16string source(u"アイ\0ウエ", 5);
    EXPECT_EQ(MapHiragana(source), u"あい");
    EXPECT_EQ(MapHalfWidth(std::u16string(u"\0ア", 2)), u"");
    // The call itself maps past the NUL, and a mark after it does not compose with the base before.
    char16_t dest[8] = {};
    const char16_t src[] = {u'ｶ', 0, u'ﾞ', 0};
    ASSERT_EQ(LCMapStringW(GetUserDefaultLCID(), LcmapFullWidth, src, 4, dest, 8), 4);
    EXPECT_EQ(std::u16string(dest, 4), std::u16string(u"カ\0゛\0", 4));
}

TEST(LocaleMappings, CallContract) {
    const std::uint32_t lcid = GetUserDefaultLCID();
    const char16_t ga[] = u"ガ";  // with its terminator: half width needs 3 units
    const char16_t kd[] = u"ｶﾞ";  // full width needs 2
    const char16_t kana[] = u"あいうえおかきくけこさしすせそたちつてとﾞ";  // 20 kana and a mark
    char16_t dest[32];
    struct Case {
        const char* name;
        std::uint32_t flags;
        const char16_t* src;
        int count;
        int capacity;
        int expected;
    } cases[] = {
        {"exact fit", LcmapHalfWidth, ga, 2, 3, 3},
        {"one short", LcmapHalfWidth, ga, 2, 2, 0},
        {"size query", LcmapHalfWidth, ga, 2, 0, 3},
        {"counted to NUL", LcmapHalfWidth, ga, -1, 8, 3},
        {"without terminator", LcmapHalfWidth, ga, 1, 2, 2},
        {"composes into less than the source", LcmapFullWidth, kd, 3, 2, 2},
        {"composed one short", LcmapFullWidth, kd, 3, 1, 0},
        {"kana blocks exact", LcmapFullWidth, kana, 21, 21, 21},
        {"kana blocks one short", LcmapFullWidth, kana, 21, 20, 0},
        {"kana blocks short by a block", LcmapFullWidth, kana, 21, 13, 0},
        {"kana exact", LcmapKatakana, ga, 2, 2, 2},
        {"kana short", LcmapHiragana, ga, 2, 1, 0},
        {"no source", LcmapHalfWidth, nullptr, 2, 8, 0},
        {"zero count", LcmapHalfWidth, ga, 0, 8, 0},
        {"bad count", LcmapHalfWidth, ga, -2, 8, 0},
        {"bad capacity", LcmapHalfWidth, ga, 2, -1, 0},
        {"two flags", LcmapHalfWidth | LcmapKatakana, ga, 2, 8, 0},
        {"no flag", 0, ga, 2, 8, 0},
        {"other flag", 0x00000100, ga, 2, 8, 0},
    };
    for (const auto& c : cases) {
        std::fill(std::begin(dest), std::end(dest), u'?');
        EXPECT_EQ(LCMapStringW(lcid, c.flags, c.src, c.count, dest, c.capacity), c.expected) << c.name;
    }
    // The mapping writes the terminator it was given.
    std::fill(std::begin(dest), std::end(dest), u'?');
    ASSERT_EQ(LCMapStringW(lcid, LcmapHalfWidth, ga, 2, dest, 3), 3);
    EXPECT_EQ(std::u16string(dest, 3), std::u16string(u"ｶﾞ\0", 3));
    // Every unit counted is written, the last of an odd count too.
    std::fill(std::begin(dest), std::end(dest), u'?');
    ASSERT_EQ(LCMapStringW(lcid, LcmapKatakana, kana, 3, dest, 3), 3);
    EXPECT_EQ(std::u16string(dest, 4), u"アイウ?");
    // A destination over the source is refused.
    char16_t inPlace[] = u"あい";
    EXPECT_EQ(LCMapStringW(lcid, LcmapKatakana, inPlace, 3, inPlace, 3), 0);
    EXPECT_EQ(LCMapStringW(lcid, LcmapKatakana, inPlace, 3, inPlace + 2, 1), 0);
}

TEST(LocaleMappings, UserLocale) {
    struct Case {
        const char *lcAll, *lcCtype, *lang;
        std::uint32_t expected;
    } cases[] = {
        {"", "", "ja_JP.UTF-8", 0x0411},
        {"en_US.UTF-8", "", "ja_JP.UTF-8", 0x0409},
        {"", "zh_TW.UTF-8", "", 0x0404},
        {"", "", "C.UTF-8", 0x007F},
        {"", "", "", 0x007F},
        {"", "", "xx_YY", 0x0400},
    };
    const auto set = [](const char* name, const char* value) {
        if (*value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    };
    for (const auto& c : cases) {
        set("LC_ALL", c.lcAll);
        set("LC_CTYPE", c.lcCtype);
        set("LANG", c.lang);
        EXPECT_EQ(GetUserDefaultLCID(), c.expected) << c.lcAll << '|' << c.lcCtype << '|' << c.lang;
    }
}
