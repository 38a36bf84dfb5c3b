#pragma once
// The flat tool bar: caption-only buttons as wide as their captions, fixed-width separators, rows
// that wrap when the bar is narrow, tooltips on the buttons only.
#include <windows.h>

#include <string>
#include <vector>

namespace Win {

class FlatToolBar {
public:
    static constexpr int ButtonHeight = 27;  // at 96 dpi
    static constexpr int TooltipDelayMs = 500;
    static constexpr int TooltipShowMs = 2500;

    FlatToolBar(HWND parent, int id);
    FlatToolBar(const FlatToolBar&) = delete;
    FlatToolBar& operator=(const FlatToolBar&) = delete;

    HWND Handle() const { return bar_; }

    // caption may carry "&" before its mnemonic letter.
    void AddButton(int command, const std::u16string& caption);
    void AddSeparator(int command, int width);

    // Lays the buttons out for dpi across width, in as many rows as they need; gives the height.
    int Arrange(int width, UINT dpi);
    // The command of the button under a point in screen coordinates; 0 for a separator, the bar's
    // empty part, or a point off the bar.
    int CommandAt(POINT screen) const;

private:
    struct Item {
        int command;
        std::wstring caption;  // empty for a separator
        int width;             // separators, at 96 dpi
    };
    void Rebuild(UINT dpi);

    HWND bar_;
    std::vector<Item> items_;
    UINT builtFor_ = 0;
};

}  // namespace Win
