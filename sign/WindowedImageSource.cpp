#include "sign/WindowedImageSource.h"

#include <algorithm>
#include <cstring>

#include "image/ProgramImage.h"

namespace orb {

namespace {

constexpr uint64_t kCountOffset = ProgramImage::kHeaderOffset + 2;
constexpr uint64_t kTableEnd =
    ProgramImage::kItemTableOffset + uint64_t{ProgramImage::kItemTableEntries} * ItemHeader::kSize;

}  // namespace

uint8_t WindowedImageSource::byteAt(uint64_t address) const {
    if (address == kCountOffset) return static_cast<uint8_t>(items_->size() >> 8);
    if (address == kCountOffset + 1) return static_cast<uint8_t>(items_->size());
    if (address >= ProgramImage::kItemTableOffset && address < kTableEnd) {
        const uint64_t entry = (address - ProgramImage::kItemTableOffset) / ItemHeader::kSize;
        if (entry >= items_->size()) return memory_[address];
        return memory_[ProgramImage::itemEntryOffset(static_cast<int>((*items_)[entry])) +
                       address % ItemHeader::kSize];
    }
    return memory_[address];
}

size_t WindowedImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    if (offset >= memory_.size()) return 0;
    const size_t n = static_cast<size_t>(std::min<uint64_t>(out.size(), memory_.size() - offset));
    std::memcpy(out.data(), memory_.data() + offset, n);
    // Only the count and the table differ; the contents are read as they are.
    if (!items_ || offset >= kTableEnd || offset + n <= kCountOffset) return n;
    for (size_t i = 0; i < n; ++i) out[i] = byteAt(offset + i);
    return n;
}

}  // namespace orb
