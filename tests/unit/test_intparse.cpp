// The settings file's integer grammar.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <limits>
#include <string>

#include "util/intparse.h"
#include "util/text.h"

using Tormvale::TryParseInteger;

namespace {

constexpr int32_t Untouched = 0x5A5A5A5A;

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TEST(IntParse, AcceptedTexts) {
    const struct {
        const char16_t* text;
        int32_t value;
    } cases[] = {
        {u"0x0C", 12},
        {u"0X0c", 12},
        {u"$0C", 12},
        {u"x0C", 12},
        {u"X0c", 12},
        {u"$FFFFFFFF", -1},
        {u"-$FFFFFFFF", 1},
        {u"-$1", -1},
        {u"+0x7FFFFFFF", std::numeric_limits<int32_t>::max()},
        {u"$80000000", std::numeric_limits<int32_t>::min()},
        {u"-$80000000", std::numeric_limits<int32_t>::min()},  // wraps instead of overflowing
        {u"$000000000C", 12},                                  // leading zeros beyond eight digits
        {u"-2147483648", std::numeric_limits<int32_t>::min()},
        {u"2147483647", std::numeric_limits<int32_t>::max()},
        {u"   12", 12},
        {u"  -7", -7},
        {u"+12", 12},
        {u"-0", 0},
        {u"0", 0},
        {u"007", 7},
    };
    for (const auto& c : cases) {
        int32_t v = Untouched;
        EXPECT_TRUE(TryParseInteger(c.text, v)) << Tormvale::Utf16ToUtf8(c.text);
        EXPECT_EQ(v, c.value) << Tormvale::Utf16ToUtf8(c.text);
    }
}

TEST(IntParse, RefusedTextsLeaveValueUntouched) {
    const char16_t* cases[] = {
        u"",           u" ",           u"+",    u"-",          u"$",           u"x",
        u"0x",         u"-0x",         u"+$",   u"2147483648", u"-2147483649", u"99999999999999999999",
        u"$100000000", u"0x1FFFFFFFF", u"12pt", u"1 2",        u"12 ",         u"\t12",
        u"- 1",        u"+-1",         u"--1",  u"$-1",        u"0x-1",        u"$0x1",
        u"1.0",        u"$G",          u"0b1",  u"１２",
    };
    for (const char16_t* text : cases) {
        int32_t v = Untouched;
        EXPECT_FALSE(TryParseInteger(text, v)) << Tormvale::Utf16ToUtf8(text);
        EXPECT_EQ(v, Untouched) << Tormvale::Utf16ToUtf8(text);
    }
}

// Every value round-trips through the C library's own decimal and hexadecimal forms.
TEST(IntParse, AgreesWithPrintfAcrossTheRange) {
    uint32_t bits = 0;
    for (int i = 0; i < 20000; ++i) {
        bits = bits * 1664525u + 1013904223u;
        const int32_t expected = static_cast<int32_t>(bits);
        char dec[16], hex[16];
        std::snprintf(dec, sizeof dec, "%" PRId32, expected);
        std::snprintf(hex, sizeof hex, "$%" PRIX32, bits);
        int32_t fromDec = 0, fromHex = 0;
        ASSERT_TRUE(TryParseInteger(Ascii(dec), fromDec)) << dec;
        ASSERT_TRUE(TryParseInteger(Ascii(hex), fromHex)) << hex;
        ASSERT_EQ(fromDec, expected) << dec;
        ASSERT_EQ(fromHex, expected) << hex;
    }
}
