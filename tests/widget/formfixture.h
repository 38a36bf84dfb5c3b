#pragma once
// What the window tests share: a display that records errors instead of blocking on a modal
// box, and a window built on fixed fonts in a throw-away data folder.
#include <QApplication>
#include <QFont>
#include <QStringList>
#include <QTest>
#include <memory>
#include <ostream>

#include "errordisplay.h"
#include "mainform.h"
#include "tempdir.h"

// Readable failure messages for Qt strings.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QStringList& l, std::ostream* os) { *os << '[' << l.join(QStringLiteral(" | ")).toStdString() << ']'; }

namespace Testing {

class RecordingErrorDisplay : public ErrorDisplay {
public:
    RecordingErrorDisplay() { SetErrorDisplay(this); }
    ~RecordingErrorDisplay() override { SetErrorDisplay(nullptr); }
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
