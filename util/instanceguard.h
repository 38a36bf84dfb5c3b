#pragma once
// One copy per user: on Windows the named mutex; elsewhere a lock file in the user's runtime
// folder, held with flock for the life of the process. Testing and taking the guard is one step,
// and the system drops it when the process ends, however it ends.
#include <string>

#include "util/userid.h"

namespace Tormvale {

constexpr const char* GuardName = "Varnopile/Tormvale";

enum class GuardState {
    Acquired,       // this copy holds the guard until it ends
    HeldElsewhere,  // another copy runs
    Unavailable,    // no guard could be made; run without one
};

#if !defined(_WIN32)
// The lock file for a guard name: $XDG_RUNTIME_DIR when it is user's alone (a folder others can
// write to would let them hold the lock for us), else a private folder under the temp folder.
std::string GuardFilePath(const std::string& guardName, UserId user = CurrentUser());
#endif

// Takes the guard; on Acquired its handle (descriptor) stays open until the process ends.
GuardState AcquireInstanceGuard(const std::string& guardName);

}  // namespace Tormvale
