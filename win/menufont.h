#pragma once
// The system's menu font, as far as the window uses it: its face and its whole points.
#include <string>

namespace Win {

struct MenuFont {
    std::u16string face;
    int points = 0;

    // From the non-client metrics; the stock GUI font when the system reports none.
    static MenuFont FromSystem();
};

}  // namespace Win
