#include "platform/displaycheck.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace Platform {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

bool ReachesX(const std::string& display) {
    if (display.empty()) return false;
    xcb_connection_t* c = xcb_connect(display.c_str(), nullptr);
    const bool ok = c && !xcb_connection_has_error(c);
    if (c) xcb_disconnect(c);
    return ok;
}

// As libwayland finds the compositor: an inherited socket, else WAYLAND_DISPLAY, a path or a
// name in XDG_RUNTIME_DIR.
bool ReachesWayland(const std::string& name) {
    if (!Env("WAYLAND_SOCKET").empty()) return true;
    if (name.empty()) return false;
    const std::string path = name[0] == '/'                   ? name
                             : Env("XDG_RUNTIME_DIR").empty() ? ""
                                                              : Env("XDG_RUNTIME_DIR") + "/" + name;
    sockaddr_un address{};
    if (path.empty() || path.size() >= sizeof(address.sun_path)) return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return ok;
}

std::string Dangling(const std::string& x, const std::string& wayland) {
    std::string why;
    if (!x.empty()) why = "DISPLAY=" + x + " leads to no X server";
    if (!wayland.empty()) why += (why.empty() ? "" : ", ") + ("WAYLAND_DISPLAY=" + wayland + " leads to no compositor");
    if (why.empty()) why = "neither DISPLAY nor WAYLAND_DISPLAY is set";
    return "varnopile: no display to open the window on (" + why + ")";
}

}  // namespace

DisplayChoice ChooseDisplay() {
    const std::string x = Env("DISPLAY");
    const std::string wayland = Env("WAYLAND_DISPLAY");
    const std::string asked = Env("QT_QPA_PLATFORM");
    if (!asked.empty()) {
        // Qt tries the entries of a list in order; "name:options" carries options.
        std::size_t from = 0;
        while (from <= asked.size()) {
            std::size_t end = asked.find(';', from);
            if (end == std::string::npos) end = asked.size();
            const std::string entry = asked.substr(from, end - from);
            const std::string name = entry.substr(0, entry.find(':'));
            if (name.rfind("xcb", 0) == 0) {
                if (ReachesX(x)) return {true, "", ""};
            } else if (name.rfind("wayland", 0) == 0) {
                if (ReachesWayland(wayland)) return {true, "", ""};
            } else if (!name.empty()) {
                return {true, "", ""};  // offscreen, vnc and the like need no display server
            }
            from = end + 1;
        }
        return {false, "", Dangling(x, wayland) + " for QT_QPA_PLATFORM=" + asked};
    }
    if (ReachesX(x)) return {true, "xcb", ""};
    if (ReachesWayland(wayland)) return {true, "wayland", ""};
    return {false, "", Dangling(x, wayland)};
}

}  // namespace Platform
