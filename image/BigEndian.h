#pragma once
// The one place where multi-byte numbers are read and written. The image, the item store and
// the sign frames are big-endian; BMP and GIF files, read and written for pictures, and the ZIP
// records a bundle is checked by, little-endian.
#include <cstddef>
#include <cstdint>

namespace orb {

inline uint16_t readBe16(const uint8_t* p) {
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t readBe32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

inline void writeBe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}

inline void writeBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

inline uint16_t readLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t readLe32(const uint8_t* p) {
    return uint32_t{readLe16(p)} | (uint32_t{readLe16(p + 2)} << 16);
}

inline uint64_t readLe64(const uint8_t* p) {
    return uint64_t{readLe32(p)} | (uint64_t{readLe32(p + 4)} << 32);
}

inline void writeLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void writeLe32(uint8_t* p, uint32_t v) {
    writeLe16(p, static_cast<uint16_t>(v));
    writeLe16(p + 2, static_cast<uint16_t>(v >> 16));
}

}  // namespace orb
