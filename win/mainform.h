#pragma once
// The program's only window, made of the system's own controls: the flat tool bar, a group frame
// holding the label list and the result list, the editor, and the status bar that shows the hint
// of the tool button under the pointer. What the window decides lives in MainFormRules; this face
// creates and lays out the controls, draws at the monitor's resolution, and forwards each act of
// the user to the rules' handler of the same name.
#include <windows.h>

#include <memory>
#include <optional>

#include "core/mainformrules.h"
#include "core/mainformview.h"
#include "win/choosefontdialog.h"
#include "win/flattoolbar.h"
#include "win/hintbar.h"
#include "win/scaledfont.h"
#include "win/texteditor.h"
#include "win/textlist.h"
#include "win/windowhandle.h"

namespace Win {

class TMainForm final : public Varnopile::FormLayout, public Varnopile::MainFormView {
public:
    static constexpr int SeparatorWidth = 8;

    // Commands of the tool buttons and the keys; the controls' own ids.
    enum Id : int {
        IdGet = 101,
        IdApply,
        IdSeparator3,
        IdFont,
        IdSeparator4,
        IdClose,
        IdHelp,
        IdToolBar = 201,
        IdGroupBox,
        IdListBox,
        IdListBoxK,
        IdEditor,
        IdStatusBar,
    };

    // Creates the window and its parts, hidden, and runs the creation handler.
    explicit TMainForm(Varnopile::MainFormRules::Services services);
    ~TMainForm() override;
    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;

    HWND Handle() const { return window_; }
    // Alt+G, Alt+A, Alt+X and F1, for the message loop.
    HACCEL Accelerators() const { return accelerators_; }
    // The show handler, then the window shown as the start-up asks (SW_* value).
    void Show(int showState);
    // The status bar follows the pointer: the loop calls this whenever it has no message left.
    void IdleHint();

    // MainFormView
    void ClearRows(Varnopile::Part list) override;
    bool AddRow(Varnopile::Part list, const std::u16string& text) override;
    int RowCount(Varnopile::Part list) const override;
    std::u16string RowText(Varnopile::Part list, int row) const override;
    void SelectRow(Varnopile::Part list, int row) override;
    int SelectedRow(Varnopile::Part list) const override;
    long long MeasureRow(const std::u16string& text) const override;
    void SetHorizontalExtent(Varnopile::Part list, int extent) override;
    int ItemHeight(Varnopile::Part list) const override;
    void SetItemHeight(Varnopile::Part list, int height) override;
    std::u16string EditorText() const override;
    void SetEditorText(const std::u16string& text) override;
    std::u16string Face(Varnopile::Part part) const override;
    int PointSize(Varnopile::Part part) const override;
    void SetFace(Varnopile::Part part, const std::u16string& face) override;
    void SetPointSize(Varnopile::Part part, int points) override;
    void Repaint(Varnopile::Part part) override;
    Varnopile::FontSpec MenuFont() const override;
    bool ChooseFont(Varnopile::FontSpec& font, int minSize, int maxSize) override;
    Tormvale::WindowHandle& Window() override { return bounds_; }
    void ShowError(const std::u16string& text) override;

private:
    static constexpr DWORD Style =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR form);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Command(int id, int code, HWND control);
    LRESULT Notify(const NMHDR& header);
    void DpiChanged(UINT dpi, const RECT& suggested);

    void CreateParts();
    void CreateToolBar();
    void ArrangeParts();
    void ApplyFonts();
    void FocusNext(HWND from, bool backwards);
    HWND PartHandle(Varnopile::Part part) const;
    TextList& List(Varnopile::Part list) const;
    ScaledFont& FontOf(Varnopile::Part part) const;
    void ApplyFont(Varnopile::Part part);

    HWND window_ = nullptr;
    UINT dpi_ = 96;
    HACCEL accelerators_ = nullptr;
    HWND lastFocus_ = nullptr;

    // The parts, as the window names them.
    HWND GroupBox1 = nullptr;
    std::unique_ptr<FlatToolBar> ToolBar;
    std::unique_ptr<HintBar> StatusBar;
    std::unique_ptr<TextList> ListBox;
    std::unique_ptr<TextList> ListBoxK;
    std::unique_ptr<TextEditor> Editor;
    ChooseFontDialog FontDialog;

    // Designed fonts; FormCreate and the Font command change faces and the editor's size.
    std::unique_ptr<ScaledFont> windowFont_;
    std::unique_ptr<ScaledFont> toolBarFont_;
    std::unique_ptr<ScaledFont> statusFont_;
    std::unique_ptr<ScaledFont> listFont_;
    std::unique_ptr<ScaledFont> listKFont_;
    std::unique_ptr<ScaledFont> editorFont_;

    WindowHandle bounds_{nullptr};
    std::optional<Varnopile::MainFormRules> rules_;
};

}  // namespace Win
