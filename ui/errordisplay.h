#pragma once
// The one way a failure reaches the user: a modal box, or whatever a test puts in its place.
#include <QString>
#include <string>

class QWidget;

class ErrorDisplay {
public:
    virtual ~ErrorDisplay() = default;
    // text is already formed for display (see Tormvale::ErrorDisplayText).
    virtual void Show(QWidget* owner, const QString& text) = 0;
};

// Error icon, one OK button, caption "Varnopile", modal to the program's windows.
class MessageBoxErrorDisplay : public ErrorDisplay {
public:
    void Show(QWidget* owner, const QString& text) override;
};

// The display in use; a message box unless replaced. Not owned.
ErrorDisplay& CurrentErrorDisplay();
void SetErrorDisplay(ErrorDisplay* display);

// Shows a failure's message through the current display, "." appended by the display rule.
void ShowError(const std::u16string& message);
void ShowError(const QString& message);

// Runs a handler; a failure that escapes it is shown and the program goes on.
template <typename F>
void RunHandler(F&& handler);

// ---

#include <exception>

#include "tormvale/errors.h"

template <typename F>
void RunHandler(F&& handler) {
    try {
        handler();
    } catch (const Tormvale::Exception& e) {
        ShowError(e.Message());
    } catch (const std::bad_alloc&) {
        ShowError(u"システム リソース不足です");
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}
