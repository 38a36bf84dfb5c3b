#pragma once
// A clipboard text's variants, one for each entry of the variant table.
#include <array>
#include <cstddef>
#include <string>

#include "core/variants.h"

namespace Varnopile {

// In the variant table's order.
using ConversionSet = std::array<std::u16string, VariantCount>;

// Units of the clipboard text kept, counted before the trim.
inline constexpr std::size_t SourceLimit = 16384;

// Cuts the text to SourceLimit units, trims units 0x0000-0x0020 from both ends and converts the rest.
// Never fails; a variant whose mapping fails is empty.
ConversionSet BuildConversionSet(const std::u16string& text, MapSource source = MapSource::System);

}  // namespace Varnopile
