#pragma once
// The system clipboard through QClipboard (X11 and Wayland). Open and close are only our own
// count of who holds it: another X client cannot lock the clipboard, but its owner can stop
// answering, and QClipboard then blocks the window 5 s per request. So on X11 an open first asks
// a foreign owner for its targets on a connection of our own, and an owner that does not answer
// in time counts as holding the clipboard; the retry rules then bound the wait.
#include <memory>

#include "util/clipboard.h"

namespace Platform {

class QtClipboardBackend : public Tormvale::ClipboardBackend {
public:
    explicit QtClipboardBackend(Tormvale::WindowId applicationWindow = 1, int ownerTimeoutMs = 100);
    ~QtClipboardBackend() override;

    bool Open(Tormvale::WindowId window) override;
    bool Close() override;
    bool IsTextAvailable() override;
    std::optional<std::u16string> GetUnicodeText() override;
    void Empty() override;
    bool AllocateBlock(std::size_t bytes) override;
    bool SetUnicodeText(const std::u16string& block) override;
    int LastError() override;
    std::u16string ErrorText(int code) override;
    void Pause(int milliseconds) override;
    Tormvale::WindowId ApplicationWindow() override;

private:
    class OwnerProbe;
    std::unique_ptr<OwnerProbe> probe_;
    Tormvale::WindowId applicationWindow_;
    Tormvale::WindowId holder_ = 0;
    bool held_ = false;
    int lastError_ = 0;
};

}  // namespace Platform
