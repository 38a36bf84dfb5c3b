#include <windows.h>

#include "util/errors.h"

namespace Tormvale {

std::u16string SystemErrorText(int errnum) {
    wchar_t buf[512];
    // Language 0: the user's language, as the error box's other text.
    const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                     static_cast<DWORD>(errnum), 0, buf, static_cast<DWORD>(std::size(buf)), nullptr);
    return TrimSystemText(std::u16string(reinterpret_cast<const char16_t*>(buf), n));
}

}  // namespace Tormvale
