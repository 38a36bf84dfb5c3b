#include <windows.h>

#include "util/mappings.h"

namespace Tormvale {

int SystemMapString(std::uint32_t flag, const char16_t* src, int srcCount, char16_t* dest, int destCapacity) {
    return ::LCMapStringW(::GetUserDefaultLCID(), flag, reinterpret_cast<const wchar_t*>(src), srcCount,
                          reinterpret_cast<wchar_t*>(dest), destCapacity);
}

}  // namespace Tormvale
