#pragma once
// The two colour planes of a picture as the sign stores them: plane 1 (red) immediately followed
// by plane 2 (green). Rows of ceil(W / 8) bytes from the top row down; pixel x is bit 7 - (x mod 8)
// of byte x / 8, so the unused low bits of a row's last byte stay 0.
#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "image/ProgramImage.h"

namespace orb {

class ColourPlanes {
  public:
    ColourPlanes() = default;
    ColourPlanes(int width, int height)
        : width_(width),
          height_(height),
          bytes_(2 * orb::planeBytes(static_cast<uint64_t>(width), static_cast<uint64_t>(height)), 0) {}
    // Planes as stored: BYTES holds both, 2 x planeBytes(width, height) bytes (missing bytes are 0,
    // extra ones ignored).
    ColourPlanes(int width, int height, std::span<const uint8_t> bytes) : ColourPlanes(width, height) {
        std::copy_n(bytes.begin(), std::min(bytes.size(), bytes_.size()), bytes_.begin());
    }

    int width() const { return width_; }
    int height() const { return height_; }
    size_t rowBytes() const { return (static_cast<size_t>(width_) + 7) / 8; }
    size_t planeBytes() const { return rowBytes() * static_cast<size_t>(height_); }

    // plane is 1 (red) or 2 (green); 0 <= x < width, 0 <= y < height.
    void set(int plane, int x, int y) { bytes_[offset(plane, x, y)] |= mask(x); }
    bool test(int plane, int x, int y) const { return bytes_[offset(plane, x, y)] & mask(x); }

    // Row y of a plane, rowBytes() long.
    uint8_t* row(int plane, int y) { return &bytes_[offset(plane, 0, y)]; }

    // Both planes, as written to the image.
    std::span<const uint8_t> bytes() const { return bytes_; }

  private:
    size_t offset(int plane, int x, int y) const {
        return (plane == 2 ? planeBytes() : 0) + static_cast<size_t>(y) * rowBytes() +
               static_cast<size_t>(x) / 8;
    }
    static uint8_t mask(int x) { return static_cast<uint8_t>(0x80 >> (x % 8)); }

    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> bytes_;
};

}  // namespace orb
