#include <gtest/gtest.h>

#include "tests/widget/formfixture.h"
#include "ui/rowdelegate.h"

#include <QScrollBar>

TEST(RowDelegate, RowsShowOnOneLineWithMarksForBreaksAndControls) {
    const struct {
        QString row;
        QString shown;
    } cases[] = {
        {"a\r\nb", "a\u21B5b"},  // CR LF is one break, one mark
        {"a\rb\nc", "a\u21B5b\u21B5c"},
        {"\r\n\r\n", "\u21B5\u21B5"},
        {"t\tt", "t\u2192t"},
        {QString("x") + QChar(0) + "y", "x\u2400y"},
        {"\x1b\x7f", "\u241B\u2421"},
        {"\u3000\u00A0ｶﾞ", "\u3000\u00A0ｶﾞ"},  // everything printable passes as it is
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Ui::RowDelegate::DisplayText(c.row), c.shown) << c.row.toStdString();
}

TEST(RowDelegate, ALongRowPaintsWhereverItIsScrolled) {
    Testing::FormHarness h;
    std::u16string text;
    while (text.size() < 16000) text += u"𠮷野家\t";  // surrogate pairs throughout
    h.clipboard.text = text;
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(Testing::ShowAndActivate(form));
    QScrollBar* bar = form.ListBox->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    // The extent is twice the row measured at 8 points, so past about half of it the row has ended.
    for (int value : {0, bar->maximum() / 3, bar->maximum() / 2}) {
        bar->setValue(value);
        const QImage shot = form.ListBox->viewport()->grab().toImage();
        // Something was drawn on the first row: not all pixels equal the background.
        const QRect row = form.ListBox->visualItemRect(form.ListBox->item(1));
        const QRgb background = shot.pixel(row.right() - 1, row.bottom());
        bool drawn = false;
        for (int x = 0; x < shot.width() && !drawn; ++x)
            for (int y = row.top(); y < row.bottom() && !drawn; ++y) drawn = shot.pixel(x, y) != background;
        EXPECT_TRUE(drawn) << "scrolled to " << value;
    }
}
