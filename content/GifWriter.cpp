#include "content/GifWriter.h"

#include <gif_lib.h>

#include <memory>

#include "image/ColourPlanes.h"

namespace orb {

namespace {

int appendTo(GifFileType* gif, const GifByteType* bytes, int n) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + n);
    return n;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

bool putFrame(GifFileType* gif, const ColourPlanes& planes, int delay, std::vector<GifPixelType>& line) {
    GraphicsControlBlock gcb{DISPOSAL_UNSPECIFIED, false, delay, NO_TRANSPARENT_COLOR};
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext) != GIF_OK ||
        EGifPutImageDesc(gif, 0, 0, planes.width(), planes.height(), false, nullptr) != GIF_OK)
        return false;
    for (int y = 0; y < planes.height(); ++y) {
        for (int x = 0; x < planes.width(); ++x)
            line[static_cast<size_t>(x)] =
                static_cast<GifPixelType>((planes.test(1, x, y) ? 1 : 0) + (planes.test(2, x, y) ? 2 : 0));
        if (EGifPutLine(gif, line.data(), planes.width()) != GIF_OK) return false;
    }
    return true;
}

}  // namespace

std::vector<uint8_t> encodePlanesGif(int width, int height, int frames, std::span<const uint8_t> planes,
                                     int delay) {
    const uint64_t frameBytes = 2 * planeBytes(static_cast<uint64_t>(width), static_cast<uint64_t>(height));
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 || frames <= 0 ||
        planes.size() / frameBytes < static_cast<uint64_t>(frames))
        return {};
    std::vector<uint8_t> out;
    int error = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(EGifOpen(&out, appendTo, &error));
    if (!gif) return {};
    // Index = red + 2 x green.
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif.get(), true);
    bool ok = map && EGifPutScreenDesc(gif.get(), width, height, 2, 0, map) == GIF_OK;
    GifFreeMapObject(map);
    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int f = 0; ok && f < frames; ++f) {
        const ColourPlanes frame(width, height,
                                 planes.subspan(static_cast<size_t>(f * frameBytes), frameBytes));
        ok = putFrame(gif.get(), frame, delay, line);
    }
    const bool closed = EGifCloseFile(gif.release(), &error) == GIF_OK;
    if (!ok || !closed) return {};
    return out;
}

}  // namespace orb
