#pragma once
// A decoded picture: 8-bit red, green, blue per pixel, rows from the top.
#include <cstdint>
#include <vector>

namespace orb {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;  // width x height, row by row from the top

    RgbImage() = default;
    RgbImage(int w, int h, Rgb fill = {})
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
    Rgb& at(int x, int y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    const Rgb& at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

}  // namespace orb
