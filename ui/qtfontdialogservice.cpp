#include "ui/qtfontdialogservice.h"

#include <QApplication>
#include <QScreen>
#include <optional>

#include "platform/windowframe.h"
#include "ui/fontdialog.h"

namespace Ui {

QPoint FontDialogPosition(const QRect& monitor, const QSize& dialog) {
    // C++ integer division truncates toward zero, as the placement requires.
    return {monitor.left() + (monitor.width() - dialog.width()) / 2,
            monitor.top() + (monitor.height() - dialog.height()) / 3};
}

bool QtFontDialogService::Execute(QWidget* owner, FontChoice& font, int minSize, int maxSize) {
    FontDialog dialog(owner);
    dialog.SetSizeLimits(minSize, maxSize);
    dialog.SetChoice(font);
    dialog.adjustSize();
    // The rule places the outer frame, so the frame must be known first. A window manager that
    // does not say before showing is taken to draw the main window's frame.
    std::optional<QMargins> frame = Platform::FrameBeforeShowing(&dialog, 500);
    if (!frame && owner) frame = Platform::CurrentFrame(owner->window());
    const QMargins m = frame.value_or(QMargins());

    QWidget* active = QApplication::activeWindow();
    if (!active && owner) active = owner->window();
    QScreen* screen = nullptr;
    if (active) {
        screen = QGuiApplication::screenAt(active->frameGeometry().center());
        if (!screen) screen = active->screen();
    }
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QPoint corner = FontDialogPosition(screen->geometry(), dialog.size().grownBy(m));
        dialog.setGeometry(QRect(corner + QPoint(m.left(), m.top()), dialog.size()));
    }

    if (dialog.exec() != QDialog::Accepted) return false;
    const FontChoice chosen = dialog.Choice();
    font.face = chosen.face;
    font.pointSize = chosen.pointSize;
    font.bold = chosen.bold;
    font.italic = chosen.italic;
    return true;
}

}  // namespace Ui
