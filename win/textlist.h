#pragma once
// A LISTBOX as the window's two lists use it: rows of whole texts, a click raised for every row the
// user picks (the selected one included) and never for one the program selects, type-ahead over
// the rows, Tab to the next stop, and the sideways extent measured on the list's own surface.
#include <windows.h>

#include <functional>
#include <string>

#include "win/scaledfont.h"

namespace Win {

class TextList {
public:
    TextList(HWND parent, int id, bool typeAhead);
    TextList(const TextList&) = delete;
    TextList& operator=(const TextList&) = delete;

    HWND Handle() const { return list_; }

    void Clear();
    bool AddRow(const std::u16string& text);
    int RowCount() const;
    std::u16string RowText(int row) const;
    // A row the list does not have selects none.
    void SelectRow(int row);
    int SelectedRow() const;

    // On the list's own drawing surface in the default font (8 points at the screen's resolution
    // when the list was made), never in the font the rows are shown in.
    long long MeasureText(const std::u16string& text) const;
    void SetHorizontalExtent(int extent);
    // The rows are drawn by the system, as tall as the list's font makes them: the height is kept
    // for the rules, which compare against it.
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int height) { itemHeight_ = height; }

    // A WM_COMMAND notification the parent received from this list.
    void Notified(WORD code);

    std::function<void()> Click;
    std::function<void()> DblClick;
    // A typed character; set to 0 it does not reach the type-ahead.
    std::function<void(char16_t& key)> KeyPress;
    // Tab or Shift+Tab pressed in the list.
    std::function<void(bool backwards)> TabOut;

    static constexpr DWORD TypeAheadIntervalMs = 500;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR self);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void RaiseClick();
    bool OnRow(LPARAM point) const;
    void Typed(char16_t key);
    void Search();

    HWND list_;
    bool typeAhead_;
    int itemHeight_ = 0;
    // Inside the list's own handling of a press or a key that raises the click itself.
    bool userGesture_ = false;
    bool doubleClicked_ = false;
    std::u16string searchText_;
    DWORD lastTyped_ = 0;
    mutable ScaledFont measureFont_;
    UINT measureDpi_;
};

}  // namespace Win
