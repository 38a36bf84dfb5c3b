#include "win/errorbox.h"

namespace Win {

void ErrorBox::Show(const std::u16string& text) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = applicationWindow_;
    MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()), L"Varnopile", MB_ICONERROR | MB_OK);
}

}  // namespace Win
