#pragma once
// The sign's memory as its player reads it, optionally showing only some of the program's items:
// the item count and the item table are those of the chosen items, renumbered from 0; every other
// byte (contents, sizes) is read as it is. The display-window mode of the sign uses it to skip the
// items outside their window without touching the memory.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "simulator/engine/ImageSource.h"

namespace orb {

class WindowedImageSource final : public ImageSource {
  public:
    // The memory must outlive the source.
    explicit WindowedImageSource(const ImageSource& memory) : memory_(memory) {}

    // Only these item table entries, in this order; an empty list shows no item. The vector given
    // gets the previous list back, so that a caller refilling it each time allocates nothing.
    void showOnly(std::vector<uint16_t>&& items) {
        if (!items_) items_.emplace();
        items_->swap(items);
    }
    void showAll() { items_.reset(); }
    const std::optional<std::vector<uint16_t>>& shown() const { return items_; }

    size_t read(uint64_t offset, std::span<uint8_t> out) const override;

  private:
    const ImageSource& memory_;
    std::optional<std::vector<uint16_t>> items_;
};

}  // namespace orb
