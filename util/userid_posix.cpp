#include "util/userid.h"

#include <sys/types.h>
#include <unistd.h>

#include <type_traits>

namespace Tormvale {

static_assert(std::is_same_v<UserId, uid_t>, "a user's number passes to the system unchanged");

UserId CurrentUser() { return ::getuid(); }

}  // namespace Tormvale
