// The Win32 window in this process: a move to a monitor of another resolution (WM_DPICHANGED), which
// Wine never sends, lays the window out again for it and takes the bounds the system suggests.
#include <windows.h>
// windows.h first: the common controls' header needs its types.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "win/mainform.h"

namespace {

using Win::TMainForm;

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LONG FontHeight(HWND control) {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font.lfHeight;
}

TEST(MainFormWin, ANewResolutionScalesTheLayoutAndTakesTheSuggestedBounds) {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    TMainForm form({});
    const HWND window = form.Handle();
    const HWND group = GetDlgItem(window, TMainForm::IdGroupBox);
    const HWND editor = GetDlgItem(window, TMainForm::IdEditor);
    const HWND status = GetDlgItem(window, TMainForm::IdStatusBar);
    ASSERT_TRUE(group && editor && status);
    form.SetPointSize(Varnopile::Part::Editor, 9);

    // At 96 dpi the frame is 180 high; the editor's font is 9 points.
    struct Case {
        UINT dpi;
        int frameHeight;
        LONG editorFont;
        RECT suggested;
    };
    const Case cases[] = {
        {144, 270, -18, {100, 50, 700, 650}},
        {192, 360, -24, {-900, 10, 300, 1000}},  // a monitor left of the primary one
        {96, 180, -12, {336, 201, 736, 601}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(c.dpi, c.dpi), reinterpret_cast<LPARAM>(&c.suggested));
        RECT outer{};
        GetWindowRect(window, &outer);
        EXPECT_TRUE(EqualRect(&outer, &c.suggested));

        const RECT frame = ChildRect(window, group);
        EXPECT_EQ(frame.bottom - frame.top, c.frameHeight);
        EXPECT_EQ(FontHeight(editor), c.editorFont);
        // The editor still fills what lies between the frame and the status bar.
        const RECT edit = ChildRect(window, editor);
        EXPECT_EQ(edit.top, frame.bottom);
        EXPECT_EQ(edit.bottom, ChildRect(window, status).top);
    }
}

}  // namespace
