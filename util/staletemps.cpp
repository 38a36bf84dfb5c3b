#include "util/staletemps.h"

namespace Tormvale {

bool IsTempName(std::string_view name, std::string_view file) {
    if (name.size() != file.size() + 1 + 6 + TempSuffix.size() || !name.starts_with(file) || name[file.size()] != '.' ||
        !name.ends_with(TempSuffix)) {
        return false;
    }
    // What mkostemps puts in place of XXXXXX.
    for (const char c : name.substr(file.size() + 1, 6)) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

std::string TempPattern(const std::string& target) { return target + ".XXXXXX" + std::string(TempSuffix); }

}  // namespace Tormvale
