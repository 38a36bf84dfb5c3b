#pragma once
// The error display: a modal box with the text as given, the caption "Varnopile", the error icon
// and one OK button (MB_ICONERROR | MB_OK, nothing more), owned by the program's active window.
#include <windows.h>

#include <string>

namespace Win {

class ErrorBox {
public:
    // The owner while no window of the program is active: the hidden application window.
    static void SetApplicationWindow(HWND window) { applicationWindow_ = window; }
    static void Show(const std::u16string& text);

private:
    static inline HWND applicationWindow_ = nullptr;
};

}  // namespace Win
