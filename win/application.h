#pragma once
// The application object: its hidden top-level window, which exists from start-up to the end of
// the process and opens the clipboard, and the message loop.
#include <windows.h>

namespace Win {

class TMainForm;

class Application {
public:
    explicit Application(HINSTANCE instance);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    HWND Handle() const { return window_; }

    // Dispatches messages until the main window has closed. The hint follows the pointer each
    // time the queue runs dry.
    void Run(TMainForm& form);

private:
    HWND window_ = nullptr;
};

}  // namespace Win
