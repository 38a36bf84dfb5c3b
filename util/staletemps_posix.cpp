#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/staletemps.h"

namespace Tormvale {

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
