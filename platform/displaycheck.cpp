#include "platform/displaycheck.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string>

namespace Platform {

bool DisplayAvailable() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const std::string name = platform ? platform : "";
    if (!name.empty() && name.rfind("xcb", 0) != 0 && name.rfind("wayland", 0) != 0) return true;  // offscreen, vnc…
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (name.rfind("xcb", 0) != 0 && wayland && *wayland) return true;
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const bool ok = c && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return ok;
}

}  // namespace Platform
