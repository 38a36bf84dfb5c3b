#include "win/flattoolbar.h"

#include <commctrl.h>

#include "win/dpi.h"

namespace Win {

FlatToolBar::FlatToolBar(HWND parent, int id)
    : bar_(CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_TOOLTIPS |
                               TBSTYLE_WRAPABLE | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
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

// The buttons are made again for a new resolution: a separator's width is fixed when it is added.
void FlatToolBar::Rebuild(UINT dpi) {
    while (SendMessageW(bar_, TB_BUTTONCOUNT, 0, 0) > 0) SendMessageW(bar_, TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> buttons;
    for (const Item& item : items_) {
        TBBUTTON b{};
        b.idCommand = item.command;
        b.fsState = TBSTATE_ENABLED;
        if (item.caption.empty()) {
            b.iBitmap = Dpi::Scale(item.width, dpi);
            b.fsStyle = BTNS_SEP;
        } else {
            b.iBitmap = I_IMAGENONE;
            b.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
            b.iString = reinterpret_cast<INT_PTR>(item.caption.c_str());
        }
        buttons.push_back(b);
    }
    SendMessageW(bar_, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    builtFor_ = dpi;
}

int FlatToolBar::Arrange(int width, UINT dpi) {
    if (builtFor_ != dpi) Rebuild(dpi);
    const int rowHeight = Dpi::Scale(ButtonHeight, dpi);
    SendMessageW(bar_, TB_SETBUTTONSIZE, 0, MAKELPARAM(0, rowHeight));
    // The bar wraps its buttons to its own width: give it the width first, then read the rows.
    RECT r{};
    GetWindowRect(bar_, &r);
    SetWindowPos(bar_, nullptr, 0, 0, width, r.bottom - r.top > 0 ? r.bottom - r.top : rowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    SendMessageW(bar_, TB_AUTOSIZE, 0, 0);
    int bottom = rowHeight;
    const int count = static_cast<int>(SendMessageW(bar_, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT item{};
        if (SendMessageW(bar_, TB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item)) &&
            item.bottom > bottom)
            bottom = item.bottom;
    }
    SetWindowPos(bar_, nullptr, 0, 0, width, bottom, SWP_NOZORDER | SWP_NOACTIVATE);
    return bottom;
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
