#include "sign/WindowedImageSource.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/ProgramImage.h"

namespace orb {

namespace {

constexpr uint64_t kCountOffset = ProgramImage::kHeaderOffset + 2;
constexpr uint64_t kTableEnd =
    ProgramImage::kItemTableOffset + uint64_t{ProgramImage::kItemTableEntries} * ItemHeader::kSize;

// Puts BYTES, which belong at address AT, over the part of OUT (read from OFFSET) they share.
void overlay(std::span<uint8_t> out, uint64_t offset, uint64_t at, std::span<const uint8_t> bytes) {
    const uint64_t from = std::max(offset, at), to = std::min(offset + out.size(), at + bytes.size());
    if (from < to) std::memcpy(&out[from - offset], &bytes[from - at], static_cast<size_t>(to - from));
}

}  // namespace

size_t WindowedImageSource::read(uint64_t offset, std::span<uint8_t> out) const {
    const size_t n = memory_.read(offset, out);
    // Only the count and the table differ; the contents are read as they are.
    if (!items_ || offset >= kTableEnd || offset + n <= kCountOffset) return n;
    const std::span<uint8_t> got = out.first(n);
    const uint16_t count = static_cast<uint16_t>(items_->size());
    const uint8_t countBytes[2] = {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)};
    overlay(got, offset, kCountOffset, countBytes);
    std::array<uint8_t, ItemHeader::kSize> entry;
    for (size_t i = 0; i < items_->size(); ++i) {
        const uint64_t at = ProgramImage::itemEntryOffset(static_cast<int>(i));
        if (at >= offset + n || at + ItemHeader::kSize <= offset) continue;
        entry.fill(0);
        memory_.read(ProgramImage::itemEntryOffset((*items_)[i]), entry);
        overlay(got, offset, at, entry);
    }
    return n;
}

}  // namespace orb
