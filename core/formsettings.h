#pragma once
// The settings file's six entries: the editor's font and the window's outer bounds.
#include <cstdint>
#include <string>

#include "util/placement.h"

namespace Varnopile {

// In the order they are read and written.
struct FormSettings {
    std::u16string face;    // "Font" "Name"
    int32_t pointSize = 0;  // "Font" "Size"
    int32_t top = 0;        // "Window" "Top", "Left", "Height", "Width": outer pixels
    int32_t left = 0;
    int32_t height = 0;
    int32_t width = 0;

    // The bounds of an outer rectangle, each value held within the 32-bit range.
    static FormSettings Of(std::u16string face, int32_t pointSize, const Tormvale::Rect& outer);
};

// The reading half: an entry that is absent or unreadable gives its default. No path: the
// defaults. Throws when the file exists but cannot be read.
FormSettings ReadFormSettings(const std::string& path, const FormSettings& defaults);

// The writing half: the file loaded afresh so that whatever else it holds survives, the six
// entries set, the whole file saved. Throws when it cannot be read or saved.
void WriteFormSettings(const std::string& path, const FormSettings& values);

}  // namespace Varnopile
