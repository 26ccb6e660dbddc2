#pragma once
// One display item as kept in the item store: its header, then the payloads of lines 1, 2, 3.
#include <array>
#include <cstddef>
#include <span>

#include "image/ItemHeader.h"
#include "image/LinePayload.h"

namespace orb {

struct ItemRecord {
    static constexpr size_t kSize = ItemHeader::kSize + 3 * LinePayload::kSize;  // 4736
    // Offset of line n's payload inside the record, n = 1, 2, 3.
    static constexpr size_t payloadOffset(int line) {
        return ItemHeader::kSize + static_cast<size_t>(line - 1) * LinePayload::kSize;
    }

    ItemHeader header;
    std::array<LinePayload, 3> lines;  // lines[0] is line 1

    LinePayload& line(int n) { return lines[static_cast<size_t>(n - 1)]; }
    const LinePayload& line(int n) const { return lines[static_cast<size_t>(n - 1)]; }

    void toBytes(std::span<uint8_t, kSize> out) const;
    static ItemRecord fromBytes(std::span<const uint8_t, kSize> in);

    bool operator==(const ItemRecord&) const = default;
};

static_assert(ItemRecord::kSize == 4736);
static_assert(ItemRecord::payloadOffset(2) == 1664 && ItemRecord::payloadOffset(3) == 3200);

}  // namespace orb
