// Every way a user can touch the two lists, and where both lists and the editor end up: only a
// left press on a row, the movement keys and a pick by an assistive tool move the selection.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QClipboard>
#include <QGuiApplication>
#include <functional>

#include "tests/widget/formfixture.h"

using namespace Testing;

namespace {

struct ListGestures : ShownForm {
    void SetUp() override { Open(u"Mixed Text: ﾊﾟｿｺﾝ ひらがな カタカナ ＡＢＣ"); }
};

void Key(Ui::TextList* list, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    list->setFocus();
    QTest::keyClick(list, key, modifiers);
}

void Assist(std::function<void(QAccessibleTableInterface*)> act, Ui::TextList* list) {
    act(QAccessible::queryAccessibleInterface(list)->tableInterface());
    QCoreApplication::sendPostedEvents(list, QEvent::MetaCall);
}

}  // namespace

TEST_F(ListGestures, OnlyTheProgramsRulesMoveASelection) {
    using Act = std::function<void(Ui::TMainForm&)>;
    struct Case {
        const char* name;
        Act act;
        int row;               // where both lists end
        bool clicked;          // the click ran: the editor holds that row's variant, the edit is gone
        bool applied = false;  // the editor's text went to the clipboard
    };
    const auto click = [](bool label, int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        return [=](Ui::TMainForm& f) {
            Ui::TextList* list = label ? f.ListBoxK : f.ListBox;
            QTest::mouseClick(list->viewport(), button, m, RowCenter(list, row));
        };
    };
    const auto key = [](bool label, Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return [=](Ui::TMainForm& f) { Key(label ? f.ListBoxK : f.ListBox, k, m); };
    };
    const Case cases[] = {
        {"left click on a row", click(false, 4), 4, true},
        {"left click on a label", click(true, 3), 3, true},
        {"left click on the selected row", click(false, 2), 2, true},
        {"Ctrl+click on the selected row", click(true, 2, Qt::LeftButton, Qt::ControlModifier), 2, true},
        {"Ctrl+click on another row", click(false, 5, Qt::LeftButton, Qt::ControlModifier), 5, true},
        {"right click on a row", click(false, 3, Qt::RightButton), 2, false},
        {"middle click on a label", click(true, 3, Qt::MiddleButton), 2, false},
        {"left click at the right end of a row",
         [](Ui::TMainForm& f) {
             const QPoint p(f.ListBox->viewport()->width() - 2, RowCenter(f.ListBox, 4).y());
             QTest::mouseClick(f.ListBox->viewport(), Qt::LeftButton, {}, p);
         },
         4, true},
        {"left click below the rows",
         [](Ui::TMainForm& f) {
             QTest::mouseClick(f.ListBox->viewport(), Qt::LeftButton, {},
                               QPoint(20, f.ListBox->viewport()->height() - 3));
         },
         2, false},
        {"left click below the labels",
         [](Ui::TMainForm& f) {
             QTest::mouseClick(f.ListBoxK->viewport(), Qt::LeftButton, {},
                               QPoint(20, f.ListBoxK->viewport()->height() - 3));
         },
         2, false},
        {"press on row 1, drag to row 4",
         [](Ui::TMainForm& f) {
             QWidget* v = f.ListBox->viewport();
             QTest::mousePress(v, Qt::LeftButton, {}, RowCenter(f.ListBox, 1));
             for (int r = 1; r <= 4; ++r) QTest::mouseMove(v, RowCenter(f.ListBox, r));
             QTest::mouseRelease(v, Qt::LeftButton, {}, RowCenter(f.ListBox, 4));
         },
         1, true},
        {"double click on a label",
         [](Ui::TMainForm& f) {
             QTest::mouseDClick(f.ListBoxK->viewport(), Qt::LeftButton, {}, RowCenter(f.ListBoxK, 5));
         },
         5, true, true},
        {"Ctrl+Space in the result list", key(false, Qt::Key_Space, Qt::ControlModifier), 2, false},
        {"Ctrl+Space in the label list", key(true, Qt::Key_Space, Qt::ControlModifier), 2, false},
        {"Space in the result list", key(false, Qt::Key_Space), 2, false},
        {"Ctrl+A", key(false, Qt::Key_A, Qt::ControlModifier), 2, false},
        {"Ctrl+C", key(false, Qt::Key_C, Qt::ControlModifier), 2, false},
        {"Ctrl+C on a label", key(true, Qt::Key_C, Qt::ControlModifier), 2, false},
        {"Ctrl+Insert on a label", key(true, Qt::Key_Insert, Qt::ControlModifier), 2, false},
        {"Down", key(false, Qt::Key_Down), 3, true},
        {"Up in the labels", key(true, Qt::Key_Up), 1, true},
        {"Ctrl+Down", key(false, Qt::Key_Down, Qt::ControlModifier), 3, true},
        {"Home", key(false, Qt::Key_Home), 0, true},
        {"End in the labels", key(true, Qt::Key_End), 5, true},
        {"Page Down: every row fits, so the last", key(false, Qt::Key_PageDown), 5, true},
        {"Page Up", key(true, Qt::Key_PageUp), 0, true},
        {"an assistive tool selects a label",
         [](Ui::TMainForm& f) { Assist([](QAccessibleTableInterface* t) { t->selectRow(4); }, f.ListBoxK); }, 4, true},
        {"an assistive tool unselects the row",
         [](Ui::TMainForm& f) { Assist([](QAccessibleTableInterface* t) { t->unselectRow(2); }, f.ListBox); }, 2,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Both lists on row 2 through a real click, then an edit that only a click would undo.
        ClickRow(form->ListBox, 2);
        form->Editor->setFocus();
        form->Editor->moveCursor(QTextCursor::End);
        QTest::keyClicks(form->Editor, "!");
        const std::u16string edited = form->Data()[2] + u"!";
        ASSERT_EQ(form->Editor->Text(), edited);
        QGuiApplication::clipboard()->setText(QStringLiteral("the user's own text"));
        h.clipboard.block.reset();

        c.act(*form);

        EXPECT_EQ(form->ListBox->SelectedRow(), c.row);
        EXPECT_EQ(form->ListBoxK->SelectedRow(), c.row);
        EXPECT_EQ(form->ListBox->selectedItems().size(), 1);
        EXPECT_EQ(form->ListBoxK->selectedItems().size(), 1);
        EXPECT_EQ(form->Editor->Text(), c.clicked ? form->Data()[static_cast<std::size_t>(c.row)] : edited);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "the user's own text");
        EXPECT_EQ(h.clipboard.block.has_value(), c.applied);
    }
}
