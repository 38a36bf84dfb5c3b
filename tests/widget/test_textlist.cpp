// The list on its own, in states the window never leaves it in: rows but no selection, and a row
// asked for one past the end.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QSignalSpy>
#include <QTest>

#include "ui/textlist.h"

namespace {

// Twenty rows in a list that shows several, so a page is more than one row.
struct TextListTest : ::testing::Test {
    void SetUp() override {
        for (int i = 0; i < 20; ++i) list.AddRow(QStringLiteral("row %1").arg(i));
        list.resize(200, 150);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }
    Ui::TextList list;
};

TEST_F(TextListTest, FromNoSelectionEndPicksTheLastRowAndEveryOtherMoveTheFirst) {
    struct Case {
        const char* name;
        Qt::Key key;
        int row;
    };
    const Case cases[] = {{"End", Qt::Key_End, 19}, {"Home", Qt::Key_Home, 0},          {"Down", Qt::Key_Down, 0},
                          {"Up", Qt::Key_Up, 0},    {"Page Down", Qt::Key_PageDown, 0}, {"Page Up", Qt::Key_PageUp, 0}};
    for (const auto& [name, key, row] : cases) {
        SCOPED_TRACE(name);
        list.SelectRow(-1);
        ASSERT_EQ(list.currentRow(), -1);
        QSignalSpy clicks(&list, &Ui::TextList::Click);
        QTest::keyClick(&list, key);
        EXPECT_EQ(list.SelectedRow(), row);
        EXPECT_EQ(clicks.count(), 1);
    }
}

TEST_F(TextListTest, ARowOutOfRangeSelectsNothingAndIsNotKeptForARowAddedLater) {
    for (const int asked : {20, 21, -1, -2}) {
        SCOPED_TRACE(asked);
        list.SelectRow(5);
        list.SelectRow(asked);
        EXPECT_EQ(list.SelectedRow(), -1);
        EXPECT_EQ(list.currentRow(), -1);
        // Once the list has grown, an assistive tool's pick of the new row is the user's click.
        list.AddRow(QStringLiteral("added"));
        QSignalSpy clicks(&list, &Ui::TextList::Click);
        QAccessible::queryAccessibleInterface(&list)->tableInterface()->selectRow(20);
        QCoreApplication::sendPostedEvents(&list, QEvent::MetaCall);
        EXPECT_EQ(list.SelectedRow(), 20);
        EXPECT_EQ(clicks.count(), 1);
        delete list.takeItem(20);
    }
}

}  // namespace
