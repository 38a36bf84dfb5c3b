#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>

#include "tools/convertio.h"

namespace Convert {

int OpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd;
}

void Close(int fd) { ::close(fd); }

std::ptrdiff_t Read(int fd, char* buffer, std::size_t size) { return ::read(fd, buffer, size); }

bool IsRegularFile(int fd) {
    struct stat file;
    return ::fstat(fd, &file) == 0 && S_ISREG(file.st_mode);
}

}  // namespace Convert

int main(int argc, char** argv) {
    // A closed pipe shows up as EPIPE from write, handled where the output is written.
    std::signal(SIGPIPE, SIG_IGN);
    return Convert::Main(argc, argv);
}
