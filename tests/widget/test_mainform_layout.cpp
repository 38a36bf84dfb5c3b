#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QToolTip>

#include "tests/widget/formfixture.h"

using namespace Testing;

namespace {

struct LayoutFixture : ::testing::Test {
    TempDir data;
    RecordingErrorDisplay errors;
    std::unique_ptr<Ui::TMainForm> form;

    void SetUp() override {
        Ui::MainFormServices s;
        s.dataFolder = data.Path() + "/";
        s.errorDisplay = &errors;
        s.menuFont = TestMenuFont();
        form = std::make_unique<Ui::TMainForm>(s);
    }
    QRect Geo(QWidget* w) { return w->geometry(); }
};

}  // namespace

TEST_F(LayoutFixture, DesignedSizeAndDocking) {
    ASSERT_TRUE(ShowAndActivate(*form));
    EXPECT_EQ(form->windowTitle(), "Varnopile");
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(form->size(), QSize(388, 368));

    struct Case {
        QSize client;
        bool wraps;
    };
    // The one-row width of the bar is what its right-most button needs.
    const int oneRow = form->TBClose->geometry().right() + 1;
    ASSERT_LE(oneRow, 388);
    const Case cases[] = {{{388, 368}, false},       {{600, 500}, false}, {{388, 600}, false}, {{oneRow, 368}, false},
                          {{oneRow - 1, 368}, true}, {{120, 368}, true},  {{388, 200}, false}};
    for (const Case& c : cases) {
        form->resize(c.client);
        const int w = c.client.width();
        const int h = c.client.height();
        const int bar = form->ToolBar->height();
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        if (c.wraps) {
            EXPECT_GE(bar, 54);
            EXPECT_EQ(bar % 27, 0);
            // Every button still lies inside the bar, none beyond the window's edge.
            for (QToolButton* b : {form->TBGet, form->TBApply, form->TBFont, form->TBClose}) {
                EXPECT_TRUE(QRect(0, 0, w, bar).contains(b->geometry()) || b->width() > w)
                    << b->objectName().toStdString();
                EXPECT_EQ(b->height(), 27);
            }
        } else {
            EXPECT_EQ(bar, 27);
        }
        EXPECT_EQ(Geo(form->ToolBar), QRect(0, 0, w, bar));
        EXPECT_EQ(Geo(form->GroupBox1), QRect(0, bar, w, 180));
        EXPECT_EQ(Geo(form->ListBoxK), QRect(2, 14, 150, 164));
        EXPECT_EQ(Geo(form->ListBox), QRect(152, 14, std::max(0, w - 154), 164));
        EXPECT_EQ(Geo(form->StatusBar), QRect(0, h - 19, w, 19));
        // Too short for all: the editor gives up its height, the status bar stays at the bottom.
        EXPECT_EQ(Geo(form->Editor), QRect(0, bar + 180, w, std::max(0, h - 19 - bar - 180)));
    }
}

TEST_F(LayoutFixture, ToolButtonsInOrderWithSeparators) {
    form->resize(388, 368);
    const QList<QWidget*> order = {form->TBGet,  form->TBApply,     form->ToolButton3,
                                   form->TBFont, form->ToolButton4, form->TBClose};
    int x = 0;
    for (QWidget* w : order) {
        EXPECT_EQ(w->x(), x) << w->objectName().toStdString();
        EXPECT_EQ(w->y(), 0);
        x += w->width();
    }
    EXPECT_EQ(form->ToolButton3->width(), 8);
    EXPECT_EQ(form->ToolButton4->width(), 8);
    EXPECT_EQ(form->TBGet->text(), "取得(&G)");
    EXPECT_EQ(form->TBApply->text(), "更新(&A)");
    EXPECT_EQ(form->TBFont->text(), "フォント");
    EXPECT_EQ(form->TBClose->text(), "終了(&X)");
    EXPECT_EQ(form->TBGet->toolTip(), "クリップボードからデータを取得します。");
    EXPECT_EQ(form->TBApply->toolTip(), "エディタのデータをクリップボードに送ります。");
    EXPECT_EQ(form->TBFont->toolTip(), "リスト、エディタのフォントを変更します。");
    EXPECT_EQ(form->TBClose->toolTip(), "終了します。");
    for (QWidget* w : {form->ToolButton3, form->ToolButton4, static_cast<QWidget*>(form->ListBox),
                       static_cast<QWidget*>(form->ListBoxK), static_cast<QWidget*>(form->Editor),
                       static_cast<QWidget*>(form->StatusBar), static_cast<QWidget*>(form->ToolBar)}) {
        EXPECT_TRUE(w->toolTip().isEmpty()) << w->objectName().toStdString();
    }
}

TEST_F(LayoutFixture, FocusStartsOnResultListAndTabWalksToTheEditor) {
    ASSERT_TRUE(ShowAndActivate(*form));
    EXPECT_EQ(QApplication::focusWidget(), form->ListBox);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->ListBoxK);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    // In the editor Tab is text.
    QTest::keyClick(form->Editor, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    EXPECT_EQ(form->Editor->Text(), u"\t");
    for (QWidget* w : {static_cast<QWidget*>(form->TBGet), static_cast<QWidget*>(form->GroupBox1),
                       static_cast<QWidget*>(form->StatusBar)}) {
        EXPECT_EQ(w->focusPolicy() & Qt::TabFocus, 0) << w->objectName().toStdString();
    }
}

TEST_F(LayoutFixture, MnemonicsClickTheirButtonsFromAnywhere) {
    ASSERT_TRUE(ShowAndActivate(*form));
    QSignalSpy get(form->TBGet, &QToolButton::clicked);
    QSignalSpy apply(form->TBApply, &QToolButton::clicked);
    for (QWidget* from : {static_cast<QWidget*>(form->ListBox), static_cast<QWidget*>(form->ListBoxK),
                          static_cast<QWidget*>(form->Editor)}) {
        from->setFocus();
        const int g = get.count();
        const int a = apply.count();
        // A mnemonic presses the button briefly, so the click comes a moment later.
        QTest::keyClick(from, Qt::Key_G, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return get.count() == g + 1; }, 2000)) << from->objectName().toStdString();
        QTest::keyClick(from, Qt::Key_A, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([&] { return apply.count() == a + 1; }, 2000)) << from->objectName().toStdString();
        // The letter alone is input, not a command.
        QTest::keyClick(from, Qt::Key_G);
        EXPECT_EQ(get.count(), g + 1);
    }
    EXPECT_EQ(form->Editor->Text(), u"g");
    form->ListBox->setFocus();
    QTest::keyClick(form->ListBox, Qt::Key_X, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->isVisible(); }, 2000));
}

TEST_F(LayoutFixture, F1ShowsTheHelpErrorAndChangesNothing) {
    ASSERT_TRUE(ShowAndActivate(*form));
    form->Editor->setFocus();
    QTest::keyClicks(form->Editor, "abc");
    const std::u16string before = form->Editor->Text();
    for (QWidget* from : {static_cast<QWidget*>(form->Editor), static_cast<QWidget*>(form->ListBox)}) {
        from->setFocus();
        QTest::keyClick(from, Qt::Key_F1);
    }
    EXPECT_EQ(errors.shown, QStringList({"状況依存型ヘルプがインストールされていません.",
                                         "状況依存型ヘルプがインストールされていません."}));
    EXPECT_EQ(form->Editor->Text(), before);
    EXPECT_TRUE(form->isVisible());
}

TEST_F(LayoutFixture, StatusBarShowsTheHintOfTheButtonUnderThePointer) {
    ASSERT_TRUE(ShowAndActivate(*form));
    const auto enter = [](QWidget* w) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(w, &e);
    };
    const auto leave = [](QWidget* w) {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(w, &e);
    };
    EXPECT_EQ(form->StatusBar->Hint(), "");
    const struct {
        QToolButton* button;
        const char* hint;
    } cases[] = {{form->TBGet, "クリップボードからデータを取得します。"},
                 {form->TBApply, "エディタのデータをクリップボードに送ります。"},
                 {form->TBFont, "リスト、エディタのフォントを変更します。"},
                 {form->TBClose, "終了します。"}};
    for (const auto& c : cases) {
        enter(c.button);
        EXPECT_EQ(form->StatusBar->Hint(), QString::fromUtf8(c.hint));
        leave(c.button);
        EXPECT_EQ(form->StatusBar->Hint(), "");
    }
    // Separators and the lists have no hint of their own.
    enter(form->ToolButton3);
    enter(form->ListBox);
    EXPECT_EQ(form->StatusBar->Hint(), "");
}

TEST_F(LayoutFixture, TooltipsOnlyOnToolButtonsAndTheyHideAgain) {
    ASSERT_TRUE(ShowAndActivate(*form));
    const auto ask = [](QWidget* w) {
        QHelpEvent e(QEvent::ToolTip, QPoint(3, 3), w->mapToGlobal(QPoint(3, 3)));
        QApplication::sendEvent(w, &e);
    };
    ask(form->TBFont);
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 2000));
    EXPECT_EQ(QToolTip::text(), "リスト、エディタのフォントを変更します。");
    QElapsedTimer shown;
    shown.start();
    ASSERT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 6000));
    EXPECT_GE(shown.elapsed(), 2000);  // it stays for 2.5 s, give or take the event loop

    ask(form->ToolButton3);
    ask(form->ToolBar);
    EXPECT_FALSE(QToolTip::isVisible());
}
