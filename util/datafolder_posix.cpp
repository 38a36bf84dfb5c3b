#include "util/datafolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

namespace Tormvale {

std::string UserDataFolder;
std::string CommonDataFolder;

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

// XDG base folders must be absolute; a relative value is ignored.
std::string BaseFolder(const char* var, const char* fallbackUnderHome) {
    std::string v = Env(var);
    if (!v.empty() && v[0] == '/') return v;
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + fallbackUnderHome;
}

std::string FirstOfList(const char* var, const char* fallback) {
    const std::string v = Env(var);
    std::size_t start = 0;
    while (start <= v.size()) {
        const std::size_t end = v.find(':', start);
        const std::string item = v.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!item.empty() && item[0] == '/') return item;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fallback;
}

// The user's named folders live in user-dirs.dirs as lines like XDG_PICTURES_DIR="$HOME/Pictures".
std::string UserDir(const char* key, const char* fallbackName) {
    const std::string home = HomeFolder();
    const std::string config = BaseFolder("XDG_CONFIG_HOME", "/.config");
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    const std::string prefix = std::string(key) + "=\"";
    while (std::getline(in, line)) {
        if (line.rfind(prefix, 0) != 0 || line.size() < prefix.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return value;
    }
    return home.empty() ? std::string() : home + "/" + fallbackName;
}

void MakeFolder(const std::string& path) { ::mkdir(path.c_str(), 0700); }

// The base folder may be missing on a fresh account; create it the way XDG asks (0700).
void MakeFolderChain(const std::string& path) {
    if (path.empty() || IsDirectory(path)) return;
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) MakeFolderChain(path.substr(0, slash));
    MakeFolder(path);
}

}  // namespace

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool OnlyUserCanChange(const std::string& path, UserId user, bool followLinks) {
    struct stat st {};
    const int r = followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    return r == 0 && !S_ISLNK(st.st_mode) && st.st_uid == user && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string GetSpecialFolderPath(std::uint8_t index) {
    if (index >= SpecialFolderIds.size()) return {};
    switch (SpecialFolderIds[index]) {
        case CsidlPersonal:
            return UserDir("XDG_DOCUMENTS_DIR", "Documents");
        case CsidlAppData:
            return BaseFolder("XDG_CONFIG_HOME", "/.config");
        case CsidlLocalAppData:
            return BaseFolder("XDG_DATA_HOME", "/.local/share");
        case CsidlCommonAppData:
            return FirstOfList("XDG_CONFIG_DIRS", "/etc/xdg");
        case CsidlMyPictures:
            return UserDir("XDG_PICTURES_DIR", "Pictures");
        case CsidlCommonDocuments:
            return FirstOfList("XDG_DATA_DIRS", "/usr/local/share");
    }
    return {};
}

bool PrepareDataFolder(const std::string& name, bool common) {
    const std::string known = GetSpecialFolderPath(common ? 3 : 1);
    // Without a known folder the data would land at the file-system root; refuse instead.
    if (known.empty() || name.empty() || name.find('/') != std::string::npos) return false;
    MakeFolderChain(known);
    std::string path = known + "/Tormvale";
    if (!IsDirectory(path)) MakeFolder(path);
    path += "/" + name;
    if (!IsDirectory(path)) MakeFolder(path);
    path += "/";
    (common ? CommonDataFolder : UserDataFolder) = path;
    return IsDirectory(path);
}

}  // namespace Tormvale
