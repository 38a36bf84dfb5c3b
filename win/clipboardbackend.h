#pragma once
// The system clipboard for the protocol in util/clipboard: each virtual is the one Win32 call the
// protocol names, opened with the hidden application window's handle.
#include <windows.h>

#include "util/clipboard.h"

namespace Win {

class ClipboardBackend final : public Tormvale::ClipboardBackend {
public:
    explicit ClipboardBackend(HWND applicationWindow) : applicationWindow_(applicationWindow) {}
    ~ClipboardBackend() override;

    bool Open(Tormvale::WindowId window) override;
    bool Close() override;
    bool IsTextAvailable() override;
    std::optional<std::u16string> GetUnicodeText() override;
    void Empty() override;
    bool AllocateBlock(std::size_t bytes) override;
    bool SetUnicodeText(const std::u16string& block) override;
    int LastError() override { return static_cast<int>(lastError_); }
    std::u16string ErrorText(int code) override;
    void Pause(int milliseconds) override;
    Tormvale::WindowId ApplicationWindow() override;

private:
    HWND applicationWindow_;
    DWORD lastError_ = 0;
    HGLOBAL block_ = nullptr;  // allocated for the write under way; the system's once placed
    SIZE_T blockBytes_ = 0;
};

}  // namespace Win
