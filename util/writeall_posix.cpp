#include "util/writeall.h"

#include <unistd.h>

#include <cerrno>

namespace Tormvale {

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        // Nothing written and no error would go round for ever.
        if (n == 0) return errno = EIO;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

}  // namespace Tormvale
