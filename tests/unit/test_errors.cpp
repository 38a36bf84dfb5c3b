#include <gtest/gtest.h>

#include <cerrno>

#include "util/errors.h"

using namespace Tormvale;

TEST(ErrorDisplayText, AppendsAFullStopOnlyAfterUnitsAboveIt) {
    struct Case {
        std::u16string in;
        bool dotAdded;
    };
    const Case cases[] = {
        {u"状況依存型ヘルプがインストールされていません", true},
        {u"システム リソース不足です", true},
        {u"ends with digit 0", true},
        {u"ends with a slash/", true},  // '/' is U+002F, just above '.'
        {u"ends with a dot.", false},
        {u"ends with a hyphen-", false},           // U+002D, just below
        {u"ファイル x は開けません。 y ", false},  // a trailing space stays as it is
        {u"", false},
    };
    for (const Case& c : cases) {
        const std::u16string out = ErrorDisplayText(c.in);
        EXPECT_EQ(out, c.dotAdded ? c.in + u"." : c.in);
    }
}

TEST(SystemErrorText, DropsTrailingControlsSpacesAndFullStops) {
    EXPECT_EQ(TrimSystemText(u"Access is denied.\r\n"), u"Access is denied");
    EXPECT_EQ(TrimSystemText(u"a. . \t."), u"a");
    EXPECT_EQ(TrimSystemText(u"..."), u"");
    EXPECT_EQ(TrimSystemText(u"mid. dle"), u"mid. dle");
    const std::u16string text = SystemErrorText(ENOENT);
    ASSERT_FALSE(text.empty());
    EXPECT_GE(text.back(), 33);
    EXPECT_NE(text.back(), u'.');
    EXPECT_EQ(Exception(u"メッセージ").Message(), u"メッセージ");
    EXPECT_STREQ(Exception(u"メッセージ").what(), "メッセージ");
}
