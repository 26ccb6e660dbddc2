#pragma once
// Animation frames as the sign holds them (two colour planes per frame), written as a GIF file
// that GifAnimation and FramePlanes read back to the same planes: every frame a whole canvas in
// four colours (dark, red, green, yellow, none of them with blue, so none counts as white), with
// no transparency, so drawing frames over one another changes nothing.
#include <cstdint>
#include <span>
#include <vector>

namespace orb {

// FRAMES x 2 x planeBytes(WIDTH, HEIGHT) bytes of PLANES, frame after frame, each shown for
// DELAY hundredths of a second. Empty when the sizes do not fit a GIF (a side of 0 or over
// 65535, no frame, too few bytes) or giflib fails.
std::vector<uint8_t> encodePlanesGif(int width, int height, int frames, std::span<const uint8_t> planes,
                                     int delay);

}  // namespace orb
