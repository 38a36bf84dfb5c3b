#include <gtest/gtest.h>

#include <QTextCursor>

#include "tests/widget/formfixture.h"

using namespace Testing;

namespace {

struct Selecting : ShownForm {
    void SetUp() override { Open(u"Mixed Text: ﾊﾟｿｺﾝ ひらがな カタカナ ＡＢＣ"); }
    QPoint RowCenter(Ui::TextList* list, int row) { return list->visualItemRect(list->item(row)).center(); }
    void Click(Ui::TextList* list, int row) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, row));
    }
    std::u16string Variant(int r) { return form->Data()[static_cast<std::size_t>(r)]; }
    // What the clipboard was last given, without its terminating NUL.
    std::optional<std::u16string> Placed() {
        if (!h.clipboard.block) return std::nullopt;
        return h.clipboard.block->substr(0, h.clipboard.block->size() - 1);
    }
};

}  // namespace

TEST_F(Selecting, AClickInEitherListMovesBothAndLoadsThatVariant) {
    struct Step {
        bool labelList;
        int row;
    };
    for (const Step s : {Step{false, 3}, Step{true, 5}, Step{false, 0}, Step{true, 2}, Step{true, 2}}) {
        Click(s.labelList ? form->ListBoxK : form->ListBox, s.row);
        EXPECT_EQ(form->ListBox->SelectedRow(), s.row);
        EXPECT_EQ(form->ListBoxK->SelectedRow(), s.row);
        EXPECT_EQ(form->Editor->Text(), Variant(s.row));
    }
    EXPECT_FALSE(h.clipboard.block.has_value());  // selecting puts nothing on the clipboard
}

TEST_F(Selecting, KeyboardMovesCountAsClicks) {
    form->ListBox->setFocus();
    QTest::keyClick(form->ListBox, Qt::Key_Down);
    QTest::keyClick(form->ListBox, Qt::Key_Down);
    EXPECT_EQ(form->ListBoxK->SelectedRow(), 2);
    EXPECT_EQ(form->Editor->Text(), Variant(2));
    form->ListBoxK->setFocus();
    QTest::keyClick(form->ListBoxK, Qt::Key_End);
    constexpr int Last = static_cast<int>(Varnopile::VariantCount) - 1;
    EXPECT_EQ(form->ListBox->SelectedRow(), Last);
    EXPECT_EQ(form->Editor->Text(), Variant(Last));
}

TEST_F(Selecting, EditsGoOnAClickUnlessTheVariantEqualsTheEditor) {
    Click(form->ListBox, 1);
    form->Editor->setFocus();
    QTest::keyClicks(form->Editor, "xyz");
    Click(form->ListBox, 1);  // the row already selected: its variant comes back
    EXPECT_EQ(form->Editor->Text(), Variant(1));

    // Row 4 and row 0 hold the same text here only if the source has no hiragana; make the
    // editor equal to row 3's variant by hand and check caret and selection survive a click on it.
    form->Editor->SetText(Variant(3));
    QTextCursor c = form->Editor->textCursor();
    c.setPosition(2);
    c.setPosition(5, QTextCursor::KeepAnchor);
    form->Editor->setTextCursor(c);
    Click(form->ListBoxK, 3);
    EXPECT_EQ(form->Editor->textCursor().anchor(), 2);
    EXPECT_EQ(form->Editor->textCursor().position(), 5);
}

TEST_F(Selecting, DoubleClickAppliesTheRowThatWasHit) {
    for (Ui::TextList* list : {form->ListBox, form->ListBoxK}) {
        for (int row : {2, 4}) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, row));
            ASSERT_TRUE(Placed());
            EXPECT_EQ(*Placed(), Variant(row)) << list->objectName().toStdString() << " row " << row;
        }
    }
}

TEST_F(Selecting, EnterInTheResultListAppliesTheEditorAndNothingElseTypedReachesTheList) {
    Click(form->ListBox, 3);
    form->Editor->setFocus();
    QTest::keyClick(form->Editor, Qt::Key_End);
    QTest::keyClicks(form->Editor, " edited");
    const std::u16string edited = form->Editor->Text();
    form->ListBox->setFocus();
    QTest::keyClicks(form->ListBox, "hm");  // consumed: no search, no selection change
    EXPECT_EQ(form->ListBox->SelectedRow(), 3);
    EXPECT_FALSE(Placed());
    QTest::keyClick(form->ListBox, Qt::Key_Return);
    ASSERT_TRUE(Placed());
    EXPECT_EQ(*Placed(), edited);
    EXPECT_EQ(form->Editor->Text(), edited);
    EXPECT_EQ(form->Data()[3] + u" edited", edited);  // the set itself is untouched

    h.clipboard.block.reset();
    form->ListBoxK->setFocus();
    QTest::keyClick(form->ListBoxK, Qt::Key_Return);
    EXPECT_FALSE(Placed());
}

TEST_F(Selecting, LabelListTypeAhead) {
    struct Step {
        QString keys;  // "\b" for Backspace
        int interval;  // ms the list allows between keys within this step
        bool fresh;    // the step's first key starts a new search
        int expectedRow;
    };
    const Step steps[] = {
        {"ひ", 500, true, 4},     {"小", 500, true, 1},
        {"半角", 0, true, 3},  // each key starts anew: "角" alone matches no label, row stays
        {"全", 60000, true, 2},   {"半", 60000, false, 2},  // "全半" matches nothing: no change
        {"\b", 60000, false, 2},                            // back to "全"
        {"\b", 60000, false, 0},                            // empty search text: row 0
        {"カタ", 60000, true, 5}, {"か", 60000, true, 5},   // hiragana is not katakana in another case
    };
    form->ListBoxK->setFocus();
    for (const Step& s : steps) {
        bool first = true;
        for (const QChar ch : s.keys) {
            form->ListBoxK->TypeAheadIntervalMs = (first && s.fresh) ? 0 : s.interval;
            first = false;
            if (ch == u'\b')
                QTest::keyClick(form->ListBoxK, Qt::Key_Backspace);
            else
                TypeText(form->ListBoxK, QString(ch));
        }
        EXPECT_EQ(form->ListBoxK->SelectedRow(), s.expectedRow) << s.keys.toStdString();
        EXPECT_EQ(form->ListBox->SelectedRow(), s.expectedRow) << s.keys.toStdString();
        EXPECT_EQ(form->Editor->Text(), Variant(s.expectedRow)) << s.keys.toStdString();
    }
}

TEST(SelectingBeforeAnyText, BackspaceInTheEmptyLabelListReadsNothing) {
    FormHarness h;
    Ui::TMainForm& form = h.Make();
    ASSERT_TRUE(ShowAndActivate(form));
    form.Editor->SetText(u"typed");
    form.ListBoxK->setFocus();
    QTest::keyClick(form.ListBoxK, Qt::Key_Backspace);
    QTest::keyClick(form.ListBoxK, Qt::Key_Down);
    EXPECT_EQ(form.Editor->Text(), u"typed");
    EXPECT_TRUE(h.errors.shown.isEmpty());
}

TEST(Apply, PutsTheEditorsExactText) {
    struct Case {
        const char* name;
        std::u16string clipboard;
        const char* typed;  // typed at the end of the editor, "\n" as Enter
        std::u16string expected;
    };
    const Case cases[] = {
        {"unedited, CR LF kept", u"a\r\nb\rc\nd", "", u"a\r\nb\rc\nd"},
        {"typed break follows CR LF", u"x\r\ny", "\nz", u"x\r\ny\r\nz"},
        {"typed break in LF text", u"x\ny", "\nz", u"x\ny\nz"},
        {"no-break and ideographic spaces stay", u"\u00A0a\u3000", "", u"\u00A0a\u3000"},
        {"a tab typed", u"t", "\t", u"t\t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormHarness h;
        h.clipboard.text = c.clipboard;
        Ui::TMainForm& form = h.Make();
        ASSERT_TRUE(ShowAndActivate(form));
        form.Editor->setFocus();
        form.Editor->moveCursor(QTextCursor::End);
        for (const char* p = c.typed; *p; ++p) {
            if (*p == '\n')
                QTest::keyClick(form.Editor, Qt::Key_Return);
            else if (*p == '\t')
                QTest::keyClick(form.Editor, Qt::Key_Tab);
            else
                QTest::keyClicks(form.Editor, QString(QChar(*p)));
        }
        form.TBApply->click();
        ASSERT_TRUE(h.clipboard.block);
        EXPECT_EQ(*h.clipboard.block, c.expected + u'\0');
    }
}

TEST(Apply, EmptyEditorPutsAnEmptyText) {
    FormHarness h;
    Ui::TMainForm& form = h.Make();  // no text on the clipboard: the lists stay empty
    ASSERT_TRUE(ShowAndActivate(form));
    form.TBApply->click();
    ASSERT_TRUE(h.clipboard.block);
    EXPECT_EQ(*h.clipboard.block, std::u16string(1, u'\0'));
}

TEST(Apply, FailuresAreShownAndChangeNothingInTheWindow) {
    struct Case {
        const char* name;
        void (*arrange)(ScriptedClipboardBackend&);
        QStringList shown;
    };
    const Case cases[] = {
        {"held throughout", [](ScriptedClipboardBackend& c) { c.refuseOpens = 5; }, {}},
        {"the system refuses the data",
         [](ScriptedClipboardBackend& c) { c.failSet = true; },
         {"システム リソース不足です."}},
        // The third open of the put is the fresh one after emptying; count the Get's opens too.
        {"taken away mid-write",
         [](ScriptedClipboardBackend& c) { c.refuseOpenCalls = {c.Count("Open") + 3}; },
         {"クリップボード Access is denied を開けません."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FormHarness h;
        h.clipboard.text = u"Keep Me";
        Ui::TMainForm& form = h.Make();
        ASSERT_TRUE(ShowAndActivate(form));
        const auto rows = Rows(form.ListBox);
        c.arrange(h.clipboard);
        form.TBApply->click();
        EXPECT_EQ(h.errors.shown, c.shown);
        EXPECT_EQ(Rows(form.ListBox), rows);
        EXPECT_EQ(form.Editor->Text(), rows[0]);
        EXPECT_FALSE(h.clipboard.held);
        EXPECT_TRUE(form.isVisible());
    }
}
