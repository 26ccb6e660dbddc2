#include "content/GifAnimation.h"

#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "content/FileBytes.h"
#include "image/BigEndian.h"
#include "image/ProgramImage.h"

namespace orb {

namespace {

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

// giflib reads a frame as a stand-alone GIF pieced together from the file's header, the frame's
// image block and a trailer, without copying them.
struct PiecedReader {
    std::array<std::span<const uint8_t>, 3> pieces;
    size_t piece = 0, pos = 0;
};

int readPieces(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<PiecedReader*>(gif->UserData);
    int done = 0;
    while (done < n && r->piece < r->pieces.size()) {
        const std::span<const uint8_t> p = r->pieces[r->piece];
        const size_t take = std::min(static_cast<size_t>(n - done), p.size() - r->pos);
        std::memcpy(out + done, p.data() + r->pos, take);
        done += static_cast<int>(take);
        r->pos += take;
        if (r->pos == p.size()) ++r->piece, r->pos = 0;
    }
    return done;
}

// Draws the first image of a stand-alone GIF, decoded with giflib, over the canvas at the frame's
// place. Indexes past the colour table draw black; transparent pixels leave the canvas as it was.
bool drawDecoded(PiecedReader reader, const GifAnimation::Frame& frame, RgbImage& canvas) {
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, readPieces, &error);
    if (!gif) return false;
    bool ok = false;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount >= 1) {
        const SavedImage& image = gif->SavedImages[0];
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        const int width = image.ImageDesc.Width, height = image.ImageDesc.Height;
        if (map && image.RasterBits && width > 0 && height > 0) {
            std::array<Rgb, 256> colours{};
            for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
                colours[static_cast<size_t>(i)] = {map->Colors[i].Red, map->Colors[i].Green,
                                                   map->Colors[i].Blue};
            const int transparent = frame.transparent;
            const int rows = std::min(height, canvas.height - frame.top);
            const int columns = std::min(width, canvas.width - frame.left);
            for (int y = 0; columns > 0 && y < rows; ++y) {
                const uint8_t* in = &image.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(width)];
                Rgb* out = &canvas.at(frame.left, frame.top + y);
                for (int x = 0; x < columns; ++x)
                    if (in[x] != transparent) out[x] = colours[in[x]];
            }
            ok = true;
        }
    }
    DGifCloseFile(gif, &error);
    return ok;
}

}  // namespace

void GifAnimation::Reset() {
    isGif_ = false;
    oversized_ = false;
    width_ = height_ = 0;
    headerBytes_ = 0;
    file_.clear();
    spans_.clear();
    frames_.clear();
    single_.clear();
    canvas_ = RgbImage();
}

bool GifAnimation::LoadFile(const std::string& path, uint64_t planeBudget) {
    Reset();
    if (readFileBytes(path, kMaxFileBytes, file_) != ReadResult::Ok) return false;
    return scan(planeBudget);
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

bool GifAnimation::Load(std::span<const uint8_t> file, uint64_t planeBudget) {
    Reset();
    file_.assign(file.begin(), file.end());
    return scan(planeBudget);
}

bool GifAnimation::scan(uint64_t planeBudget) {
    const std::span<const uint8_t> file = file_;
    if (!readScreen(file)) return false;
    const uint64_t frameBytes = 2 * planeBytes(static_cast<uint64_t>(width_), static_cast<uint64_t>(height_));
    size_t pos = headerBytes_;
    size_t found = 0;
    for (Span s; nextFrame(file, pos, s); ++found) {
        Frame frame;
        const size_t d = s.descriptor;
        if (file[d] == 0x2C) {
            frame.left = le16(file, d + 1);
            frame.top = le16(file, d + 3);
            frame.width = le16(file, d + 5);
            frame.height = le16(file, d + 7);
        }
        if (s.control != SIZE_MAX) {
            const size_t c = s.control;
            frame.delay = le16(file, c + 4);
            frame.disposal = (file[c + 3] >> 2) & 7;
            // As giflib reads it: a transparent index only from a control block of 4 bytes.
            if (file[c + 2] == 4 && (file[c + 3] & 1)) frame.transparent = file[c + 6];
        }
        // Giant descriptors are never handed to giflib, which would allocate their rasters.
        if (!fitsLimit(frame.width, frame.height)) continue;
        if (spans_.size() >= kMaxFrames || (spans_.size() + 1) * frameBytes > planeBudget) {
            oversized_ = true;
            break;
        }
        spans_.push_back(s);
        frames_.push_back(frame);
    }
    if (found == 0 || (found > 1 && frames_.empty() && !oversized_)) return false;
    if (found == 1 && !oversized_) {
        // One frame is the file's single picture, not an animation.
        single_ = std::move(frames_);
        frames_.clear();
    }
    if (!oversized_) clearCanvas();  // a refused animation is never drawn
    return true;
}

void GifAnimation::clearCanvas() {
    canvas_ = RgbImage(width_, height_, kCanvasGrey);
}

bool GifAnimation::DrawFrame(size_t index) {
    if (index >= frames_.size()) return false;
    const Span& s = spans_[index];
    const std::span<const uint8_t> file = file_;
    static constexpr uint8_t kTrailer[] = {0x3B};
    const PiecedReader pieces{
        {file.first(headerBytes_), file.subspan(s.descriptor, s.end - s.descriptor), kTrailer}};
    return drawDecoded(pieces, frames_[index], canvas_);
}

const RgbImage& GifAnimation::RenderFrame(size_t index) {
    DrawFrame(index);
    return canvas_;
}

}  // namespace orb
