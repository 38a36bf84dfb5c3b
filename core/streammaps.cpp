#include "core/streammaps.h"

namespace Varnopile::StreamMaps::Build {

void MayChangeTables(ByteMap& m) {
    std::array<int, 256> bitOf;
    bitOf.fill(-1);
    int nextBit = 1;
    for (unsigned u = 0; u < 0x10000; ++u) {
        if ((u & 0xF800) == 0xD800 || m.EntryBits(u) == 0) continue;
        Byte bytes[3];
        const std::size_t n = Encode(static_cast<char16_t>(u), bytes);
        int& bit = bitOf[n == 1 ? 0 : bytes[0]];
        if (bit < 0) bit = n == 1 ? 0 : std::min(nextBit++, 7);
        const auto mask = static_cast<Byte>(1u << bit);
        m.leadHigh[bytes[0] >> 4] |= mask;
        m.leadLow[bytes[0] & 15] |= mask;
        for (unsigned b1 = 0; b1 < 256; ++b1) {
            if (n == 1 || b1 == bytes[1]) {
                m.nextHigh[(b1 >> 4) & 3] |= mask;
                m.nextLow[b1 & 15] |= mask;
            }
        }
    }
}

}  // namespace Varnopile::StreamMaps::Build
