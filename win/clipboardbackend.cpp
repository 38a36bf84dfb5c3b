#include "win/clipboardbackend.h"

#include <cstring>

#include "util/errors.h"

namespace Win {

ClipboardBackend::~ClipboardBackend() {
    if (block_) GlobalFree(block_);
}

bool ClipboardBackend::Open(Tormvale::WindowId window) {
    if (OpenClipboard(reinterpret_cast<HWND>(window))) return true;
    lastError_ = GetLastError();
    return false;
}

bool ClipboardBackend::Close() { return CloseClipboard() != 0; }

bool ClipboardBackend::IsTextAvailable() { return IsClipboardFormatAvailable(CF_TEXT) != 0; }

std::optional<std::u16string> ClipboardBackend::GetUnicodeText() {
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return std::nullopt;
    const auto* units = static_cast<const char16_t*>(GlobalLock(data));
    if (!units) return std::u16string();
    // Never past the block's end, however the text is (not) terminated; up to the first NUL is
    // all the protocol reads.
    const SIZE_T count = GlobalSize(data) / sizeof(char16_t);
    SIZE_T n = 0;
    while (n < count && units[n] != u'\0') ++n;
    std::u16string text(units, n < count ? n + 1 : n);
    GlobalUnlock(data);
    return text;
}

void ClipboardBackend::Empty() { EmptyClipboard(); }

bool ClipboardBackend::AllocateBlock(std::size_t bytes) {
    if (block_) GlobalFree(block_);
    block_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
    blockBytes_ = block_ ? bytes : 0;
    return block_ != nullptr;
}

bool ClipboardBackend::SetUnicodeText(const std::u16string& block) {
    const SIZE_T bytes = block.size() * sizeof(char16_t);
    if (!block_ || bytes > blockBytes_) return false;
    void* memory = GlobalLock(block_);
    if (!memory) return false;
    std::memcpy(memory, block.data(), bytes);
    const bool placed = SetClipboardData(CF_UNICODETEXT, block_) != nullptr;
    GlobalUnlock(block_);
    if (!placed) GlobalFree(block_);
    // Placed, the block is the system's.
    block_ = nullptr;
    blockBytes_ = 0;
    return placed;
}

std::u16string ClipboardBackend::ErrorText(int code) { return Tormvale::SystemErrorText(code); }

void ClipboardBackend::Pause(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

Tormvale::WindowId ClipboardBackend::ApplicationWindow() {
    return reinterpret_cast<Tormvale::WindowId>(applicationWindow_);
}

}  // namespace Win
