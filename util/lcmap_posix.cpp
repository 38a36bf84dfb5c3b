#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "util/lcmap.h"

namespace Tormvale {

std::uint32_t GetUserDefaultLCID() {
    const char* name = nullptr;
    for (const char* var : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        name = std::getenv(var);
        if (name && *name) break;
    }
    if (!name || !*name || std::strcmp(name, "C") == 0 || std::strncmp(name, "C.", 2) == 0 ||
        std::strcmp(name, "POSIX") == 0)
        return 0x007F;  // invariant locale
    struct Known {
        const char* prefix;
        std::uint32_t lcid;
    };
    // Longest prefixes first.
    static constexpr Known known[] = {
        {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"en_GB", 0x0809}, {"ja", 0x0411}, {"ko", 0x0412},
        {"zh", 0x0804},    {"en", 0x0409},    {"de", 0x0407},    {"fr", 0x040C}, {"es", 0x0C0A},
        {"it", 0x0410},    {"ru", 0x0419},    {"pt", 0x0416},    {"nl", 0x0413},
    };
    for (const Known& k : known)
        if (std::strncmp(name, k.prefix, std::strlen(k.prefix)) == 0) return k.lcid;
    return 0x0400;  // the user's default, unnamed
}

}  // namespace Tormvale
