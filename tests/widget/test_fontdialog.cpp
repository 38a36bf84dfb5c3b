// The font dialog stand-in: starting font, refusals, results, keyboard and placement.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QFontDatabase>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "ui/fontdialog.h"
#include "ui/qtfontdialogservice.h"

using Ui::FontChoice;
using Ui::FontDialog;
using Ui::FontDialogPosition;
using Ui::QtFontDialogService;

namespace {

template <typename T>
T* Part(QWidget* dialog, const char* name) {
    T* part = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(part, nullptr) << name;
    return part;
}

QStringList Families() {
    QStringList families;
    for (const QString& family : QFontDatabase::families())
        if (!QFontDatabase::isPrivateFamily(family)) families << family;
    return families;
}

QMessageBox* OpenRefusal(QWidget* dialog) {
    for (QMessageBox* box : dialog->findChildren<QMessageBox*>())
        if (box->isVisible()) return box;
    return nullptr;
}

bool SameChoice(const Ui::FontChoice& a, const Ui::FontChoice& b) {
    return a.face == b.face && a.pointSize == b.pointSize && a.bold == b.bold && a.italic == b.italic &&
           a.color == b.color;
}

// Acts on the dialog once Execute has it open; Execute's own loop runs the timer.
void WhenDialogOpens(std::function<void(Ui::FontDialog*)> act) {
    auto* timer = new QTimer;
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        auto* dialog = qobject_cast<Ui::FontDialog*>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (deadline.hasExpired()) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "the font dialog never opened";
        }
    });
    timer->start(5);
}

class FontDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        families = Families();
        ASSERT_GE(families.size(), 2) << "needs at least two font families";
    }
    QStringList families;
};

}  // namespace

TEST(FontDialogPositionTest, CentresAndTruncatesTowardZero) {
    struct Case {
        QRect monitor;
        QSize dialog;
        QPoint expected;
    };
    const Case cases[] = {
        // (1920-500)/2 = 710; (1080-400)/3 = 226.67 -> 226
        {QRect(0, 0, 1920, 1080), QSize(500, 400), QPoint(710, 226)},
        // odd remainder: (1366-501)/2 = 432.5 -> 432; (768-301)/3 = 155.67 -> 155
        {QRect(0, 0, 1366, 768), QSize(501, 301), QPoint(432, 155)},
        // monitor left of and above the primary: offsets stay signed
        {QRect(-1280, -1024, 1280, 1024), QSize(501, 400), QPoint(-1280 + 389, -1024 + 208)},
        // dialog larger than the monitor: -101/2 = -50 and -100/3 = -33, not -51 and -34
        {QRect(0, 0, 800, 600), QSize(901, 700), QPoint(-50, -33)},
        {QRect(100, 50, 800, 600), QSize(803, 602), QPoint(100 - 1, 50 + 0)},
        // full bounds of a second monitor, not its work area
        {QRect(1920, 0, 1280, 1024), QSize(480, 360), QPoint(1920 + 400, 221)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Ui::FontDialogPosition(c.monitor, c.dialog), c.expected) << c.monitor.x() << "," << c.monitor.y();
}

TEST_F(FontDialogTest, StartsOnTheGivenFaceSizeAndStyleAndReturnsThemUnchanged) {
    struct Case {
        QString face;
        int size;
        bool bold, italic;
    };
    const Case cases[] = {
        {families.front(), 8, false, false},
        {families.back(), 24, true, false},
        {families.at(families.size() / 2), 11, false, true},
        {families.front(), 13, true, true},  // a size the list lacks still starts in the field
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.face.toStdString() + " " + std::to_string(c.size));
        Ui::FontDialog dialog;
        dialog.SetChoice({c.face, c.size, c.bold, c.italic, QColor(Qt::darkBlue)});
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

        EXPECT_EQ(Part<QLineEdit>(&dialog, "FaceEdit")->text(), c.face);
        ASSERT_NE(Part<QListWidget>(&dialog, "FaceList")->currentItem(), nullptr);
        EXPECT_EQ(Part<QListWidget>(&dialog, "FaceList")->currentItem()->text(), c.face);
        EXPECT_EQ(Part<QLineEdit>(&dialog, "SizeEdit")->text(), QString::number(c.size));
        const QFont sample = Part<QWidget>(&dialog, "Sample")->font();
        EXPECT_EQ(sample.family(), c.face);
        EXPECT_EQ(sample.pointSize(), c.size);
        EXPECT_EQ(sample.bold(), c.bold);
        EXPECT_EQ(sample.italic(), c.italic);

        Part<QPushButton>(&dialog, "OkButton")->click();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const Ui::FontChoice chosen = dialog.Choice();
        EXPECT_EQ(chosen.face, c.face);
        EXPECT_EQ(chosen.pointSize, c.size);
        EXPECT_EQ(chosen.bold, c.bold);
        EXPECT_EQ(chosen.italic, c.italic);
    }
}

TEST_F(FontDialogTest, RefusesMissingFacesAndSizesOutsideTheLimits) {
    QString lowerFace;  // a face typed in another case is the same face
    for (const QString& family : families)
        if (family.toLower() != family) lowerFace = family.toLower();
    struct Case {
        QString face;
        QString size;
        bool accepted;
        const char* offending;
    };
    std::vector<Case> cases = {
        {families.front(), QStringLiteral("7"), false, "SizeEdit"},
        {families.front(), QStringLiteral("8"), true, nullptr},
        {families.front(), QStringLiteral("24"), true, nullptr},
        {families.front(), QStringLiteral("25"), false, "SizeEdit"},
        {families.front(), QStringLiteral("10.5"), false, "SizeEdit"},
        {families.front(), QString(), false, "SizeEdit"},
        {QStringLiteral("No Such Face Varnopile"), QStringLiteral("10"), false, "FaceEdit"},
        {families.front() + QStringLiteral("x"), QStringLiteral("10"), false, "FaceEdit"},
        {QString(), QStringLiteral("10"), false, "FaceEdit"},
    };
    if (!lowerFace.isEmpty()) cases.push_back({lowerFace, QStringLiteral("12"), true, nullptr});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.face.toStdString() + " / " + c.size.toStdString());
        Ui::FontDialog dialog;
        dialog.SetChoice({families.back(), 10, false, false, QColor()});
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* faceEdit = Part<QLineEdit>(&dialog, "FaceEdit");
        auto* sizeEdit = Part<QLineEdit>(&dialog, "SizeEdit");
        faceEdit->clear();
        QTest::keyClicks(faceEdit, c.face);
        sizeEdit->clear();
        QTest::keyClicks(sizeEdit, c.size);
        Part<QPushButton>(&dialog, "OkButton")->click();

        if (c.accepted) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.Choice().face.toLower(), c.face.toLower());
            EXPECT_TRUE(families.contains(dialog.Choice().face));
            EXPECT_EQ(dialog.Choice().pointSize, c.size.toInt());
            continue;
        }
        QMessageBox* box = OpenRefusal(&dialog);
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->text().isEmpty());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        box->accept();
        QWidget* offending = Part<QWidget>(&dialog, c.offending);
        EXPECT_TRUE(QTest::qWaitFor([&] { return offending->hasFocus(); }, 2000));
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.Choice().face, families.back());  // nothing taken from a refused OK
    }
}

TEST_F(FontDialogTest, SizeListOffersOnlySizesWithinTheLimits) {
    Ui::FontDialog dialog;
    dialog.SetChoice({families.front(), 12, false, false, QColor()});
    auto* sizes = Part<QListWidget>(&dialog, "SizeList");
    ASSERT_GT(sizes->count(), 0);
    EXPECT_EQ(sizes->item(0)->text(), QStringLiteral("8"));
    EXPECT_EQ(sizes->item(sizes->count() - 1)->text(), QStringLiteral("24"));
    for (int i = 1; i < sizes->count(); ++i)
        EXPECT_LT(sizes->item(i - 1)->text().toInt(), sizes->item(i)->text().toInt());
}

TEST_F(FontDialogTest, EnterAcceptsAndEscapeCancelsFromTheFieldsAndLists) {
    const char* focusParts[] = {"FaceEdit", "FaceList", "SizeEdit", "SizeList"};
    for (const char* part : focusParts) {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            SCOPED_TRACE(std::string(part) + " key " + std::to_string(key));
            Ui::FontDialog dialog;
            dialog.SetChoice({families.front(), 10, false, false, QColor()});
            dialog.show();
            ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
            QWidget* target = Part<QWidget>(&dialog, part);
            target->setFocus();
            ASSERT_TRUE(QTest::qWaitFor([&] { return target->hasFocus(); }, 2000));
            QTest::keyClick(target, key);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 2000));
            EXPECT_EQ(dialog.result(), key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted);
        }
    }
}

TEST_F(FontDialogTest, ServiceReturnsTheChoiceAndPlacesTheDialogOnTheOwnersMonitor) {
    QWidget owner;
    owner.resize(300, 200);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));

    Ui::QtFontDialogService service;
    const QColor colour(12, 34, 56);
    Ui::FontChoice font{families.front(), 10, true, false, colour};
    const QString wantedFace = families.back();
    QPoint placedAt;
    QPoint expectedAt;
    bool startedBold = false;
    WhenDialogOpens([&](Ui::FontDialog* dialog) {
        const QRect monitor = owner.screen()->geometry();
        const QSize size = dialog->frameGeometry().size();
        expectedAt = QPoint(monitor.x() + (monitor.width() - size.width()) / 2,
                            monitor.y() + (monitor.height() - size.height()) / 3);
        placedAt = dialog->frameGeometry().topLeft();
        startedBold = dialog->findChild<QWidget*>(QStringLiteral("Sample"))->font().bold();

        auto* faceList = dialog->findChild<QListWidget*>(QStringLiteral("FaceList"));
        faceList->setCurrentItem(faceList->findItems(wantedFace, Qt::MatchExactly).value(0));
        auto* sizeList = dialog->findChild<QListWidget*>(QStringLiteral("SizeList"));
        sizeList->setCurrentItem(sizeList->findItems(QStringLiteral("20"), Qt::MatchExactly).value(0));
        auto* styleList = dialog->findChild<QListWidget*>(QStringLiteral("StyleList"));
        styleList->setCurrentRow(styleList->count() - 1);  // bold italic comes last
        dialog->findChild<QPushButton*>(QStringLiteral("OkButton"))->click();
    });
    ASSERT_TRUE(service.Execute(&owner, font, 8, 24));
    EXPECT_TRUE(startedBold);
    EXPECT_EQ(placedAt, expectedAt);
    EXPECT_EQ(font.face, wantedFace);
    EXPECT_EQ(font.pointSize, 20);
    EXPECT_TRUE(font.bold);
    EXPECT_TRUE(font.italic);
    EXPECT_EQ(font.color, colour);
}

TEST_F(FontDialogTest, CancelEscapeAndCloseLeaveTheChoiceUntouched) {
    Ui::QtFontDialogService service;
    const std::function<void(Ui::FontDialog*)> endings[] = {
        [](Ui::FontDialog* d) { d->findChild<QPushButton*>(QStringLiteral("CancelButton"))->click(); },
        [](Ui::FontDialog* d) { QTest::keyClick(d->findChild<QWidget*>(QStringLiteral("FaceEdit")), Qt::Key_Escape); },
        [](Ui::FontDialog* d) { d->close(); },
    };
    for (const auto& end : endings) {
        const Ui::FontChoice before{families.front(), 24, false, true, QColor(Qt::red)};
        Ui::FontChoice font = before;
        WhenDialogOpens([&](Ui::FontDialog* dialog) {
            // Edits made before cancelling must not leak out.
            auto* faceList = dialog->findChild<QListWidget*>(QStringLiteral("FaceList"));
            faceList->setCurrentItem(faceList->findItems(families.back(), Qt::MatchExactly).value(0));
            dialog->findChild<QListWidget*>(QStringLiteral("StyleList"))->setCurrentRow(0);
            auto* sizeEdit = dialog->findChild<QLineEdit*>(QStringLiteral("SizeEdit"));
            sizeEdit->setText(QStringLiteral("9"));
            end(dialog);
        });
        EXPECT_FALSE(service.Execute(nullptr, font, 8, 24));
        EXPECT_TRUE(SameChoice(font, before));
    }
}
