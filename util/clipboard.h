#pragma once
// The clipboard protocol: a counted open over the system clipboard, and the bounded-retry write.
// The system itself sits behind ClipboardBackend, so the same rules run on X11, Wayland, Windows
// and against the scripted double of the tests.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace Tormvale {

using WindowId = std::uintptr_t;
using ClipboardFormat = std::uint16_t;

// The platform's CF_* format numbers, named so that windows.h can be included beside.
inline constexpr ClipboardFormat CfText = 1;
inline constexpr ClipboardFormat CfOemText = 7;
inline constexpr ClipboardFormat CfUnicodeText = 13;

// Opens per operation, and the pause after each attempt that did not succeed.
inline constexpr int ClipboardAttempts = 5;
inline constexpr int ClipboardPauseMs = 100;

class TClipboard;

// One virtual per system call the protocol makes.
class ClipboardBackend {
public:
    ClipboardBackend();
    virtual ~ClipboardBackend();
    ClipboardBackend(const ClipboardBackend&) = delete;
    ClipboardBackend& operator=(const ClipboardBackend&) = delete;

    // True when the clipboard was free or is already held by the same window; false while another
    // client holds it (or, on X11, its owner does not answer).
    virtual bool Open(WindowId window) = 0;
    // False when the clipboard was not open; callers ignore it.
    virtual bool Close() = 0;
    // Text in any text format; needs no open.
    virtual bool IsTextAvailable() = 0;
    // nullopt when there is no Unicode data; otherwise the block's units as stored, which may hold
    // NULs or end without one.
    virtual std::optional<std::u16string> GetUnicodeText() = 0;
    virtual void Empty() = 0;
    // Whether a data block of this many bytes can be had; false means the write must fail
    // before anything is copied.
    virtual bool AllocateBlock(std::size_t bytes) = 0;
    // The whole block: the text's units and one NUL. Replaces every format. False on failure.
    virtual bool SetUnicodeText(const std::u16string& block) = 0;
    // The code a failed Open left, and the system's text for a code.
    virtual int LastError() = 0;
    virtual std::u16string ErrorText(int code) = 0;
    virtual void Pause(int milliseconds) = 0;
    virtual WindowId ApplicationWindow() = 0;

private:
    friend TClipboard& ClipboardFor(ClipboardBackend& backend);
    std::unique_ptr<TClipboard> clipboard_;
};

// The clipboard object of the process: one per backend, made on first use.
TClipboard& ClipboardFor(ClipboardBackend& backend);

class TClipboard {
public:
    explicit TClipboard(ClipboardBackend& backend) : backend_(backend) {}
    virtual ~TClipboard() = default;
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    virtual void Clear();
    virtual void Close();
    virtual void Open();  // throws EClipboardException when the system refuses

    bool HasFormat(ClipboardFormat format);
    std::u16string AsText();
    void SetAsText(const std::u16string& text);  // throws EClipboardException, EOutOfResources

    std::int32_t FOpenRefCount = 0;
    WindowId FClipboardWindow = 0;
    bool FEmptied = false;

private:
    ClipboardBackend& backend_;
};

// Empties the clipboard and places the text as Unicode text, its only format. False after every
// attempt found the clipboard held elsewhere; a failure of the write itself is thrown.
bool PutClipboardText(ClipboardBackend& backend, const std::u16string& text);

}  // namespace Tormvale
