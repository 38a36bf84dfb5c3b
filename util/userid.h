#pragma once
// Whose a file is, without the system's headers: callers of the settings store name a user too.
#include <cstdint>

namespace Tormvale {

// The system's number for a user (uid_t); Windows has none, and it is 0 there.
using UserId = std::uint32_t;

UserId CurrentUser();

}  // namespace Tormvale
