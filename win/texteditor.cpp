#include "win/texteditor.h"

namespace Win {

TextEditor::TextEditor(HWND parent, int id)
    : edit_(CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", nullptr,
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                            0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                            GetModuleHandleW(nullptr), nullptr)) {
    // 0 lifts the default limit of 32767 units to the largest the control takes.
    SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
}

std::u16string TextEditor::Text() const {
    const int n = GetWindowTextLengthW(edit_);
    std::u16string text(static_cast<std::size_t>(n) + 1, u'\0');
    const int got = GetWindowTextW(edit_, reinterpret_cast<wchar_t*>(text.data()), n + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

void TextEditor::SetText(const std::u16string& text) {
    SetWindowTextW(edit_, reinterpret_cast<const wchar_t*>(text.c_str()));
}

}  // namespace Win
