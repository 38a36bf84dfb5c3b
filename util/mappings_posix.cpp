#include "util/lcmap.h"
#include "util/mappings.h"

namespace Tormvale {

// Here the system's mapping is our own.
int SystemMapString(std::uint32_t flag, const char16_t* src, int srcCount, char16_t* dest, int destCapacity) {
    return LCMapStringW(GetUserDefaultLCID(), flag, src, srcCount, dest, destCapacity);
}

}  // namespace Tormvale
