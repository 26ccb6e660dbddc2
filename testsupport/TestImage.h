#pragma once
// Display program images built by the tests and benchmarks, in memory.
#include <memory>
#include <string>
#include <vector>

#include "image/BigEndian.h"
#include "image/ItemHeader.h"
#include "image/ProgramImage.h"

namespace orb::testing {

struct TestImage {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(ProgramImage::kSize, 0);

    void header(uint8_t width, uint8_t height, uint16_t count) {
        bytes[ProgramImage::kHeaderOffset] = width;
        bytes[ProgramImage::kHeaderOffset + 1] = height;
        writeBe16(&bytes[ProgramImage::kHeaderOffset + 2], count);
    }
    void item(int i, const ItemHeader& h) {
        std::copy(h.bytes.begin(), h.bytes.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(ProgramImage::itemEntryOffset(i)));
    }
    // A text payload at a sector: the text, then one attribute word per byte.
    void text(uint32_t sector, const std::string& cp949, uint16_t attribute = 0) {
        uint8_t* p = &bytes[sector * 512];
        std::copy(cp949.begin(), cp949.end(), p);
        for (size_t i = 0; i < cp949.size(); ++i) writeBe16(p + 512 + 2 * i, attribute);
    }
    // Planes of a w x h picture at a byte offset: lit(x, y) returns 0 dark, 1 red, 2 green, 3 yellow.
    template <typename Lit>
    void planes(uint64_t offset, int w, int h, Lit lit) {
        const int b = (w + 7) / 8;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int c = lit(x, y);
                const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
                if (c & 1) bytes[offset + static_cast<uint64_t>(y * b + x / 8)] |= bit;
                if (c & 2) bytes[offset + static_cast<uint64_t>((h + y) * b + x / 8)] |= bit;
            }
    }
};

// A one-, two- or three-line item header with the lines' kinds (stored codes) and start sectors.
inline ItemHeader itemHeader(LayoutCode layout, std::array<uint8_t, 3> heights,
                             std::array<ContentKind, 3> kinds,
                             std::array<uint16_t, 3> sectors = {5120, 5123, 5126}) {
    ItemHeader h = ItemHeader::newItem(layout, heights);
    for (int line = 1; line <= 3; ++line) {
        h.setKind(line, kinds[static_cast<size_t>(line - 1)]);
        h.setStartSector(line, sectors[static_cast<size_t>(line - 1)]);
    }
    return h;
}

}  // namespace orb::testing
