#include "content/GifAnimation.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "content/FileBytes.h"
#include "image/BigEndian.h"

namespace orb {

namespace {

constexpr uint64_t kMaxGifBytes = 64u << 20;

enum class Block { Application, Comment, Control, PlainText, Image, Trailer, Unknown };

uint16_t le16(std::span<const uint8_t> b, size_t at) {
    return readLe16(&b[at]);
}

bool fitsLimit(int width, int height) {
    return width > 0 && height > 0 && int64_t{width} * height <= GifAnimation::kMaxScreenPixels;
}

size_t colourTableBytes(uint8_t packed) {
    return packed & 0x80 ? 3u << ((packed & 7) + 1) : 0;
}

Block blockAt(std::span<const uint8_t> f, size_t pos) {
    if (f[pos] == 0x2C) return Block::Image;
    if (f[pos] == 0x3B) return Block::Trailer;
    if (f[pos] != 0x21 || pos + 1 >= f.size()) return Block::Unknown;
    switch (f[pos + 1]) {
        case 0xFF:
            return Block::Application;
        case 0xFE:
            return Block::Comment;
        case 0xF9:
            return Block::Control;
        case 0x01:
            return Block::PlainText;
        default:
            return Block::Unknown;
    }
}

// Bytes of a sub-block chain from pos up to and including its zero length byte; 0 when the chain
// runs past the end of the file.
size_t chainLength(std::span<const uint8_t> f, size_t pos) {
    size_t at = pos;
    while (at < f.size()) {
        size_t n = f[at];
        at += n + 1;
        if (n == 0) return at - pos;
    }
    return 0;
}

// The whole length of the block at pos, or 0 when it does not fit in the file.
size_t blockLength(std::span<const uint8_t> f, size_t pos, Block kind) {
    auto withChain = [&](size_t head) -> size_t {
        if (pos + head > f.size()) return 0;
        size_t chain = chainLength(f, pos + head);
        return chain ? head + chain : 0;
    };
    switch (kind) {
        case Block::Application:
            return withChain(14);
        case Block::Comment:
            return withChain(2);
        case Block::Control:
            return pos + 8 <= f.size() ? 8 : 0;
        case Block::PlainText:
            return withChain(15);
        case Block::Image:
            if (pos + 10 > f.size()) return 0;
            return withChain(10 + colourTableBytes(f[pos + 9]) + 1);
        case Block::Trailer:
            return 1;
        case Block::Unknown:
            return 0;
    }
    return 0;
}

struct MemoryReader {
    std::span<const uint8_t> bytes;
    size_t pos = 0;
};

int readFromMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    size_t take = std::min(static_cast<size_t>(n), r->bytes.size() - r->pos);
    std::memcpy(out, r->bytes.data() + r->pos, take);
    r->pos += take;
    return static_cast<int>(take);
}

// Decodes the first image of a stand-alone GIF with giflib.
bool decodeFrame(std::span<const uint8_t> gifBytes, GifAnimation::Frame& frame) {
    MemoryReader reader{gifBytes};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readFromMemory, &error);
    if (!gif) return false;
    bool ok = false;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const size_t pixels =
            static_cast<size_t>(image.ImageDesc.Width) * static_cast<size_t>(image.ImageDesc.Height);
        if (map && image.RasterBits && pixels > 0) {
            frame.width = image.ImageDesc.Width;
            frame.height = image.ImageDesc.Height;
            frame.indexes.assign(image.RasterBits, image.RasterBits + pixels);
            frame.colours.clear();
            for (int i = 0; i < map->ColorCount; ++i)
                frame.colours.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
            GraphicsControlBlock gcb;
            frame.transparent = DGifSavedExtensionToGCB(gif, 0, &gcb) == GIF_OK ? gcb.TransparentColor : -1;
            ok = true;
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

}  // namespace

void GifAnimation::Reset() {
    isGif_ = false;
    width_ = height_ = 0;
    headerBytes_ = 0;
    frames_.clear();
    single_.clear();
    canvas_ = RgbImage();
}

bool GifAnimation::LoadFile(const std::string& path) {
    Reset();
    std::vector<uint8_t> file;
    if (readFileBytes(path, kMaxGifBytes, file) != ReadResult::Ok) return false;
    return Load(file);
}

bool GifAnimation::readScreen(std::span<const uint8_t> file) {
    if (file.size() < 13 || std::memcmp(file.data(), "GIF", 3) != 0) return false;
    isGif_ = true;
    width_ = le16(file, 6);
    height_ = le16(file, 8);
    headerBytes_ = 13 + colourTableBytes(file[10]);
    return headerBytes_ <= file.size() && fitsLimit(width_, height_);
}

bool GifAnimation::nextFrame(std::span<const uint8_t> f, size_t& pos, Span& out) const {
    out = Span{};
    while (pos < f.size()) {
        Block kind = blockAt(f, pos);
        size_t length = blockLength(f, pos, kind);
        if (length == 0) return false;  // unknown, or a step past the end of the file
        switch (kind) {
            case Block::Application:
            case Block::Comment:
                break;
            case Block::Control:
                out.control = pos;
                break;  // a second one replaces the first
            case Block::Image:
            case Block::PlainText:
                out.begin = out.control != SIZE_MAX ? out.control : pos;
                out.descriptor = pos;
                out.end = pos + length;
                pos += length;
                return true;
            case Block::Trailer:
            case Block::Unknown:
                return false;
        }
        pos += length;
    }
    return false;
}

std::vector<uint8_t> GifAnimation::standalone(std::span<const uint8_t> f, const Span& s) const {
    std::vector<uint8_t> out(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(headerBytes_));
    out.insert(out.end(), f.begin() + static_cast<std::ptrdiff_t>(s.begin),
               f.begin() + static_cast<std::ptrdiff_t>(s.end));
    out.push_back(0x3B);
    return out;
}

std::vector<std::vector<uint8_t>> GifAnimation::cutFrames(std::span<const uint8_t> file) {
    std::vector<std::vector<uint8_t>> cut;
    if (!readScreen(file)) return cut;
    size_t pos = headerBytes_;
    Span s;
    while (nextFrame(file, pos, s)) cut.push_back(standalone(file, s));
    return cut;
}

bool GifAnimation::Load(std::span<const uint8_t> file) {
    Reset();
    if (!readScreen(file)) return false;

    std::vector<Span> spans;
    size_t pos = headerBytes_;
    for (Span s; nextFrame(file, pos, s);) spans.push_back(s);
    if (spans.empty()) return false;

    std::vector<Frame>& into = spans.size() == 1 ? single_ : frames_;
    for (const Span& s : spans) {
        Frame frame;
        const size_t d = s.descriptor;
        if (file[d] == 0x2C) {
            frame.left = le16(file, d + 1);
            frame.top = le16(file, d + 3);
            frame.width = le16(file, d + 5);
            frame.height = le16(file, d + 7);
        }
        if (s.control != SIZE_MAX) {
            frame.delay = le16(file, s.control + 4);
            frame.disposal = (file[s.control + 3] >> 2) & 7;
        }
        // Giant descriptors are refused before giflib allocates their rasters.
        if (!fitsLimit(frame.width, frame.height)) continue;
        if (decodeFrame(standalone(file, s), frame)) into.push_back(std::move(frame));
    }
    if (spans.size() > 1 && frames_.empty()) return false;
    clearCanvas();
    return true;
}

void GifAnimation::clearCanvas() {
    canvas_ = RgbImage(width_, height_, kCanvasGrey);
}

const RgbImage& GifAnimation::RenderFrame(size_t index) {
    if (index >= frames_.size()) return canvas_;
    const Frame& f = frames_[index];
    // Indexes past the frame's colour table draw black.
    std::array<Rgb, 256> colours{};
    std::copy_n(f.colours.begin(), std::min<size_t>(f.colours.size(), 256), colours.begin());
    const int rows = std::min(f.height, height_ - f.top);
    const int columns = std::min(f.width, width_ - f.left);
    if (rows <= 0 || columns <= 0) return canvas_;
    for (int y = 0; y < rows; ++y) {
        const uint8_t* in = &f.indexes[static_cast<size_t>(y) * static_cast<size_t>(f.width)];
        Rgb* out = &canvas_.at(f.left, f.top + y);
        for (int x = 0; x < columns; ++x)
            if (in[x] != f.transparent) out[x] = colours[in[x]];
    }
    return canvas_;
}

}  // namespace orb
