#pragma once
// Picture files written by the tests themselves: BMP files of every depth and orientation, and
// GIF files through giflib's encoder.
#include <gif_lib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "content/RgbImage.h"

namespace orb::testing {

inline void putLe(std::vector<uint8_t>& b, size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

// A BMP of the given depth. Paletted depths use the palette and index(x, y); the others the
// colour(x, y). Rows are stored bottom-up unless topDown.
struct BmpRecipe {
    int width = 1, height = 1, bits = 24;
    bool topDown = false;
    uint32_t compression = 0;
    std::vector<Rgb> palette;
    std::function<int(int, int)> index;
    std::function<Rgb(int, int)> colour;
};

inline std::vector<uint8_t> makeBmp(const BmpRecipe& s) {
    const size_t paletteBytes = s.bits <= 8 ? 4u * (1u << s.bits) : (s.compression == 3 ? 12 : 0);
    const size_t stride = (static_cast<size_t>(s.width) * static_cast<size_t>(s.bits) + 31) / 32 * 4;
    const size_t offset = 54 + paletteBytes;
    std::vector<uint8_t> b(offset + stride * static_cast<size_t>(s.height), 0);
    b[0] = 'B';
    b[1] = 'M';
    putLe(b, 2, static_cast<uint32_t>(b.size()), 4);
    putLe(b, 10, static_cast<uint32_t>(offset), 4);
    putLe(b, 14, 40, 4);
    putLe(b, 18, static_cast<uint32_t>(s.width), 4);
    putLe(b, 22, static_cast<uint32_t>(s.topDown ? -s.height : s.height), 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, static_cast<uint32_t>(s.bits), 2);
    putLe(b, 30, s.compression, 4);
    if (s.bits <= 8) {
        for (size_t i = 0; i < s.palette.size(); ++i) {
            b[54 + 4 * i] = s.palette[i].b;
            b[54 + 4 * i + 1] = s.palette[i].g;
            b[54 + 4 * i + 2] = s.palette[i].r;
        }
    } else if (s.compression == 3) {  // 5-6-5
        putLe(b, 54, 0xF800, 4);
        putLe(b, 58, 0x07E0, 4);
        putLe(b, 62, 0x001F, 4);
    }
    for (int y = 0; y < s.height; ++y) {
        uint8_t* row = &b[offset + stride * static_cast<size_t>(s.topDown ? y : s.height - 1 - y)];
        for (int x = 0; x < s.width; ++x) {
            if (s.bits <= 8) {
                const int i = s.index(x, y);
                const int perByte = 8 / s.bits;
                row[x / perByte] |= static_cast<uint8_t>(i << ((perByte - 1 - x % perByte) * s.bits));
                continue;
            }
            const Rgb c = s.colour(x, y);
            if (s.bits == 24 || s.bits == 32) {
                uint8_t* p = row + static_cast<size_t>(x) * static_cast<size_t>(s.bits / 8);
                p[0] = c.b;
                p[1] = c.g;
                p[2] = c.r;
            } else if (s.compression == 3) {
                uint32_t v = ((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3);
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            } else {
                uint32_t v = ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3);
                row[2 * x] = static_cast<uint8_t>(v);
                row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            }
        }
    }
    return b;
}

struct GifFrameSpec {
    int left = 0, top = 0, width = 1, height = 1;
    std::vector<uint8_t> indexes = {0};  // width x height
    std::vector<Rgb> localColours;       // empty: the global table
    std::optional<int> delay;            // writes a graphic control extension
    int transparent = -1;
    bool commentAfterControl = false;  // a comment between the control extension and the image
};

inline int appendToVector(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

inline ColorMapObject* makeMap(const std::vector<Rgb>& colours) {
    std::vector<GifColorType> c;
    for (const Rgb& rgb : colours) c.push_back({rgb.r, rgb.g, rgb.b});
    int size = 2;
    while (size < static_cast<int>(c.size())) size *= 2;
    c.resize(static_cast<size_t>(size));
    return GifMakeMapObject(size, c.data());
}

inline std::vector<uint8_t> makeGif(int width, int height, const std::vector<Rgb>& global,
                                    const std::vector<GifFrameSpec>& frames) {
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, appendToVector, &error);
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = makeMap(global);
    EGifPutScreenDesc(gif, width, height, 8, 0, map);
    GifFreeMapObject(map);
    for (const GifFrameSpec& f : frames) {
        if (f.delay) {
            GraphicsControlBlock gcb{0, false, *f.delay, f.transparent};
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        if (f.commentAfterControl) EGifPutComment(gif, "between");
        ColorMapObject* local = f.localColours.empty() ? nullptr : makeMap(f.localColours);
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, local);
        if (local) GifFreeMapObject(local);
        std::vector<GifPixelType> line(static_cast<size_t>(f.width));
        for (int y = 0; y < f.height; ++y) {
            for (int x = 0; x < f.width; ++x)
                line[static_cast<size_t>(x)] = f.indexes[static_cast<size_t>(y * f.width + x)];
            EGifPutLine(gif, line.data(), f.width);
        }
        // giflib keeps its own copy of a local colour table and does not free it on close.
        if (gif->Image.ColorMap) {
            GifFreeMapObject(gif->Image.ColorMap);
            gif->Image.ColorMap = nullptr;
        }
    }
    EGifCloseFile(gif, &error);
    return out;
}

// A GIF of a width x height screen holding count copies of one frame in two colours: a 1 x 1 dot,
// or the whole screen lit red. Copies are cheap, so a small file can hold huge animations.
inline std::vector<uint8_t> repeatedFrames(int width, int height, bool wholeScreen, size_t count) {
    GifFrameSpec f;
    if (wholeScreen) {
        f.width = width;
        f.height = height;
        f.indexes.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 1);
    }
    const std::vector<uint8_t> one = makeGif(width, height, {{0, 0, 0}, {255, 0, 0}}, {f});
    const auto header = static_cast<std::ptrdiff_t>(13 + 3 * 2);
    std::vector<uint8_t> gif(one.begin(), one.begin() + header);
    for (size_t k = 0; k < count; ++k) gif.insert(gif.end(), one.begin() + header, one.end() - 1);
    gif.push_back(0x3B);
    return gif;
}

}  // namespace orb::testing
