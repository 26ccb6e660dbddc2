#include "image/ItemRecord.h"

#include <algorithm>

namespace orb {

void ItemRecord::toBytes(std::span<uint8_t, kSize> out) const {
    std::copy(header.bytes.begin(), header.bytes.end(), out.begin());
    for (int n = 1; n <= 3; ++n)
        std::copy(line(n).bytes.begin(), line(n).bytes.end(), out.begin() + payloadOffset(n));
}

ItemRecord ItemRecord::fromBytes(std::span<const uint8_t, kSize> in) {
    ItemRecord r;
    std::copy_n(in.begin(), ItemHeader::kSize, r.header.bytes.begin());
    for (int n = 1; n <= 3; ++n)
        std::copy_n(in.begin() + payloadOffset(n), LinePayload::kSize, r.line(n).bytes.begin());
    return r;
}

}  // namespace orb
