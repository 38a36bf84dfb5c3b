#include "util/settingsfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "util/datafolder.h"
#include "util/errors.h"
#include "util/staletemps.h"
#include "util/writeall.h"

namespace Tormvale {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    // The close result matters after writing: NFS and full disks report there.
    int Close() {
        const int r = ::close(fd_);
        fd_ = -1;
        return r;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Through a link, the file it leads to is replaced, not the link. In a folder that others can
// write to, though, a link may be anyone's and lead to any of the user's files (a planted link to
// ~/.bashrc would have it replaced by settings): a link is followed only where nobody but the user
// could have made or aimed it, each link of a chain, as ssh trusts its files.
std::string SaveTarget(const std::string& path, UserId user) {
    std::string current = path;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0) {
            if (hops == 0) return path;
            ThrowCreateError(path, errno);  // a dangling link: creating its target is no safer
        }
        if (!S_ISLNK(st.st_mode)) break;
        if (hops == 40) ThrowCreateError(path, ELOOP);
        if (!OnlyUserCanChange(FolderOf(current), user)) ThrowCreateError(path, EPERM);
        std::string next(PATH_MAX, '\0');
        const ssize_t n = ::readlink(current.c_str(), next.data(), next.size());
        if (n < 0 || static_cast<std::size_t>(n) >= next.size()) ThrowCreateError(path, n < 0 ? errno : ENAMETOOLONG);
        next.resize(static_cast<std::size_t>(n));
        current = next.starts_with('/') ? next : FolderOf(current) + "/" + next;
    }
    if (current != path && (!OnlyUserCanChange(current, user) || !OnlyUserCanChange(FolderOf(current), user)))
        ThrowCreateError(path, EPERM);
    return current;
}

}  // namespace

std::string ReadSettingsFile(const std::string& path) {
    // O_NONBLOCK: a FIFO of that name must not hang the window.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {};
        ThrowOpenError(path, errno);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) ThrowOpenError(path, errno);
    if (S_ISDIR(st.st_mode)) return {};
    if (!S_ISREG(st.st_mode)) ThrowOpenError(path, EINVAL);
    // Root opens anything; a file its owner cannot read is still unreadable to us.
    if ((st.st_mode & S_IRUSR) == 0) ThrowOpenError(path, EACCES);

    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            ThrowOpenError(path, errno);
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

void ReplaceSettingsFile(const std::string& path, std::string_view bytes, UserId user) {
    const std::string target = SaveTarget(path, user);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) ThrowCreateError(path, EISDIR);
        // A read-only file stays read-only to us, root included.
        if ((st.st_mode & S_IWUSR) == 0) ThrowCreateError(path, EACCES);
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) ThrowCreateError(path, errno);
    } else if (errno != ENOENT) {
        ThrowCreateError(path, errno);
    }

    RemoveStaleTemps(FolderOf(target), NameOf(target), user);
    std::string temp = TempPattern(target);
    Fd fd(::mkostemps(temp.data(), static_cast<int>(TempSuffix.size()), O_CLOEXEC));
    if (fd.get() < 0) ThrowCreateError(path, errno);
    const auto fail = [&](bool create, int err) {
        fd.Close();
        ::unlink(temp.c_str());
        if (create) ThrowCreateError(path, err);
        ThrowWriteError();
    };
    // mkostemps's 0600 is subject to the umask.
    if (::fchmod(fd.get(), 0600) != 0) fail(true, errno);
    if (WriteAll(fd.get(), bytes) != 0 || ::fsync(fd.get()) != 0) fail(false, errno);
    if (fd.Close() != 0) {
        ::unlink(temp.c_str());
        ThrowWriteError();
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        ThrowCreateError(path, err);
    }
    // Make the rename itself durable; the data is already safe either way.
    Fd folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
}

}  // namespace Tormvale
