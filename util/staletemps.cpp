#include "util/staletemps.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tormvale {

namespace {

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

}  // namespace

std::string TempPattern(const std::string& target) { return target + ".XXXXXX" + std::string(TempSuffix); }

// A save killed between creating its temporary file and the rename leaves that file behind. Ours
// are regular files of the user's with our name pattern that no one else may even read (mkostemps
// makes them 0600).
void RemoveStaleTemps(const std::string& folder, std::string_view file, UserId user) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    while (const dirent* e = ::readdir(dir)) {
        if (!IsTempName(e->d_name, file)) continue;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == user && (st.st_mode & 077) == 0) {
            ::unlinkat(::dirfd(dir), e->d_name, 0);
        }
    }
    ::closedir(dir);
}

}  // namespace Tormvale
