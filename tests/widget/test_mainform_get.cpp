#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextCursor>

#include "core/conversionset.h"
#include "tests/widget/formfixture.h"

using namespace Testing;

namespace {

std::vector<std::u16string> Labels() {
    std::vector<std::u16string> labels;
    for (const Varnopile::Variant& variant : Varnopile::Variants) labels.emplace_back(variant.label);
    return labels;
}

std::vector<std::u16string> Variants(const std::u16string& text) {
    const auto set = Varnopile::BuildConversionSet(text);
    return std::vector<std::u16string>(set.begin(), set.end());
}

// The widest row as a plain list box measures it: per-unit advances of the default family at 8 points.
int Widest(const std::vector<std::u16string>& rows) {
    QFont font(QApplication::font().family());
    font.setPointSize(8);
    const QFontMetrics fm(font);
    int widest = 0;
    for (const auto& row : rows) {
        int w = 0;
        for (char16_t u : row) w += fm.horizontalAdvance(QChar(u));
        widest = std::max(widest, w);
    }
    return widest;
}

}  // namespace

TEST(GetCommand, ShowingTheWindowFillsBothListsFromTheClipboard) {
    FormHarness h;
    h.clipboard.text = u"  Varnopile ﾊﾟｿｺﾝ ひらがな ＡＢＣ\r\n";
    Ui::TMainForm& form = h.Make();
    EXPECT_EQ(form.ListBox->count(), 0);  // nothing before the window is shown
    ASSERT_TRUE(ShowAndActivate(form));
    EXPECT_EQ(Rows(form.ListBoxK), Labels());
    EXPECT_EQ(Rows(form.ListBox), Variants(u"  Varnopile ﾊﾟｿｺﾝ ひらがな ＡＢＣ\r\n"));
    EXPECT_EQ(form.ListBox->SelectedRow(), 0);
    EXPECT_EQ(form.ListBoxK->SelectedRow(), 0);
    EXPECT_EQ(form.Editor->Text(), Rows(form.ListBox)[0]);
    EXPECT_EQ(form.ListBoxK->HorizontalExtent(), 0);
    EXPECT_EQ(form.ListBox->HorizontalExtent(), 2 * Widest(Rows(form.ListBox)));
    EXPECT_EQ(QApplication::focusWidget(), form.ListBox);
    EXPECT_TRUE(h.errors.shown.isEmpty());
}

TEST(GetCommand, WhitespaceOnlyGivesSixEmptyRowsAndNoExtent) {
    FormHarness h;
    h.clipboard.text = u"\t \r\n ";
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    EXPECT_EQ(Rows(form.ListBox), std::vector<std::u16string>(6));
    EXPECT_EQ(form.ListBox->HorizontalExtent(), 0);
    EXPECT_EQ(form.Editor->Text(), u"");
}

TEST(GetCommand, EditorEqualToTheNewVariantIsLeftAlone) {
    FormHarness h;
    h.clipboard.text = u"line one\nline two";
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    QTextCursor cursor = form.Editor->textCursor();
    cursor.setPosition(3);
    cursor.setPosition(6, QTextCursor::KeepAnchor);
    form.Editor->setTextCursor(cursor);
    h.clipboard.text = u"LINE ONE\nLine Two";  // same lower-case variant
    form.TBGet->click();
    EXPECT_EQ(form.Editor->textCursor().anchor(), 3);
    EXPECT_EQ(form.Editor->textCursor().position(), 6);
    EXPECT_EQ(Rows(form.ListBox)[1], u"LINE ONE\nLINE TWO");
}

TEST(GetCommand, LongTextScrollsTheResultListSideways) {
    FormHarness h;
    std::u16string text;
    while (text.size() < 20000) text += u"ｶﾀｶﾅとひらがなと Latin ＦＵＬＬ ";
    h.clipboard.text = text;
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    const auto rows = Rows(form.ListBox);
    ASSERT_EQ(rows[0].size(), 16384u);  // cut at the source limit
    EXPECT_EQ(rows[0], form.Editor->Text());
    const int extent = form.ListBox->HorizontalExtent();
    EXPECT_EQ(extent, 2 * Widest(rows));
    EXPECT_EQ(form.ListBox->horizontalScrollBar()->maximum(), extent - form.ListBox->viewport()->width());
    EXPECT_EQ(form.ListBoxK->horizontalScrollBar()->maximum(), 0);
    // Scrolled to the far end, the window still paints.
    form.ListBox->horizontalScrollBar()->setValue(form.ListBox->horizontalScrollBar()->maximum());
    EXPECT_FALSE(form.grab().isNull());
}
