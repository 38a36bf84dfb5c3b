#pragma once
// Known folders and the program's data folder: the shell's on Windows, XDG folders elsewhere.
// Paths are UTF-8 on every system.
#include <array>
#include <cstdint>
#include <string>

#include "util/userid.h"

namespace Tormvale {

// The shell's folder identifiers (CSIDL_*), named so that windows.h can be included beside.
constexpr std::uint32_t CsidlPersonal = 0x05;
constexpr std::uint32_t CsidlAppData = 0x1A;
constexpr std::uint32_t CsidlLocalAppData = 0x1C;
constexpr std::uint32_t CsidlCommonAppData = 0x23;
constexpr std::uint32_t CsidlMyPictures = 0x27;
constexpr std::uint32_t CsidlCommonDocuments = 0x2E;

inline constexpr std::array<std::uint32_t, 6> SpecialFolderIds = {
    CsidlPersonal, CsidlAppData, CsidlLocalAppData, CsidlCommonAppData, CsidlMyPictures, CsidlCommonDocuments,
};

// The folder's path as the system gives it, without a trailing separator; empty when it cannot be
// found or the index lies outside 0 to 5.
std::string GetSpecialFolderPath(std::uint8_t index);

// Makes sure <known folder>/Tormvale/<name>/ exists and stores it, with one trailing separator
// ("\" on Windows, "/" elsewhere), in UserDataFolder (or CommonDataFolder when common). True when
// it exists as a directory afterwards.
bool PrepareDataFolder(const std::string& name, bool common);

// True for a directory, or a link that leads to one.
bool IsDirectory(const std::string& path);

#if !defined(_WIN32)
// True when path exists, belongs to user and no group or other may write to it: what ssh asks of
// the files it trusts. Without followLinks a link itself never qualifies.
bool OnlyUserCanChange(const std::string& path, UserId user, bool followLinks = true);
#endif

extern std::string UserDataFolder;
extern std::string CommonDataFolder;

}  // namespace Tormvale
