#pragma once
// One copy per user: a lock file in the user's runtime folder, held with flock for the life of
// the process. Testing and taking the lock is one step, and the kernel drops it when the
// process ends, however it ends.
#include <sys/types.h>
#include <unistd.h>

#include <string>

namespace Tormvale {

constexpr const char* GuardName = "Varnopile/Tormvale";

enum class GuardState {
    Acquired,       // this copy holds the guard until it ends
    HeldElsewhere,  // another copy runs
    Unavailable,    // no lock file could be made; run without a guard
};

// The lock file for a guard name: $XDG_RUNTIME_DIR when it is user's alone (a folder others can
// write to would let them hold the lock for us), else a private folder under the temp folder.
std::string GuardFilePath(const std::string& guardName, uid_t user = ::getuid());

// Takes the guard; on Acquired the descriptor stays open (close-on-exec) until the process ends.
GuardState AcquireInstanceGuard(const std::string& guardName);

}  // namespace Tormvale
