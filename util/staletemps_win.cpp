#include <windows.h>

#include "util/staletemps.h"
#include "util/widestring.h"

namespace Tormvale {

// A save killed between creating its temporary file and the rename leaves that file behind. The
// user is not asked after: the folder under the user's profile is the user's by its access list,
// so a file of our pattern there is the user's own; links and folders are left alone.
void RemoveStaleTemps(const std::string& folder, std::string_view file, UserId /*user*/) {
    const std::wstring prefix = ToWide(folder) + L"\\";
    WIN32_FIND_DATAW found;
    const HANDLE search = ::FindFirstFileW((prefix + ToWide(file) + L".*" + ToWide(TempSuffix)).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        constexpr DWORD NotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
        if ((found.dwFileAttributes & NotPlain) == 0 && IsTempName(FromWide(found.cFileName), file))
            ::DeleteFileW((prefix + found.cFileName).c_str());
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace Tormvale
