// The BMP import check and decoder on any bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "content/BmpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    orb::checkBitmapBytes(file);
    orb::RgbImage picture;
    if (orb::decodeBmp(file, picture) == orb::BmpResult::Ok) {
        orb::ColourPlanes planes = orb::bitmapPlanes(picture);
        if (planes.width() != picture.width) __builtin_trap();
    }
    return 0;
}
