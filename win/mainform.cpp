#include "win/mainform.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "win/dpi.h"
#include "win/errorbox.h"
#include "win/menufont.h"

namespace Win {

using Varnopile::Part;

namespace {

constexpr wchar_t ClassName[] = L"Varnopile.TMainForm";
constexpr int HelpContext = Varnopile::MainFormRules::HelpContext;

// The designed faces; the full-width letters are part of the names.
constexpr char16_t UIGothic[] = u"MS UI Gothic";
constexpr char16_t PGothic[] = u"ＭＳ Ｐゴシック";
constexpr char16_t MeiryoUI[] = u"Meiryo UI";

Part PartOfCommand(int command) {
    switch (command) {
        case TMainForm::IdGet:
            return Part::TBGet;
        case TMainForm::IdApply:
            return Part::TBApply;
        case TMainForm::IdSeparator3:
            return Part::ToolButton3;
        case TMainForm::IdFont:
            return Part::TBFont;
        case TMainForm::IdSeparator4:
            return Part::ToolButton4;
        case TMainForm::IdClose:
            return Part::TBClose;
        default:
            return Part::ToolBar;
    }
}

void RegisterClassOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
        wc.hIconSm = static_cast<HICON>(LoadImageW(wc.hInstance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = ClassName;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

}  // namespace

TMainForm::TMainForm(Varnopile::MainFormRules::Services services) {
    RegisterClassOnce(&TMainForm::Proc);
    window_ = CreateWindowExW(0, ClassName, L"Varnopile", Style, DesignedLeft, DesignedTop, DesignedClientWidth,
                              DesignedClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    bounds_ = WindowHandle(window_);
    SetWindowContextHelpId(window_, HelpContext);
    // Laid out at 96 dpi, made for the monitor the window stands on.
    dpi_ = Dpi::ForWindow(window_);
    RECT outer{0, 0, Dpi::Scale(DesignedClientWidth, dpi_), Dpi::Scale(DesignedClientHeight, dpi_)};
    Dpi::AdjustWindowRect(outer, Style, 0, dpi_);
    SetWindowPos(window_, nullptr, DesignedLeft, DesignedTop, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    CreateParts();

    const ACCEL keys[] = {
        {FALT | FVIRTKEY, 'G', IdGet},
        {FALT | FVIRTKEY, 'A', IdApply},
        {FALT | FVIRTKEY, 'X', IdClose},
        {FVIRTKEY, VK_F1, IdHelp},
    };
    accelerators_ = CreateAcceleratorTableW(const_cast<ACCEL*>(keys), static_cast<int>(std::size(keys)));

    rules_.emplace(*this, std::move(services));
    rules_->FormCreate();
}

TMainForm::~TMainForm() {
    if (window_) DestroyWindow(window_);
    if (accelerators_) DestroyAcceleratorTable(accelerators_);
}

void TMainForm::CreateParts() {
    windowFont_ = std::make_unique<ScaledFont>(PGothic, 9, SHIFTJIS_CHARSET);
    toolBarFont_ = std::make_unique<ScaledFont>(MeiryoUI, 11, SHIFTJIS_CHARSET);
    statusFont_ = std::make_unique<ScaledFont>(PGothic, 9, SHIFTJIS_CHARSET, VARIABLE_PITCH);
    listFont_ = std::make_unique<ScaledFont>(UIGothic, 10, SHIFTJIS_CHARSET);
    listKFont_ = std::make_unique<ScaledFont>(PGothic, 10, SHIFTJIS_CHARSET);
    editorFont_ = std::make_unique<ScaledFont>(PGothic, 9, SHIFTJIS_CHARSET);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    // A frame without a caption; it passes its lists' notifications on to the window.
    GroupBox1 = CreateWindowExW(0, L"BUTTON", nullptr, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0, 0, 0,
                                0, window_, reinterpret_cast<HMENU>(IdGroupBox), instance, nullptr);
    SetWindowSubclass(GroupBox1, &TMainForm::GroupBoxProc, 0, reinterpret_cast<DWORD_PTR>(this));
    CreateToolBar();
    StatusBar = std::make_unique<HintBar>(window_, IdStatusBar);
    // The result list first: it comes before the label list in the tab order.
    ListBox = std::make_unique<TextList>(GroupBox1, IdListBox, false);
    ListBoxK = std::make_unique<TextList>(GroupBox1, IdListBoxK, true);
    Editor = std::make_unique<TextEditor>(window_, IdEditor);

    ListBox->Click = [this] { rules_->ListBoxClick(); };
    ListBoxK->Click = [this] { rules_->ListBoxKClick(); };
    ListBox->DblClick = [this] { rules_->ListBoxDblClick(); };
    ListBoxK->DblClick = [this] { rules_->ListBoxDblClick(); };
    ListBox->KeyPress = [this](char16_t& key) { rules_->ListBoxKeyPress(key); };
    ListBox->TabOut = [this](bool backwards) { FocusNext(ListBox->Handle(), backwards); };
    ListBoxK->TabOut = [this](bool backwards) { FocusNext(ListBoxK->Handle(), backwards); };

    ApplyFonts();
    ArrangeParts();
}

void TMainForm::CreateToolBar() {
    ToolBar = std::make_unique<FlatToolBar>(window_, IdToolBar);
    SetWindowContextHelpId(ToolBar->Handle(), HelpContext);
    ToolBar->AddButton(IdGet, u"取得(&G)");
    ToolBar->AddButton(IdApply, u"更新(&A)");
    ToolBar->AddSeparator(IdSeparator3, SeparatorWidth);
    ToolBar->AddButton(IdFont, u"フォント");
    ToolBar->AddSeparator(IdSeparator4, SeparatorWidth);
    ToolBar->AddButton(IdClose, u"終了(&X)");
}

// Docked in this order: the bar across the top as high as its rows, the frame below it, the
// status bar across the bottom, the editor in what is left. The frame keeps its height and the
// label list its width.
void TMainForm::ArrangeParts() {
    RECT client{};
    GetClientRect(window_, &client);
    const int w = client.right;
    const int h = client.bottom;
    const auto s = [this](int designed) { return Dpi::Scale(designed, dpi_); };
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;

    const int barHeight = ToolBar->Arrange(w, dpi_);
    SetWindowPos(GroupBox1, nullptr, 0, barHeight, w, s(GroupBoxHeight), flags);
    const int statusTop = std::max(0, h - s(StatusBarHeight));
    SetWindowPos(StatusBar->Handle(), nullptr, 0, statusTop, w, s(StatusBarHeight), flags);
    const int editorTop = barHeight + s(GroupBoxHeight);
    SetWindowPos(Editor->Handle(), nullptr, 0, editorTop, w, std::max(0, statusTop - editorTop), flags);

    // The frame's interior leaves 2 at the left, right and bottom, and 14 at the top.
    const int innerHeight = s(GroupBoxHeight - 14 - 2);
    SetWindowPos(ListBoxK->Handle(), nullptr, s(2), s(14), s(LabelListWidth), innerHeight, flags);
    const int resultLeft = s(2 + LabelListWidth);
    SetWindowPos(ListBox->Handle(), nullptr, resultLeft, s(14), std::max(0, w - s(2) - resultLeft), innerHeight, flags);
}

void TMainForm::ApplyFonts() {
    SendMessageW(GroupBox1, WM_SETFONT, reinterpret_cast<WPARAM>(windowFont_->Handle(dpi_)), TRUE);
    for (Part part : {Part::ToolBar, Part::StatusBar, Part::ListBox, Part::ListBoxK, Part::Editor}) ApplyFont(part);
}

void TMainForm::ApplyFont(Part part) {
    HFONT font = FontOf(part).Handle(dpi_);
    if (part != Part::ToolBar) {
        SendMessageW(PartHandle(part), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return;
    }
    // Buttons as wide as their captions: a new face or size lays the bar out again.
    ToolBar->SetFont(font);
    if (StatusBar) ArrangeParts();
}

HWND TMainForm::PartHandle(Part part) const {
    switch (part) {
        case Part::MainForm:
            return window_;
        case Part::GroupBox1:
            return GroupBox1;
        case Part::StatusBar:
            return StatusBar->Handle();
        case Part::ListBox:
            return ListBox->Handle();
        case Part::ListBoxK:
            return ListBoxK->Handle();
        case Part::Editor:
            return Editor->Handle();
        default:
            return ToolBar->Handle();
    }
}

TextList& TMainForm::List(Part list) const { return list == Part::ListBoxK ? *ListBoxK : *ListBox; }

ScaledFont& TMainForm::FontOf(Part part) const {
    switch (part) {
        case Part::StatusBar:
            return *statusFont_;
        case Part::ListBox:
            return *listFont_;
        case Part::ListBoxK:
            return *listKFont_;
        case Part::Editor:
            return *editorFont_;
        case Part::MainForm:
        case Part::GroupBox1:
            return *windowFont_;
        default:
            return *toolBarFont_;
    }
}

void TMainForm::FocusNext(HWND from, bool backwards) {
    // The tab stops: the result list, the label list, the editor (which keeps Tab as text).
    const HWND order[] = {ListBox->Handle(), ListBoxK->Handle(), Editor->Handle()};
    const int n = static_cast<int>(std::size(order));
    int i = 0;
    while (i < n && order[i] != from) ++i;
    SetFocus(order[(i + (backwards ? n - 1 : 1)) % n]);
}

void TMainForm::Show(int showState) {
    // Before the window becomes visible: the Get command, clipboard pauses and all.
    rules_->FormShow();
    int show = SW_SHOWNORMAL;
    if (showState == SW_SHOWMAXIMIZED)
        show = SW_SHOWMAXIMIZED;
    else if (showState == SW_SHOWMINNOACTIVE)
        show = SW_SHOWMINNOACTIVE;
    ShowWindow(window_, show);
    UpdateWindow(window_);
    SetFocus(ListBox->Handle());
    lastFocus_ = ListBox->Handle();
}

// The hint of the part under the pointer, as the application finds it once its messages are
// handled: only the four tool buttons have one, and a point off the program's windows has none.
void TMainForm::IdleHint() {
    POINT p{};
    Part part = Part::MainForm;
    if (GetCursorPos(&p)) {
        HWND under = WindowFromPoint(p);
        if (under && under == ToolBar->Handle()) part = PartOfCommand(ToolBar->CommandAt(p));
    }
    StatusBar->SetHint(std::u16string(Varnopile::MainFormRules::HintFor(part)));
}

void TMainForm::ClearRows(Part list) { List(list).Clear(); }

bool TMainForm::AddRow(Part list, const std::u16string& text) { return List(list).AddRow(text); }

int TMainForm::RowCount(Part list) const { return List(list).RowCount(); }

std::u16string TMainForm::RowText(Part list, int row) const { return List(list).RowText(row); }

void TMainForm::SelectRow(Part list, int row) { List(list).SelectRow(row); }

int TMainForm::SelectedRow(Part list) const { return List(list).SelectedRow(); }

long long TMainForm::MeasureRow(const std::u16string& text) const { return ListBox->MeasureText(text); }

void TMainForm::SetHorizontalExtent(Part list, int extent) { List(list).SetHorizontalExtent(extent); }

int TMainForm::ItemHeight(Part list) const { return List(list).ItemHeight(); }

void TMainForm::SetItemHeight(Part list, int height) { List(list).SetItemHeight(height); }

std::u16string TMainForm::EditorText() const { return Editor->Text(); }

void TMainForm::SetEditorText(const std::u16string& text) { Editor->SetText(text); }

std::u16string TMainForm::Face(Part part) const { return FontOf(part).Face(); }

int TMainForm::PointSize(Part part) const { return FontOf(part).Points(); }

void TMainForm::SetFace(Part part, const std::u16string& face) {
    FontOf(part).SetFace(face);
    ApplyFont(part);
}

void TMainForm::SetPointSize(Part part, int points) {
    FontOf(part).SetPoints(points);
    ApplyFont(part);
}

void TMainForm::Repaint(Part part) {
    HWND control = PartHandle(part);
    InvalidateRect(control, nullptr, TRUE);
    UpdateWindow(control);
}

Varnopile::FontSpec TMainForm::MenuFont() const {
    const Win::MenuFont menu = Win::MenuFont::FromSystem();
    return {menu.face, menu.points};
}

bool TMainForm::ChooseFont(Varnopile::FontSpec& font, int minSize, int maxSize) {
    return FontDialog.Execute(window_, font.face, font.pointSize, GetSysColor(COLOR_WINDOWTEXT), minSize, maxSize);
}

void TMainForm::ShowError(const std::u16string& text) { ErrorBox::Show(text); }

void TMainForm::DpiChanged(UINT dpi, const RECT& suggested) {
    dpi_ = dpi;
    ApplyFonts();
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    ArrangeParts();
}

void TMainForm::Command(int id, int code, HWND control) {
    if (control == ListBox->Handle()) {
        ListBox->Notified(static_cast<WORD>(code));
        return;
    }
    if (control == ListBoxK->Handle()) {
        ListBoxK->Notified(static_cast<WORD>(code));
        return;
    }
    switch (id) {
        case IdGet:
            rules_->TBGetClick();
            break;
        case IdApply:
            rules_->TBApplyClick();
            break;
        case IdFont:
            rules_->TBFontClick();
            break;
        case IdClose:
            // As the close box does: the close query first.
            PostMessageW(window_, WM_CLOSE, 0, 0);
            break;
        case IdHelp:
            rules_->Help();
            break;
        default:
            break;
    }
}

LRESULT TMainForm::Notify(const NMHDR& header) {
    if (header.code == TTN_GETDISPINFOW) {
        // The tooltip of a tool button is its hint; a separator has none.
        auto& info = const_cast<NMTTDISPINFOW&>(reinterpret_cast<const NMTTDISPINFOW&>(header));
        const std::u16string_view hint =
            Varnopile::MainFormRules::HintFor(PartOfCommand(static_cast<int>(header.idFrom)));
        info.lpszText = const_cast<wchar_t*>(reinterpret_cast<const wchar_t*>(hint.empty() ? u"" : hint.data()));
        info.hinst = nullptr;
        return 0;
    }
    return 0;
}

LRESULT TMainForm::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (StatusBar) ArrangeParts();
            return 0;
        case WM_COMMAND:
            if (rules_) Command(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY:
            return Notify(*reinterpret_cast<const NMHDR*>(lParam));
        case WM_HELP:
            if (rules_) rules_->Help();
            return TRUE;
        case WM_DPICHANGED:
            DpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_ACTIVATE:
            // Leaving, remember which part had the keyboard; coming back, give it back.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(window_, focus)) lastFocus_ = focus;
            } else if (lastFocus_ && !HIWORD(wParam)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_SETFOCUS:
            if (lastFocus_) SetFocus(lastFocus_);
            return 0;
        case WM_CLOSE:
            if (!rules_ || rules_->FormCloseQuery()) DestroyWindow(window_);
            return 0;
        case WM_QUERYENDSESSION:
            return rules_ && rules_->FormCloseQuery() ? TRUE : FALSE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            window_ = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TMainForm::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<TMainForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form || !form->window_) return DefWindowProcW(window, message, wParam, lParam);
    // Nothing may unwind through the system's frames: the rules show their own failures, and
    // what is left (memory) ends the handler here.
    try {
        return form->Handle(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        ErrorBox::Show(u"システム リソース不足です。");
        return 0;
    }
}

LRESULT CALLBACK TMainForm::GroupBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                         DWORD_PTR form) {
    switch (message) {
        case WM_COMMAND:
        case WM_CTLCOLORLISTBOX:
            return SendMessageW(reinterpret_cast<TMainForm*>(form)->window_, message, wParam, lParam);
        case WM_ERASEBKGND: {
            // A group frame draws only its lines, and the window clips its children: the frame's
            // face is painted here, or a moved frame would show what stood there before.
            RECT r{};
            GetClientRect(window, &r);
            FillRect(reinterpret_cast<HDC>(wParam), &r, GetSysColorBrush(COLOR_BTNFACE));
            return TRUE;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, &TMainForm::GroupBoxProc, 0);
            break;
        default:
            break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace Win
