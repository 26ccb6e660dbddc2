#pragma once
// LED bit planes of the simulator, and the one place for the helpers that read, clear, shift and
// copy them.
// A plane is 160 rows of 76 bytes: bit 7 of byte j in row r is the LED in column 8j of row r.
// Planes come in pairs: an LED is red, green, yellow (both) or dark (neither).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orb {

struct BitPlane {
    static constexpr int kRows = 160;
    static constexpr int kBytesPerRow = 76;
    static constexpr size_t kBytes = size_t{kRows} * kBytesPerRow;  // 12160

    alignas(4) std::array<uint8_t, kBytes> bytes{};

    uint8_t* row(int r) { return &bytes[static_cast<size_t>(r) * kBytesPerRow]; }
    const uint8_t* row(int r) const { return &bytes[static_cast<size_t>(r) * kBytesPerRow]; }
    bool pixel(int x, int y) const { return row(y)[x >> 3] & (0x80 >> (x & 7)); }
};

struct PlanePair {
    BitPlane red;
    BitPlane green;
};

// The colour of one LED: bit 0 red, bit 1 green.
enum class Led : uint8_t { Dark = 0, Red = 1, Green = 2, Yellow = 3 };

// A read-only view of the LEDs of a plane pair that show on a sign `width` x `rows` LEDs.
struct PlaneView {
    PlaneView(const PlanePair& p, int w, int r) : pair(p), width(w), rows(r) {}
    Led ledAt(int x, int y) const {
        return static_cast<Led>((pair.red.pixel(x, y) ? 1 : 0) | (pair.green.pixel(x, y) ? 2 : 0));
    }
    const PlanePair& pair;
    int width;  // pixels, at most 608
    int rows;   // LED rows, at most 160
};

// Colour codes of the drawing operations.
enum ColourCode : uint8_t { kRed = 0, kGreen = 1, kYellow = 2, kNone = 3 };

inline bool litsRed(int colour) {
    return colour == kRed || colour == kYellow;
}
inline bool litsGreen(int colour) {
    return colour == kGreen || colour == kYellow;
}

// Clears rows [first, first + count) of both planes; rows outside the planes are left alone.
inline void clearRows(PlanePair& p, int first, int count) {
    if (first < 0) count += first, first = 0;
    if (count <= 0 || first >= BitPlane::kRows) return;
    if (first + count > BitPlane::kRows) count = BitPlane::kRows - first;
    const size_t n = static_cast<size_t>(count) * BitPlane::kBytesPerRow;
    std::memset(p.red.row(first), 0, n);
    std::memset(p.green.row(first), 0, n);
}

inline void clearPair(PlanePair& p) {
    clearRows(p, 0, BitPlane::kRows);
}

// ORs the 8 pixels of `bits` (bit 7 leftmost) into a row at column x; pixels left of column 0 or
// in a byte at or beyond rowBytes are dropped.
inline void orBitsAt(uint8_t* row, int rowBytes, int x, uint8_t bits) {
    if (bits == 0 || x <= -8) return;
    if (x < 0) {
        row[0] |= static_cast<uint8_t>(bits << -x);
        return;
    }
    const int at = x >> 3, shift = x & 7;
    if (at < rowBytes) row[at] |= static_cast<uint8_t>(bits >> shift);
    if (shift && at + 1 < rowBytes) row[at + 1] |= static_cast<uint8_t>(bits << (8 - shift));
}

// Shifts the first `bytes` bytes of a row one pixel left; `enter` becomes the last pixel.
inline void shiftRowLeft(uint8_t* row, int bytes, bool enter) {
    for (int i = 0; i < bytes; ++i) {
        const uint8_t carry = i + 1 < bytes ? static_cast<uint8_t>(row[i + 1] >> 7) : (enter ? 1 : 0);
        row[i] = static_cast<uint8_t>((row[i] << 1) | carry);
    }
}

// Shifts the first `bytes` bytes of a row one pixel right; `enter` becomes the first pixel.
inline void shiftRowRight(uint8_t* row, int bytes, bool enter) {
    for (int i = bytes - 1; i >= 0; --i) {
        const uint8_t carry = i > 0 ? static_cast<uint8_t>(row[i - 1] << 7) : (enter ? 0x80 : 0);
        row[i] = static_cast<uint8_t>((row[i] >> 1) | carry);
    }
}

// Copies the first `bytes` bytes of a row of both planes.
inline void copyRowBytes(PlanePair& to, int toRow, const PlanePair& from, int fromRow, int bytes) {
    std::memcpy(to.red.row(toRow), from.red.row(fromRow), static_cast<size_t>(bytes));
    std::memcpy(to.green.row(toRow), from.green.row(fromRow), static_cast<size_t>(bytes));
}

// Copies `count` whole rows of both planes from row fromRow of one pair to row toRow of another;
// the rows must be inside the planes.
inline void copyRows(PlanePair& to, int toRow, const PlanePair& from, int fromRow, int count) {
    if (count <= 0) return;
    const size_t n = static_cast<size_t>(count) * BitPlane::kBytesPerRow;
    std::memcpy(to.red.row(toRow), from.red.row(fromRow), n);
    std::memcpy(to.green.row(toRow), from.green.row(fromRow), n);
}

constexpr bool bitAt(const uint8_t* row, int x) {
    return row[x >> 3] & (0x80 >> (x & 7));
}

constexpr void setBitAt(uint8_t* row, int x, bool on) {
    const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
    row[x >> 3] = on ? static_cast<uint8_t>(row[x >> 3] | bit) : static_cast<uint8_t>(row[x >> 3] & ~bit);
}

}  // namespace orb
