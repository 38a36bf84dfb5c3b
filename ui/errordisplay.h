#pragma once
// The one way a failure reaches the user: a modal box, or whatever a test puts in its place.
#include <QString>

class QWidget;

namespace Ui {

class ErrorDisplay {
public:
    virtual ~ErrorDisplay() = default;
    // text is already formed for display (Tormvale::ErrorDisplayText).
    virtual void Show(QWidget* owner, const QString& text) = 0;
};

}  // namespace Ui
