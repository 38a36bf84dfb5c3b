#pragma once
// The font dialog as the program runs it: placed by the rule below on the active window's monitor.
#include <QPoint>
#include <QRect>
#include <QSize>

#include "ui/fontdialogservice.h"

namespace Ui {

// Centred horizontally, a third of the way down; divisions truncate toward zero.
QPoint FontDialogPosition(const QRect& monitor, const QSize& dialog);

class QtFontDialogService : public FontDialogService {
public:
    bool Execute(QWidget* owner, FontChoice& font, int minSize, int maxSize) override;
};

}  // namespace Ui
