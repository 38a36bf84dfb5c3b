#pragma once
// What the window tests share: a display that records errors instead of blocking on a modal
// box, and a window built on fixed fonts in a throw-away data folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QStringList>
#include <QTest>
#include <memory>
#include <ostream>

#include "tests/support/tempdir.h"
#include "ui/errordisplay.h"
#include "ui/fontdialogservice.h"
#include "ui/mainform.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']';
}

namespace Testing {

class RecordingErrorDisplay : public Ui::ErrorDisplay {
public:
    void Show(QWidget*, const QString& text) override { shown << text; }
    QStringList shown;
};

inline QFont TestMenuFont() {
    QFont f(QStringLiteral("Noto Sans CJK JP"));
    f.setPointSize(9);
    return f;
}

inline bool ShowAndActivate(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    return QTest::qWaitForWindowExposed(&w) && QTest::qWaitForWindowActive(&w);
}

}  // namespace Testing

#include "util/placement.h"

namespace Testing {

// One 1920 × 1080 monitor with a 40-pixel taskbar along the bottom.
class OneMonitorDesktop : public Tormvale::DesktopGeometry {
public:
    bool WorkArea(Tormvale::Rect& area) const override {
        area = {0, 0, 1920, 1040};
        return true;
    }
    bool TaskbarPosition(Tormvale::Rect& rect, uint32_t& edge) const override {
        rect = {0, 1040, 1920, 1080};
        edge = Tormvale::AbeBottom;
        return true;
    }
    bool IsOnMonitor(int32_t x, int32_t y) const override { return x >= 0 && y >= 0 && x < 1920 && y < 1080; }
};

}  // namespace Testing

#include "tests/support/scripted_clipboard.h"

namespace Testing {

// Answers the font dialog as the test says, and remembers what it was opened with.
class ScriptedFontDialog : public Ui::FontDialogService {
public:
    bool Execute(QWidget*, Ui::FontChoice& font, int minSize, int maxSize) override {
        opened.push_back(font);
        openedMin = minSize;
        openedMax = maxSize;
        if (!answer) return false;
        font = *answer;
        return true;
    }
    std::optional<Ui::FontChoice> answer;  // nullopt: the user cancels
    std::vector<Ui::FontChoice> opened;
    int openedMin = 0;
    int openedMax = 0;
};

// A window on doubles: scripted clipboard, one monitor, scripted font dialog, its own data folder.
struct FormHarness {
    TempDir data;
    RecordingErrorDisplay errors;
    ScriptedClipboardBackend clipboard;
    OneMonitorDesktop desktop;
    ScriptedFontDialog fontDialog;
    std::unique_ptr<Ui::TMainForm> form;

    std::string SettingsPath() const { return data.Path() + "/Varnopile.ini"; }

    Ui::TMainForm& Make() {
        Ui::MainFormServices s;
        s.clipboard = &clipboard;
        s.desktop = &desktop;
        s.fontDialog = &fontDialog;
        s.errorDisplay = &errors;
        s.dataFolder = data.Path() + "/";
        s.menuFont = TestMenuFont();
        form = std::make_unique<Ui::TMainForm>(s);
        return *form;
    }
};

// A window on doubles, shown and active, opened with `text` on the clipboard.
struct ShownForm : ::testing::Test {
    FormHarness h;
    Ui::TMainForm* form = nullptr;
    void Open(const std::u16string& text) {
        h.clipboard.text = text;
        form = &h.Make();
        ASSERT_TRUE(ShowAndActivate(*form));
    }
};

// Types characters as an input method would deliver them: QTest's own helpers only know Latin-1.
inline void TypeText(QWidget* w, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

inline QPoint RowCenter(Ui::TextList* list, int row) { return list->visualItemRect(list->item(row)).center(); }

// A left click on a row, as the user makes it.
inline void ClickRow(Ui::TextList* list, int row) {
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCenter(list, row));
}

inline QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

inline std::vector<std::u16string> Rows(const Ui::TextList* list) {
    std::vector<std::u16string> rows;
    for (int i = 0; i < list->count(); ++i) rows.push_back(list->item(i)->text().toStdU16String());
    return rows;
}

}  // namespace Testing
