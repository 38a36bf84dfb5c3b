#include "util/errors.h"

#include "util/text.h"

namespace Tormvale {

Exception::Exception(std::u16string message) : std::runtime_error(Utf16ToUtf8(message)), message_(std::move(message)) {}

std::u16string ErrorDisplayText(const std::u16string& message) {
    if (!message.empty() && message.back() > u'.') return message + u".";
    return message;
}

std::u16string TrimSystemText(std::u16string text) {
    while (!text.empty() && (text.back() < 33 || text.back() == u'.')) text.pop_back();
    return text;
}

}  // namespace Tormvale
