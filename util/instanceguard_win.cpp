#include <windows.h>

#include "util/instanceguard.h"
#include "util/widestring.h"

namespace Tormvale {

GuardState AcquireInstanceGuard(const std::string& guardName) {
    const std::wstring name = ToWide(guardName);
    if (const HANDLE other = ::OpenMutexW(MUTEX_ALL_ACCESS, FALSE, name.c_str())) {
        ::CloseHandle(other);
        return GuardState::HeldElsewhere;
    }
    const HANDLE mine = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mine == nullptr) return GuardState::Unavailable;
    // A copy that created it between our open and our create: test and creation made one step.
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mine);
        return GuardState::HeldElsewhere;
    }
    return GuardState::Acquired;  // the handle is held until the process ends
}

}  // namespace Tormvale
