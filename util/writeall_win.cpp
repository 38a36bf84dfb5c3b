#include <io.h>

#include <algorithm>
#include <cerrno>

#include "util/writeall.h"
#include "util/writeall_win.h"

namespace Tormvale {

namespace {

int ErrnoOf(DWORD error) {
    switch (error) {
        // The reader of a pipe has gone, or is going.
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
        case ERROR_PIPE_NOT_CONNECTED:
            return EPIPE;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
            return EACCES;
        case ERROR_INVALID_HANDLE:
            return EBADF;
        default:
            return EIO;
    }
}

}  // namespace

bool WriteWhole(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), DWORD{1} << 30));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.data(), chunk, &written, nullptr)) return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

// WriteFile itself, not the C library's _write: that one turns a short write into a failure with
// no system error, so the bytes that did go out are not known (seen when a pipe's reader leaves).
int WriteAll(int fd, std::string_view bytes) {
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE) return errno = EBADF;
    return WriteWhole(handle, bytes) ? 0 : errno = ErrnoOf(::GetLastError());
}

}  // namespace Tormvale
