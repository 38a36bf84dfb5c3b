#pragma once
#include <string>

#include "util/clipboard.h"

namespace Varnopile {

struct TakenText {
    bool taken;           // an attempt found text; the text may still be empty
    std::u16string text;  // up to the first NUL; empty when not taken
};

// Opens the clipboard at most five times, pausing after each attempt that takes nothing; a clipboard
// without text ends it after one attempt.
TakenText TakeClipboardText(Tormvale::ClipboardBackend& backend);

}  // namespace Varnopile
