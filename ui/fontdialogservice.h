#pragma once
// What the window is given in place of the system's font dialog, so tests can script it.
#include <QColor>
#include <QString>

class QWidget;

namespace Ui {

// The dialog's starting font, which also receives the user's choice.
struct FontChoice {
    QString face;
    int pointSize = 0;
    bool bold = false;
    bool italic = false;
    QColor color;
};

class FontDialogService {
public:
    virtual ~FontDialogService() = default;

    // Sizes from minSize to maxSize points, both included, are accepted.
    // On OK: face, size and style of `font` take the choice, and the result is true.
    // On cancel or close: false, and `font` is left as it was.
    virtual bool Execute(QWidget* owner, FontChoice& font, int minSize, int maxSize) = 0;
};

}  // namespace Ui
