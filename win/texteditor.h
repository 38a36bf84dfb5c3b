#pragma once
// The multi-line EDIT: both scroll bars, no wrapping, Enter and Tab taken as text, no length
// limit of its own. It gives back exactly the text it was given.
#include <windows.h>

#include <string>

namespace Win {

class TextEditor {
public:
    TextEditor(HWND parent, int id);
    TextEditor(const TextEditor&) = delete;
    TextEditor& operator=(const TextEditor&) = delete;

    HWND Handle() const { return edit_; }
    std::u16string Text() const;
    // Replaces the text: caret, selection, scroll position and undo start afresh.
    void SetText(const std::u16string& text);

private:
    HWND edit_;
};

}  // namespace Win
