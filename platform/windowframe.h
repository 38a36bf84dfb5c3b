#pragma once
// The frame a window manager draws around a top-level window, and what the session allows a
// window to do. Margins are in the window's own (device-independent) pixels.
#include <QMargins>
#include <optional>

class QWidget;

namespace Platform {

// Before the window is first shown: asks the window manager which frame it will draw
// (_NET_REQUEST_FRAME_EXTENTS) and waits up to timeoutMs for the answer. Creates the native
// window. No margins on an X server without a window manager; nullopt when an X window manager
// does not say before showing. Elsewhere what the platform knows so far.
std::optional<QMargins> FrameBeforeShowing(QWidget* window, int timeoutMs);

// The frame as it is now: what the window manager says (_NET_FRAME_EXTENTS), else what Qt
// found; nullopt while the window is not on the screen (minimised included).
std::optional<QMargins> CurrentFrame(const QWidget* window);

// A Wayland client can neither place its windows nor learn where the compositor put them.
bool ClientPlacesWindows();

// A Wayland client receives the clipboard only while one of its windows has the keyboard.
bool ClipboardNeedsFocus();

}  // namespace Platform
