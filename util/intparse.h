#pragma once
// The integer grammar of the settings file's values.
#include <cstdint>
#include <string_view>

namespace Tormvale {

// Accepts leading spaces, an optional sign, then either a hexadecimal prefix ("$", "x", "X", "0x",
// "0X") with digits fitting 32 bits (the pattern taken as signed, then negated after "-") or decimal
// digits within the int32 range, and nothing after. On false, value is left untouched.
bool TryParseInteger(std::u16string_view text, int32_t& value);

}  // namespace Tormvale
