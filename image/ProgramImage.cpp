#include "image/ProgramImage.h"

#include <array>

#include "image/BigEndian.h"

namespace orb {

ProgramImage::ProgramImage() : device_(std::make_unique<MemoryDevice>(kSize)) {}

IoResult ProgramImage::open(const std::string& path, FileMode mode, ProgramImage& out) {
    std::unique_ptr<ByteDevice> device;
    IoResult r = FileDevice::open(path, mode, kSize, device);
    if (r == IoResult::Ok) out.device_ = std::move(device);
    return r;
}

IoResult ProgramImage::readHeader(ImageHeader& out) const {
    std::array<uint8_t, 4> b;
    IoResult r = device_->read(kHeaderOffset, b);
    if (r == IoResult::Ok) out = {b[0], b[1], readBe16(&b[2])};
    return r;
}

std::array<uint8_t, 4> ProgramImage::encodeHeader(const ImageHeader& h) {
    std::array<uint8_t, 4> b{h.width, h.height, 0, 0};
    writeBe16(&b[2], h.itemCount);
    return b;
}

IoResult ProgramImage::writeHeader(const ImageHeader& h) {
    return device_->write(kHeaderOffset, encodeHeader(h));
}

IoResult ProgramImage::readItemEntry(int i, ItemHeader& out) const {
    if (i < 0 || i >= kItemTableEntries) return IoResult::OutOfRange;
    return device_->read(itemEntryOffset(i), out.bytes);
}

IoResult ProgramImage::writeItemEntry(int i, const ItemHeader& h) {
    if (i < 0 || i >= kItemTableEntries) return IoResult::OutOfRange;
    return device_->write(itemEntryOffset(i), h.bytes);
}

IoResult ProgramImage::readAtSector(uint32_t sector, std::span<uint8_t> out) const {
    return device_->read(uint64_t{sector} * kSectorSize, out);
}

IoResult ProgramImage::writeAtSector(uint32_t sector, std::span<const uint8_t> in) {
    return device_->write(uint64_t{sector} * kSectorSize, in);
}

}  // namespace orb
