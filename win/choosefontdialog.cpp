#include "win/choosefontdialog.h"

#include <commdlg.h>

#include <cmath>
#include <cstdlib>
#include <cwchar>

#include "win/dpi.h"

namespace Win {

static_assert(ChooseFontDialog::Flags ==
                  (CF_SCREENFONTS | CF_ENABLEHOOK | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_FORCEFONTEXIST),
              "the dialog's flags are these five and no others");

ChooseFontDialog::ChooseFontDialog() : font_{} {
    // As designed: Tahoma, 8 points, regular, any character set.
    font_.lfHeight = -MulDiv(8, static_cast<int>(Dpi::Screen()), 72);
    font_.lfWeight = FW_NORMAL;
    font_.lfCharSet = DEFAULT_CHARSET;
    wcscpy(font_.lfFaceName, L"Tahoma");
}

bool ChooseFontDialog::Execute(HWND owner, std::u16string& face, int& points, COLORREF color, int minSize,
                               int maxSize) {
    // The dialog converts between points and heights at the screen's resolution; so do we.
    const int dpi = static_cast<int>(Dpi::Screen());
    if (!face.empty()) {
        std::wmemset(font_.lfFaceName, 0, LF_FACESIZE);
        wcsncpy(font_.lfFaceName, reinterpret_cast<const wchar_t*>(face.c_str()), LF_FACESIZE - 1);
    }
    font_.lfHeight = -MulDiv(points, dpi, 72);

    LOGFONTW chosen = font_;
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &chosen;
    cf.Flags = Flags;
    cf.rgbColors = color;
    cf.lCustData = reinterpret_cast<LPARAM>(owner);
    cf.lpfnHook = &ChooseFontDialog::Hook;
    cf.nSizeMin = minSize;
    cf.nSizeMax = maxSize;
    if (!ChooseFontW(&cf)) return false;

    font_ = chosen;
    face = std::u16string(reinterpret_cast<const char16_t*>(chosen.lfFaceName));
    points = static_cast<int>(std::lround(std::abs(chosen.lfHeight) * 72.0 / dpi));
    return true;
}

UINT_PTR CALLBACK ChooseFontDialog::Hook(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return 0;
    const auto* cf = reinterpret_cast<const CHOOSEFONTW*>(lParam);
    HWND active = GetActiveWindow();
    if (!active || active == dialog) active = reinterpret_cast<HWND>(cf->lCustData);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT r{};
    if (GetMonitorInfoW(MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST), &monitor) && GetWindowRect(dialog, &r)) {
        // The monitor's full bounds, not its work area.
        const RECT& m = monitor.rcMonitor;
        const int left = m.left + ((m.right - m.left) - (r.right - r.left)) / 2;
        const int top = m.top + ((m.bottom - m.top) - (r.bottom - r.top)) / 3;
        SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // The dialog's own handling sets the focus.
    return 0;
}

}  // namespace Win
