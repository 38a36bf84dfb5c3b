#include "errordisplay.h"

#include <QApplication>
#include <QMessageBox>

namespace {
MessageBoxErrorDisplay defaultDisplay;
ErrorDisplay* currentDisplay = nullptr;
}  // namespace

void MessageBoxErrorDisplay::Show(QWidget* owner, const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Varnopile"), text, QMessageBox::Ok, owner);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

ErrorDisplay& CurrentErrorDisplay() { return currentDisplay ? *currentDisplay : defaultDisplay; }

void SetErrorDisplay(ErrorDisplay* display) { currentDisplay = display; }

void ShowError(const std::u16string& message) {
    const std::u16string text = Tormvale::ErrorDisplayText(message);
    CurrentErrorDisplay().Show(QApplication::activeWindow(),
                               QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

void ShowError(const QString& message) { ShowError(message.toStdU16String()); }
