#pragma once
// The flat tool bar: caption-only buttons as wide as their captions, fixed-width separators, rows
// that wrap when the bar is narrow, tooltips on the buttons only. The rows are ours: an item that
// would cross the right edge starts the next one, on every system alike.
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

    // The captions' font; the buttons are measured again at the next Arrange.
    void SetFont(HFONT font);
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
    void Rebuild(UINT dpi, const std::vector<bool>& wraps);

    HWND bar_;
    std::vector<Item> items_;
    UINT builtFor_ = 0;
    std::vector<int> widths_;  // of each item on one row, at builtFor_
    std::vector<bool> wraps_;  // the items that end a row
};

}  // namespace Win
