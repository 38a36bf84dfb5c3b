#pragma once
// What the window's rules (MainFormRules) ask of a face: the Qt window on Linux, the Win32 window on
// Windows. Plain values only: texts in UTF-16, font sizes in whole points, bounds in outer pixels.
#include <string>

#include "util/placement.h"

namespace Varnopile {

// The window's parts, named as the rules name them.
enum class Part {
    MainForm,
    GroupBox1,
    ToolBar,
    TBGet,
    TBApply,
    ToolButton3,
    TBFont,
    ToolButton4,
    TBClose,
    ListBox,
    ListBoxK,
    Editor,
    StatusBar,
};

// A font as the rules handle it: a face name, compared and stored as written, and whole points.
struct FontSpec {
    std::u16string face;
    int pointSize = 0;
};

// The window's designed geometry at 96 dpi, the same for every face: the client size, where the outer
// frame's corner stands until the settings apply, and the fixed heights and widths of its parts.
struct FormLayout {
    static constexpr int DesignedClientWidth = 388;
    static constexpr int DesignedClientHeight = 368;
    static constexpr int DesignedLeft = 336;
    static constexpr int DesignedTop = 201;
    static constexpr int GroupBoxHeight = 180;
    static constexpr int StatusBarHeight = 19;
    static constexpr int LabelListWidth = 150;
};

class MainFormView {
public:
    virtual ~MainFormView() = default;

    // The two lists, ListBox and ListBoxK: unsorted rows, each a whole text, and one selected row or
    // none (-1).
    virtual void ClearRows(Part list) = 0;
    // False when the list refuses the row.
    virtual bool AddRow(Part list, const std::u16string& text) = 0;
    virtual int RowCount(Part list) const = 0;
    virtual std::u16string RowText(Part list, int row) const = 0;
    // Raises no click. A row the list does not have selects none.
    virtual void SelectRow(Part list, int row) = 0;
    virtual int SelectedRow(Part list) const = 0;
    // Width in pixels of a text on the result list's measuring surface, whose font is the system's
    // default and not the one the rows are shown in.
    virtual long long MeasureRow(const std::u16string& text) const = 0;
    virtual void SetHorizontalExtent(Part list, int extent) = 0;
    virtual int ItemHeight(Part list) const = 0;
    virtual void SetItemHeight(Part list, int height) = 0;

    // The editor's whole text, exactly as set or as the user edited it. Setting always replaces it:
    // caret, selection, scroll position and undo history start afresh.
    virtual std::u16string EditorText() const = 0;
    virtual void SetEditorText(const std::u16string& text) = 0;

    // The fonts of ToolBar (its buttons with it), StatusBar, ListBox, ListBoxK and Editor. Setting the
    // face leaves the size, setting the size leaves the face; neither repaints.
    virtual std::u16string Face(Part part) const = 0;
    virtual int PointSize(Part part) const = 0;
    virtual void SetFace(Part part, const std::u16string& face) = 0;
    virtual void SetPointSize(Part part, int points) = 0;
    virtual void Repaint(Part part) = 0;
    // The system's menu font.
    virtual FontSpec MenuFont() const = 0;
    // The font dialog, modal: it starts on font in the editor's colour and the style of the last
    // choice, and accepts sizes from minSize to maxSize only. On OK font takes the chosen face and
    // size, and the result is true.
    virtual bool ChooseFont(FontSpec& font, int minSize, int maxSize) = 0;

    // The window's outer bounds, as the settings and the placement read and move them.
    virtual Tormvale::WindowHandle& Window() = 0;

    // The error display: a modal box showing text as given.
    virtual void ShowError(const std::u16string& text) = 0;
};

}  // namespace Varnopile
