#pragma once
// The status bar: one simple panel across its width, a size grip at its right end.
#include <windows.h>

#include <string>

namespace Win {

class HintBar {
public:
    HintBar(HWND parent, int id);
    HintBar(const HintBar&) = delete;
    HintBar& operator=(const HintBar&) = delete;

    HWND Handle() const { return bar_; }
    // An equal text changes nothing.
    void SetHint(const std::u16string& hint);
    const std::u16string& Hint() const { return hint_; }

private:
    HWND bar_;
    std::u16string hint_;
};

}  // namespace Win
