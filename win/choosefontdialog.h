#pragma once
// The system's common font dialog, run modally over the main window: screen fonts only, sizes held
// to a range, a typed face must exist, no effects. Style and character set carry over from one
// opening to the next; the dialog opens centred across, a third of the way down, on the monitor
// of the active window.
#include <windows.h>

#include <string>

namespace Win {

class ChooseFontDialog {
public:
    // CF_SCREENFONTS | CF_ENABLEHOOK | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE | CF_FORCEFONTEXIST.
    static constexpr DWORD Flags = 0x12049;

    ChooseFontDialog();

    // Starts on face and points in color; on OK they take the choice and the result is true.
    bool Execute(HWND owner, std::u16string& face, int& points, COLORREF color, int minSize, int maxSize);

private:
    static UINT_PTR CALLBACK Hook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    LOGFONTW font_;  // the starting font, which also receives the choice
};

}  // namespace Win
