// The GIF block scanner, frame cutting, giflib decoding and frame drawing on any bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "content/BmpFile.h"
#include "content/GifAnimation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> file(data, size);
    orb::GifAnimation gif;
    gif.cutFrames(file);
    if (gif.Load(file)) {
        for (size_t k = 0; k < gif.Frames().size(); ++k) orb::FramePlanes(gif.RenderFrame(k));
    }
    return 0;
}
