#include "ui/messageboxerrordisplay.h"

#include <QMessageBox>

namespace Ui {

void MessageBoxErrorDisplay::Show(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnopile"), text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace Ui
