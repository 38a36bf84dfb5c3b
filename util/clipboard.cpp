#include "util/clipboard.h"

#include <algorithm>
#include <new>

#include "util/errors.h"

namespace Tormvale {

namespace {

// Balances one TClipboard::Open on every path out of a scope, errors included.
class CountedClose {
public:
    explicit CountedClose(TClipboard& clipboard) : clipboard_(clipboard) {}
    ~CountedClose() { clipboard_.Close(); }
    CountedClose(const CountedClose&) = delete;
    CountedClose& operator=(const CountedClose&) = delete;

private:
    TClipboard& clipboard_;
};

// The operation's own CloseClipboard, made whatever the attempt did.
class SystemClose {
public:
    explicit SystemClose(ClipboardBackend& backend) : backend_(backend) {}
    ~SystemClose() { backend_.Close(); }
    SystemClose(const SystemClose&) = delete;
    SystemClose& operator=(const SystemClose&) = delete;

private:
    ClipboardBackend& backend_;
};

[[noreturn]] void ThrowOutOfResources() { throw EOutOfResources(u"システム リソース不足です"); }

}  // namespace

ClipboardBackend::ClipboardBackend() = default;
ClipboardBackend::~ClipboardBackend() = default;

TClipboard& ClipboardFor(ClipboardBackend& backend) {
    if (!backend.clipboard_) backend.clipboard_ = std::make_unique<TClipboard>(backend);
    return *backend.clipboard_;
}

void TClipboard::Open() {
    if (FOpenRefCount == 0) {
        FClipboardWindow = backend_.ApplicationWindow();
        if (!backend_.Open(FClipboardWindow)) {
            // Read the code before anything else can overwrite it.
            const int code = backend_.LastError();
            // The window is only ours while we hold an open.
            FClipboardWindow = 0;
            throw EClipboardException(u"クリップボード " + TrimSystemText(backend_.ErrorText(code)) + u" を開けません");
        }
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0) return;
    --FOpenRefCount;
    if (FOpenRefCount == 0) {
        backend_.Close();
        FClipboardWindow = 0;
    }
}

void TClipboard::Clear() {
    Open();
    CountedClose close(*this);
    backend_.Empty();
}

bool TClipboard::HasFormat(ClipboardFormat format) {
    // The system converts among its text formats, so asking for any of them is asking for text.
    switch (format) {
        case CfText:
        case CfOemText:
        case CfUnicodeText:
            return backend_.IsTextAvailable();
        default:
            return false;
    }
}

std::u16string TClipboard::AsText() {
    Open();
    CountedClose close(*this);
    const std::optional<std::u16string> block = backend_.GetUnicodeText();
    if (!block) return {};
    // A block without a terminator ends at its size: take what is there, never more.
    return std::u16string(block->begin(), std::find(block->begin(), block->end(), u'\0'));
}

void TClipboard::SetAsText(const std::u16string& text) {
    Open();
    CountedClose close(*this);
    if (!backend_.AllocateBlock(2 * text.size() + 2)) ThrowOutOfResources();
    std::u16string block;
    try {
        block.reserve(text.size() + 1);
        block.assign(text);
        block.push_back(u'\0');
    } catch (const std::bad_alloc&) {
        ThrowOutOfResources();
    }
    if (FOpenRefCount != 0 && !FEmptied) {
        Clear();
        FEmptied = true;
    }
    if (!backend_.SetUnicodeText(block)) ThrowOutOfResources();
}

bool PutClipboardText(ClipboardBackend& backend, const std::u16string& text) {
    TClipboard& clipboard = ClipboardFor(backend);
    int attemptsLeft = ClipboardAttempts;
    bool put;
    do {
        put = false;
        {
            SystemClose close(backend);
            if (backend.Open(backend.ApplicationWindow())) {
                clipboard.Clear();
                clipboard.SetAsText(text);
                put = true;
            }
        }
        if (!put) {
            backend.Pause(ClipboardPauseMs);
            --attemptsLeft;
        }
    } while (!put && attemptsLeft >= 1);
    return put;
}

}  // namespace Tormvale
