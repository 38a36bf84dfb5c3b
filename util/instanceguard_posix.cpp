#include "util/instanceguard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "util/datafolder.h"

namespace Tormvale {

namespace {

// A shared temp folder is only used when it is ours alone: a real directory we own, mode 0700.
bool PrivateFolder(const std::string& path, UserId user) {
    ::mkdir(path.c_str(), 0700);
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == user && (st.st_mode & 077) == 0;
}

std::string RuntimeFolder(UserId user) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsDirectory(runtime) && OnlyUserCanChange(runtime, user, false)) return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = (tmp && tmp[0] == '/') ? tmp : "/tmp";
    const std::string folder = base + "/varnopile-" + std::to_string(user);
    return PrivateFolder(folder, user) ? folder : std::string();
}

}  // namespace

std::string GuardFilePath(const std::string& guardName, UserId user) {
    const std::string folder = RuntimeFolder(user);
    if (folder.empty()) return {};
    std::string file = guardName;
    for (char& c : file)
        if (c == '/') c = '_';
    return folder + "/" + file + ".lock";
}

GuardState AcquireInstanceGuard(const std::string& guardName) {
    const std::string path = GuardFilePath(guardName);
    if (path.empty()) return GuardState::Unavailable;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return GuardState::Unavailable;
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? GuardState::HeldElsewhere : GuardState::Unavailable;
    }
    return GuardState::Acquired;  // fd deliberately kept open until exit
}

}  // namespace Tormvale
