#include "win/application.h"

#include "win/mainform.h"

namespace Win {

namespace {
constexpr wchar_t ClassName[] = L"Varnopile.Application";
}

Application::Application(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = ClassName;
    RegisterClassExW(&wc);
    // Never shown, so it has no task-bar button: the main window carries the program's.
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, ClassName, L"Varnopile", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              instance, nullptr);
}

Application::~Application() {
    if (window_) DestroyWindow(window_);
}

void Application::Run(TMainForm& form) {
    MSG msg{};
    for (;;) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            if (form.Handle() && TranslateAcceleratorW(form.Handle(), form.Accelerators(), &msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (form.Handle()) form.IdleHint();
        WaitMessage();
    }
}

}  // namespace Win
