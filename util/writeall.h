#pragma once
// Writing a whole buffer to a file descriptor.
#include <string_view>

namespace Tormvale {

// Writes all of bytes, going on after a signal and after a short write. Returns 0, or the errno of
// the write that failed (EIO for one that wrote nothing); errno holds the same.
int WriteAll(int fd, std::string_view bytes);

}  // namespace Tormvale
