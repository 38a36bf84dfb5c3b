#include <windows.h>
// After windows.h, which it needs.
#include <shlobj.h>

#include "util/datafolder.h"
#include "util/widestring.h"

namespace Tormvale {

static_assert(CsidlPersonal == CSIDL_PERSONAL && CsidlAppData == CSIDL_APPDATA &&
              CsidlLocalAppData == CSIDL_LOCAL_APPDATA && CsidlCommonAppData == CSIDL_COMMON_APPDATA &&
              CsidlMyPictures == CSIDL_MYPICTURES && CsidlCommonDocuments == CSIDL_COMMON_DOCUMENTS);

std::string UserDataFolder;
std::string CommonDataFolder;

namespace {

bool IsDirectoryW(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) return true;
    // A link counts only when its target can be opened.
    const HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

}  // namespace

bool IsDirectory(const std::string& path) { return !path.empty() && IsDirectoryW(ToWide(path)); }

std::string GetSpecialFolderPath(std::uint8_t index) {
    if (index >= SpecialFolderIds.size()) return {};
    std::wstring path(MAX_PATH, L'\0');
    ::SHGetFolderPathW(nullptr, static_cast<int>(SpecialFolderIds[index]), nullptr, SHGFP_TYPE_CURRENT, path.data());
    if (const auto nul = path.find(L'\0'); nul != std::wstring::npos) path.resize(nul);
    return FromWide(path);
}

bool PrepareDataFolder(const std::string& name, bool common) {
    const std::wstring known = ToWide(GetSpecialFolderPath(common ? 3 : 1));
    // Without a known folder the data would land at the root of the current drive; refuse instead.
    if (known.empty() || name.empty() || name.find_first_of("\\/") != std::string::npos) return false;
    // One level at a time; CreateDirectoryW's result is not looked at: the last test decides.
    std::wstring path = known + L"\\Tormvale";
    if (!IsDirectoryW(path)) ::CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\" + ToWide(name);
    if (!IsDirectoryW(path)) ::CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\";
    (common ? CommonDataFolder : UserDataFolder) = FromWide(path);
    return IsDirectoryW(path);
}

}  // namespace Tormvale
