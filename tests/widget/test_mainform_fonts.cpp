#include <gtest/gtest.h>

#include "tests/widget/formfixture.h"

using namespace Testing;

namespace {

Ui::FontChoice Choice(const QString& face, int size, bool bold = false, bool italic = false) {
    Ui::FontChoice c;
    c.face = face;
    c.pointSize = size;
    c.bold = bold;
    c.italic = italic;
    return c;
}

struct FontCommand : ShownForm {
    void SetUp() override { Open(u"Font Test ﾃｷｽﾄ かな"); }
};

}  // namespace

TEST_F(FontCommand, ChosenFaceAndSizeGoToTheEditorOnlyTheFaceToTheLists) {
    ClickRow(form->ListBoxK, 3);
    form->Editor->setFocus();
    QTest::keyClicks(form->Editor, "++");
    const std::u16string edited = form->Editor->Text();
    const auto rows = Rows(form->ListBox);
    const int extent = form->ListBox->HorizontalExtent();

    h.fontDialog.answer = Choice("メイリオ", 20);
    form->TBFont->click();
    EXPECT_EQ(form->Editor->font().family(), "メイリオ");
    EXPECT_EQ(form->Editor->font().pointSize(), 20);
    for (Ui::TextList* list : {form->ListBox, form->ListBoxK}) {
        EXPECT_EQ(list->font().family(), "メイリオ");
        EXPECT_EQ(list->font().pointSize(), 10);
        EXPECT_EQ(list->ItemHeight(), 24);
    }
    // Nothing else moves: rows, selection, edits, extent.
    EXPECT_EQ(Rows(form->ListBox), rows);
    EXPECT_EQ(form->ListBox->SelectedRow(), 3);
    EXPECT_EQ(form->Editor->Text(), edited);
    EXPECT_EQ(form->ListBox->HorizontalExtent(), extent);

    h.fontDialog.answer = Choice("Meiryo UI", 8);
    form->TBFont->click();
    EXPECT_EQ(form->ListBox->ItemHeight(), 22);
    // A Get with the same text sets the same extent as before.
    form->TBGet->click();
    EXPECT_EQ(form->ListBox->HorizontalExtent(), extent);
}

TEST_F(FontCommand, TheDialogStartsOnTheEditorsFontAndRemembersTheStyle) {
    h.fontDialog.answer = Choice("テスト書体", 16, true, false);
    form->TBFont->click();
    EXPECT_FALSE(form->Editor->font().bold());
    EXPECT_FALSE(form->ListBox->font().bold());
    ASSERT_EQ(h.fontDialog.opened.size(), 1u);
    EXPECT_EQ(h.fontDialog.openedMin, 8);
    EXPECT_EQ(h.fontDialog.openedMax, 24);
    EXPECT_EQ(h.fontDialog.opened[0].face, TestMenuFont().family());
    EXPECT_EQ(h.fontDialog.opened[0].pointSize, TestMenuFont().pointSize());
    EXPECT_FALSE(h.fontDialog.opened[0].bold);
    EXPECT_EQ(h.fontDialog.opened[0].color, form->Editor->palette().color(QPalette::Text));

    h.fontDialog.answer.reset();  // the user cancels
    form->TBFont->click();
    ASSERT_EQ(h.fontDialog.opened.size(), 2u);
    EXPECT_EQ(h.fontDialog.opened[1].face, "テスト書体");
    EXPECT_EQ(h.fontDialog.opened[1].pointSize, 16);
    EXPECT_TRUE(h.fontDialog.opened[1].bold);
    // Cancel changed nothing.
    EXPECT_EQ(form->Editor->font().family(), "テスト書体");
    EXPECT_EQ(form->Editor->font().pointSize(), 16);
}

TEST_F(FontCommand, TheChoiceSurvivesARestart) {
    h.fontDialog.answer = Choice("テスト書体", 21);
    form->TBFont->click();
    ASSERT_TRUE(form->close());
    Ui::TMainForm& again = h.Make();
    EXPECT_EQ(again.Editor->font().family(), "テスト書体");
    EXPECT_EQ(again.Editor->font().pointSize(), 21);
    EXPECT_EQ(again.ListBox->font().family(), "テスト書体");
    EXPECT_EQ(again.ListBoxK->font().family(), "テスト書体");
    EXPECT_EQ(again.ListBoxK->font().pointSize(), 10);
}
