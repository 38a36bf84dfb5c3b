#include "util/userid.h"

namespace Tormvale {

// Windows has no user numbers: who may change the data folder is its access list's business,
// and the folder under the user's profile is the user's. Callers that pass a user get this one.
UserId CurrentUser() { return 0; }

}  // namespace Tormvale
