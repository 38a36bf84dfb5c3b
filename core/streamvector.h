#pragma once
// The vector bulk loop of the stream: UTF-8 checked by AVX2 64 bytes at a step, and only the
// characters the mapping may change looked at one by one.
#include <array>
#include <cstddef>

#include "core/variants.h"

namespace Varnopile::StreamVector {

// Whether this processor has what the loop needs.
bool Available();

// Takes `blocks` blocks of 64 bytes from s + at, and the end of the character the last block
// leaves unfinished: writes their mapping at out + written and moves both on. Returns false,
// moving nothing, when the bytes are not UTF-8: the careful loop then finds where. `previous` is
// the unit before s + at, for a sound mark to join (full width only).
// Reads up to 64 bytes past the blocks; writes up to 32 bytes past what it returns.
using BlocksLoop = bool (*)(const unsigned char* s, std::size_t& at, std::size_t blocks, unsigned char* out,
                            std::size_t& written, char16_t& previous);

// The loop of each variant, in the table's order, and the one that only checks; null where the
// build has no vector loop.
extern const std::array<BlocksLoop, VariantCount> VariantLoops;
extern const BlocksLoop CheckLoop;

}  // namespace Varnopile::StreamVector
