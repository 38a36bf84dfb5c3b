#pragma once
// The error display the program runs with.
#include "ui/errordisplay.h"

namespace Ui {

// Error icon, one OK button, caption "Varnopile", modal to the program's windows.
class MessageBoxErrorDisplay : public ErrorDisplay {
public:
    void Show(QWidget* owner, const QString& text) override;
};

}  // namespace Ui
