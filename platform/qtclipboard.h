#pragma once
// The system clipboard (X11 and Wayland). Open and close are only our own count of who holds it:
// another X client cannot lock the clipboard, but its owner can stop answering, or answer part of
// the way, and QClipboard then blocks the window for seconds per request. So on X11 an open reads
// a foreign owner's text on a connection of our own, each answer (and each piece of an incremental
// transfer) within the time-out. An owner that does not even list its formats in time counts as
// holding the clipboard, and the retry rules bound the wait; one that lists them but then stalls or
// dies part way gives no text, and an Apply can still replace it. Our own clipboard, the writes and
// Wayland go through QClipboard.
#include <cstddef>
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

    // A foreign text longer than this is cut here: far more than a Get uses, and a bound on what a
    // hostile owner can make us hold.
    static constexpr std::size_t MaxTextBytes = std::size_t{4} << 20;

private:
    // What an open found on the clipboard of another client (or of none).
    struct Snapshot {
        bool hasText = false;
        std::optional<std::u16string> text;  // nullopt: text offered, but the owner gave none
    };
    class ForeignReader;
    const Snapshot* Foreign();

    std::unique_ptr<ForeignReader> reader_;
    std::optional<Snapshot> snapshot_;  // while held; none while QClipboard answers
    Snapshot loose_;
    Tormvale::WindowId applicationWindow_;
    Tormvale::WindowId holder_ = 0;
    bool held_ = false;
    int lastError_ = 0;
};

}  // namespace Platform
