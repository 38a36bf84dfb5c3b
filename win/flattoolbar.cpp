#include "win/flattoolbar.h"

#include <commctrl.h>

#include "win/dpi.h"

namespace Win {

FlatToolBar::FlatToolBar(HWND parent, int id)
    : bar_(CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                               CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                           0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr)) {
    SendMessageW(bar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    // No image list: the buttons show their captions only.
    SendMessageW(bar_, TB_SETIMAGELIST, 0, 0);
    SendMessageW(bar_, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    if (HWND tips = reinterpret_cast<HWND>(SendMessageW(bar_, TB_GETTOOLTIPS, 0, 0))) {
        SendMessageW(tips, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(TooltipDelayMs, 0));
        SendMessageW(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(TooltipShowMs, 0));
        SendMessageW(tips, TTM_SETDELAYTIME, TTDT_RESHOW, MAKELPARAM(0, 0));
    }
}

void FlatToolBar::AddButton(int command, const std::u16string& caption) {
    items_.push_back({command, std::wstring(caption.begin(), caption.end()), 0});
    builtFor_ = 0;
}

void FlatToolBar::AddSeparator(int command, int width) {
    items_.push_back({command, std::wstring(), width});
    builtFor_ = 0;
}

void FlatToolBar::SetFont(HFONT font) {
    SendMessageW(bar_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    // The buttons' widths follow their captions' font.
    builtFor_ = 0;
}

// The items are made again whenever their rows change: the bar lays its items out only when they
// are added. A row that would end in a separator ends in the button before it, the separator
// hidden, so that no row begins or ends with a gap of its own.
void FlatToolBar::Rebuild(UINT dpi, const std::vector<bool>& wraps) {
    while (SendMessageW(bar_, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(bar_, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> buttons;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const Item& item = items_[i];
        TBBUTTON b{};
        b.idCommand = item.command;
        b.fsState = TBSTATE_ENABLED;
        if (item.caption.empty()) {
            b.iBitmap = Dpi::Scale(item.width, dpi);
            b.fsStyle = BTNS_SEP;
            if (wraps[i]) b.fsState |= TBSTATE_HIDDEN;
        } else {
            b.iBitmap = I_IMAGENONE;
            b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            b.iString = reinterpret_cast<INT_PTR>(item.caption.c_str());
            const bool beforeHidden = i + 1 < items_.size() && items_[i + 1].caption.empty() && wraps[i + 1];
            if (wraps[i] || beforeHidden) b.fsState |= TBSTATE_WRAP;
        }
        buttons.push_back(b);
    }
    SendMessageW(bar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, Dpi::Scale(ButtonHeight, dpi)));
    SendMessageW(bar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    builtFor_ = dpi;
    wraps_ = wraps;
}

int FlatToolBar::Arrange(int width, UINT dpi) {
    const std::size_t n = items_.size();
    if (builtFor_ != dpi) {
        // One row first, to learn each item's width (a button's follows its caption).
        Rebuild(dpi, std::vector<bool>(n, false));
        widths_.clear();
        for (std::size_t i = 0; i < n; ++i) {
            RECT item{};
            SendMessageW(bar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item));
            widths_.push_back(item.right - item.left);
        }
    }
    // An item that would cross the right edge starts a new row, unless it is the first of its row.
    std::vector<bool> wraps(n, false);
    int x = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (x > 0 && x + widths_[i] > width) {
            wraps[i - 1] = true;
            x = 0;
        }
        x += widths_[i];
    }
    if (wraps != wraps_) Rebuild(dpi, wraps);

    int height = Dpi::Scale(ButtonHeight, dpi);
    for (std::size_t i = 0; i < n; ++i) {
        RECT item{};
        if (SendMessageW(bar_, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item)) && item.bottom > height)
            height = item.bottom;
    }
    SetWindowPos(bar_, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return height;
}

int FlatToolBar::CommandAt(POINT screen) const {
    POINT p = screen;
    if (!ScreenToClient(bar_, &p)) return 0;
    RECT client{};
    GetClientRect(bar_, &client);
    if (!PtInRect(&client, p)) return 0;
    const LRESULT index = SendMessageW(bar_, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p));
    if (index < 0) return 0;
    TBBUTTON b{};
    if (!SendMessageW(bar_, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&b))) return 0;
    return (b.fsStyle & BTNS_SEP) ? 0 : b.idCommand;
}

}  // namespace Win
