#pragma once
// The display program image: the sign's program memory and the file "preview.tmp".
//   33,554,432 bytes in 65,536 sectors of 512 bytes; sector numbers are 16-bit.
//   0x4000  model string, kept by the sign
//   0x4008  image header: width (columns), height (tiers), item count (2 bytes, big-endian)
//   0x270000 item table: 512 entries of 128 bytes
//   sector 5120 on: line contents, each from a sector boundary
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "image/ByteDevice.h"
#include "image/ItemHeader.h"

namespace orb {

struct ImageHeader {
    uint8_t width = 0;   // columns of 16-pixel modules
    uint8_t height = 0;  // tiers of 16-pixel modules
    uint16_t itemCount = 0;
    bool operator==(const ImageHeader&) const = default;
};

// Bytes of one colour plane of a W x H picture: rows of ceil(W / 8) bytes.
constexpr uint64_t planeBytes(uint64_t width, uint64_t height) {
    return (width + 7) / 8 * height;
}
// Sectors that n bytes of content use.
constexpr uint64_t sectorsFor(uint64_t n) {
    return (n + 511) / 512;
}

class ProgramImage {
  public:
    static constexpr uint64_t kSize = 0x2000000;
    static constexpr uint64_t kSectorSize = 512;
    static constexpr uint64_t kSectors = kSize / kSectorSize;  // 65,536
    static constexpr uint64_t kModelOffset = 0x4000;
    static constexpr uint64_t kHeaderOffset = 0x4008;
    static constexpr uint64_t kWindowModeOffset = 0x4012;
    static constexpr uint64_t kItemTableOffset = 0x270000;
    static constexpr int kItemTableEntries = 512;
    static constexpr uint32_t kFirstContentSector = 5120;

    // An image in memory, all zero.
    ProgramImage();
    explicit ProgramImage(std::unique_ptr<ByteDevice> device) : device_(std::move(device)) {}

    // Opens an image file; with CreateOrOpen a missing file is first created zero-filled.
    static IoResult open(const std::string& path, FileMode mode, ProgramImage& out);

    // The header's four bytes: width, height, item count big-endian.
    static std::array<uint8_t, 4> encodeHeader(const ImageHeader& h);
    IoResult readHeader(ImageHeader& out) const;
    IoResult writeHeader(const ImageHeader& h);

    // Item table entry i, 0 <= i < 512.
    IoResult readItemEntry(int i, ItemHeader& out) const;
    IoResult writeItemEntry(int i, const ItemHeader& h);

    // Bytes from the start of a sector; the span may run on into the following sectors but
    // never past the end of the image.
    IoResult readAtSector(uint32_t sector, std::span<uint8_t> out) const;
    IoResult writeAtSector(uint32_t sector, std::span<const uint8_t> in);

    // Bytes at any address, as the sign's memory commands address them.
    IoResult read(uint64_t address, std::span<uint8_t> out) const { return device_->read(address, out); }
    IoResult write(uint64_t address, std::span<const uint8_t> in) { return device_->write(address, in); }

    static uint64_t itemEntryOffset(int i) {
        return kItemTableOffset + static_cast<uint64_t>(i) * ItemHeader::kSize;
    }

  private:
    std::unique_ptr<ByteDevice> device_;
};

static_assert(ProgramImage::kItemTableOffset == 19968 * ItemHeader::kSize);
static_assert(ProgramImage::kFirstContentSector * ProgramImage::kSectorSize == 0x280000);
static_assert(ProgramImage::kItemTableOffset + ProgramImage::kItemTableEntries * ItemHeader::kSize ==
              0x280000);

}  // namespace orb
