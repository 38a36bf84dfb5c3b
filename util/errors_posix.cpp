#include <cstring>

#include "util/errors.h"
#include "util/text.h"

namespace Tormvale {

std::u16string SystemErrorText(int errnum) {
    char buf[256];
    // GNU strerror_r may return a static string instead of filling buf.
    const char* s = strerror_r(errnum, buf, sizeof buf);
    return TrimSystemText(Utf8ToUtf16Lossy(s));
}

}  // namespace Tormvale
