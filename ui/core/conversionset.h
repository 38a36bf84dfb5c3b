#pragma once
#include <array>
#include <string>
#include <string_view>

namespace Varnopile {

using ConversionSet = std::array<std::u16string, 6>;

extern const std::array<std::u16string_view, 6> ConversionLabels;

ConversionSet BuildConversionSet(const std::u16string& text);

}  // namespace Varnopile
