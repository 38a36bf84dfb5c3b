#include "win/hintbar.h"

#include <commctrl.h>

namespace Win {

HintBar::HintBar(HWND parent, int id)
    : bar_(CreateWindowExW(0, STATUSCLASSNAMEW, nullptr,
                           WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER, 0,
                           0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr)) {
    SendMessageW(bar_, SB_SIMPLE, TRUE, 0);
    SendMessageW(bar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(L""));
}

void HintBar::SetHint(const std::u16string& hint) {
    if (hint == hint_) return;
    hint_ = hint;
    SendMessageW(bar_, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(hint_.c_str()));
}

}  // namespace Win
