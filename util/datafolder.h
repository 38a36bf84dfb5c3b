#pragma once
// Known folders and the program's data folder, as XDG folders on this platform.
#include <sys/types.h>

#include <array>
#include <cstdint>
#include <string>

namespace Tormvale {

constexpr std::uint32_t CSIDL_PERSONAL = 0x05;
constexpr std::uint32_t CSIDL_APPDATA = 0x1A;
constexpr std::uint32_t CSIDL_LOCAL_APPDATA = 0x1C;
constexpr std::uint32_t CSIDL_COMMON_APPDATA = 0x23;
constexpr std::uint32_t CSIDL_MYPICTURES = 0x27;
constexpr std::uint32_t CSIDL_COMMON_DOCUMENTS = 0x2E;

inline constexpr std::array<std::uint32_t, 6> SpecialFolderIds = {
    CSIDL_PERSONAL, CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_COMMON_APPDATA, CSIDL_MYPICTURES, CSIDL_COMMON_DOCUMENTS,
};

// The folder's path as the environment gives it, without a trailing separator; empty when it
// cannot be found or the index lies outside 0 to 5.
std::string GetSpecialFolderPath(std::uint8_t index);

// Makes sure <known folder>/Tormvale/<name>/ exists and stores it, with one trailing "/", in
// UserDataFolder (or CommonDataFolder when common). True when it exists as a directory afterwards.
bool PrepareDataFolder(const std::string& name, bool common);

// True for a directory, or a link that leads to one.
bool IsDirectory(const std::string& path);

// True when path exists, belongs to user and no group or other may write to it: what ssh asks of
// the files it trusts. Without followLinks a link itself never qualifies.
bool OnlyUserCanChange(const std::string& path, uid_t user, bool followLinks = true);

extern std::string UserDataFolder;
extern std::string CommonDataFolder;

}  // namespace Tormvale
