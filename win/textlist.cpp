#include "win/textlist.h"

#include <commctrl.h>

#include "win/dpi.h"

namespace Win {

namespace {

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

bool IsMoveKey(WPARAM key) {
    switch (key) {
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
            return true;
        default:
            return false;
    }
}

}  // namespace

TextList::TextList(HWND parent, int id, bool typeAhead)
    : list_(CreateWindowExW(
          WS_EX_CLIENTEDGE, L"LISTBOX", nullptr,
          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0,
          parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr)),
      typeAhead_(typeAhead),
      measureFont_(u"MS Shell Dlg 2", 8, DEFAULT_CHARSET),
      measureDpi_(Dpi::Screen()) {
    SetWindowSubclass(list_, &TextList::Proc, 0, reinterpret_cast<DWORD_PTR>(this));
}

void TextList::Clear() { SendMessageW(list_, LB_RESETCONTENT, 0, 0); }

bool TextList::AddRow(const std::u16string& text) {
    const LRESULT r = SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(text)));
    return r != LB_ERR && r != LB_ERRSPACE;
}

int TextList::RowCount() const { return static_cast<int>(SendMessageW(list_, LB_GETCOUNT, 0, 0)); }

std::u16string TextList::RowText(int row) const {
    const LRESULT n = SendMessageW(list_, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
    if (n == LB_ERR) return {};
    std::u16string text(static_cast<std::size_t>(n) + 1, u'\0');
    const LRESULT got =
        SendMessageW(list_, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
    text.resize(got == LB_ERR ? 0 : static_cast<std::size_t>(got));
    return text;
}

void TextList::SelectRow(int row) {
    if (row < 0 || row >= RowCount()) row = -1;
    if (row == SelectedRow()) return;
    SendMessageW(list_, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
}

int TextList::SelectedRow() const { return static_cast<int>(SendMessageW(list_, LB_GETCURSEL, 0, 0)); }

long long TextList::MeasureText(const std::u16string& text) const {
    HDC dc = GetDC(list_);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, measureFont_.Handle(measureDpi_));
    SIZE size{};
    GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(list_, dc);
    return size.cx;
}

void TextList::SetHorizontalExtent(int extent) {
    SendMessageW(list_, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent), 0);
}

void TextList::Notified(WORD code) {
    if (code == LBN_DBLCLK) {
        if (userGesture_)
            doubleClicked_ = true;
        else if (DblClick)
            DblClick();
    } else if (code == LBN_SELCHANGE && !userGesture_) {
        // A drag across the rows, or an assistive tool: the user's choice all the same.
        RaiseClick();
    }
}

void TextList::RaiseClick() {
    if (Click) Click();
}

bool TextList::OnRow(LPARAM point) const {
    const LRESULT hit = SendMessageW(list_, LB_ITEMFROMPOINT, 0, point);
    return HIWORD(hit) == 0 && RowCount() > 0;
}

LRESULT CALLBACK TextList::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, &TextList::Proc, 0);
    return reinterpret_cast<TextList*>(self)->Handle(message, wParam, lParam);
}

LRESULT TextList::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            // The list selects the row under the pointer; the press is the click, also on the row
            // already selected, and the double click comes after it.
            userGesture_ = true;
            doubleClicked_ = false;
            const LRESULT r = DefSubclassProc(list_, message, wParam, lParam);
            userGesture_ = false;
            if (OnRow(lParam)) RaiseClick();
            if (doubleClicked_ && DblClick) DblClick();
            doubleClicked_ = false;
            return r;
        }
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                if (TabOut) TabOut(GetKeyState(VK_SHIFT) < 0);
                return 0;
            }
            if (IsMoveKey(wParam)) {
                userGesture_ = true;
                const LRESULT r = DefSubclassProc(list_, message, wParam, lParam);
                userGesture_ = false;
                if (RowCount() > 0) RaiseClick();
                return r;
            }
            break;
        case WM_CHAR:
            // Every character is ours: the list's own one-letter search would fight the type-ahead.
            Typed(static_cast<char16_t>(wParam));
            return 0;
        default:
            break;
    }
    return DefSubclassProc(list_, message, wParam, lParam);
}

void TextList::Typed(char16_t key) {
    if (key == u'\t') return;
    if (KeyPress) {
        KeyPress(key);
        if (key == 0) return;
    }
    if (!typeAhead_) return;
    const DWORD now = GetTickCount();
    if (key == u'\b') {
        if (!searchText_.empty()) searchText_.pop_back();
        lastTyped_ = now;
        if (searchText_.empty()) {
            if (RowCount() > 0) SelectRow(0);
            RaiseClick();
        } else {
            Search();
        }
        return;
    }
    // Control characters (Enter, Escape, Ctrl with a letter) search for nothing.
    if (key < u' ') return;
    if (now - lastTyped_ >= TypeAheadIntervalMs) searchText_.clear();
    lastTyped_ = now;
    searchText_.push_back(key);
    Search();
}

// The first row from the top that begins with the search text, letter case aside.
void TextList::Search() {
    const int n = static_cast<int>(searchText_.size());
    for (int row = 0; row < RowCount(); ++row) {
        const std::u16string text = RowText(row);
        if (static_cast<int>(text.size()) < n) continue;
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, W(text), n, W(searchText_), n) == CSTR_EQUAL) {
            SelectRow(row);
            RaiseClick();
            return;
        }
    }
}

}  // namespace Win
