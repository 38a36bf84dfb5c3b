#include "core/takeclipboardtext.h"

namespace Varnopile {

namespace {

// The attempt's own CloseClipboard, made also when the open failed or the read threw.
class SystemClose {
public:
    explicit SystemClose(Tormvale::ClipboardBackend& backend) : backend_(backend) {}
    ~SystemClose() { backend_.Close(); }
    SystemClose(const SystemClose&) = delete;
    SystemClose& operator=(const SystemClose&) = delete;

private:
    Tormvale::ClipboardBackend& backend_;
};

}  // namespace

TakenText TakeClipboardText(Tormvale::ClipboardBackend& backend) {
    Tormvale::TClipboard& clipboard = Tormvale::ClipboardFor(backend);
    TakenText result{false, {}};
    int attemptsLeft = Tormvale::ClipboardAttempts;
    bool none;
    do {
        result.taken = false;
        none = false;
        {
            SystemClose close(backend);
            if (backend.Open(backend.ApplicationWindow())) {
                if (clipboard.HasFormat(Tormvale::CfText)) {
                    result.text = clipboard.AsText();
                    result.taken = true;
                } else {
                    none = true;
                }
            }
        }
        if (!result.taken) {
            --attemptsLeft;
            backend.Pause(Tormvale::ClipboardPauseMs);
        }
    } while (!result.taken && !none && attemptsLeft >= 1);
    return result;
}

}  // namespace Varnopile
