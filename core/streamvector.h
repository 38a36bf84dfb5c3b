#pragma once
// The bulk of a stream's UTF-8 by AVX2: checked 64 bytes at a step, and only the characters the
// variant may change looked at one by one.
#include <cstddef>

namespace Varnopile::StreamVector {

// Whether this processor has what the loop needs.
bool Available();

// Takes `blocks` blocks of 64 bytes from s + at, and the end of the character the last block
// leaves unfinished: writes their mapping at out + written and moves both on. Reads up to 64
// bytes past the blocks and writes up to 32 bytes past what it returns. Returns false, moving
// nothing, when the bytes are not UTF-8: the careful loop then finds where. `previous` is the
// unit before s + at, for a sound mark to join (full width only). V: a StreamMaps::Variant.
template <std::size_t V>
bool MapBlocks(const unsigned char* s, std::size_t& at, std::size_t blocks, unsigned char* out, std::size_t& written,
               char16_t& previous);

}  // namespace Varnopile::StreamVector
