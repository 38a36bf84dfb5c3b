#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "util/writeall.h"

namespace Tormvale {

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        // _write takes an unsigned count and returns an int.
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int n = ::_write(fd, bytes.data(), chunk);
        if (n < 0) return errno;
        if (n == 0) return errno = EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace Tormvale
