#pragma once
// Which display the window opens on, decided before Qt starts: Qt aborts on one it cannot reach.
#include <string>

namespace Platform {

struct DisplayChoice {
    bool usable = false;
    std::string platform;  // the Qt platform to ask for; empty: as the user set it
    std::string problem;   // one line for the user when there is no usable display
};

// The user's QT_QPA_PLATFORM wins when one of its entries can be reached. Otherwise X11 (XWayland
// on a Wayland session) when DISPLAY leads to a server, since the clipboard and window placement
// work there; else Wayland when WAYLAND_DISPLAY leads to a compositor.
DisplayChoice ChooseDisplay();

}  // namespace Platform
