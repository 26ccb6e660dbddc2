#include "content/BmpFile.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <limits>
#include <vector>

#include "image/BigEndian.h"
#include "image/RegularFile.h"

namespace orb {

namespace {

constexpr size_t kFileHeader = 14;
constexpr size_t kInfoHeader = 40;
// A bound on what the decoder allocates, whatever a header claims.
constexpr int64_t kMaxSide = 16384;
constexpr uint64_t kMaxFileBytes = 256u << 20;
// Only this much of a file is read: a picture of at most 800 columns lies well within it, so the
// memory a hostile file can take stays bounded.
constexpr uint64_t kMaxReadBytes = 64u << 20;

uint16_t le16(std::span<const uint8_t> b, size_t at) {
    return readLe16(&b[at]);
}
uint32_t le32(std::span<const uint8_t> b, size_t at) {
    return readLe32(&b[at]);
}
int32_t le32s(std::span<const uint8_t> b, size_t at) {
    return static_cast<int32_t>(readLe32(&b[at]));
}

bool hasSignature(std::span<const uint8_t> file) {
    return file.size() >= 2 && file[0] == 'B' && file[1] == 'M';
}

// One colour channel picked out of a packed pixel by its mask, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    uint8_t take(uint32_t v) const {
        if (mask == 0) return 0;
        uint32_t x = (v & mask) >> std::countr_zero(mask);
        int bits = std::popcount(mask);
        if (bits >= 8) return static_cast<uint8_t>(x >> (bits - 8));
        return static_cast<uint8_t>(x * 255 / ((1u << bits) - 1));
    }
};

struct Layout {
    int width = 0;
    int height = 0;  // rows, positive
    bool topDown = false;
    int bits = 0;
    uint64_t stride = 0;
    size_t pixelOffset = 0;
    Channel red, green, blue;
    std::vector<Rgb> palette;
};

BmpResult readPalette(std::span<const uint8_t> file, uint32_t infoSize, uint32_t coloursUsed, Layout& l) {
    uint64_t entries = uint64_t{1} << l.bits;
    if (coloursUsed != 0) entries = std::min<uint64_t>(entries, coloursUsed);
    const uint64_t start = kFileHeader + uint64_t{infoSize};
    // Entries missing from a short file leave their indexes black.
    l.palette.assign(size_t{1} << l.bits, Rgb{});
    for (uint64_t i = 0; i < entries && start + 4 * i + 3 < file.size(); ++i) {
        size_t at = static_cast<size_t>(start + 4 * i);
        l.palette[i] = {file[at + 2], file[at + 1], file[at]};
    }
    return BmpResult::Ok;
}

BmpResult readMasks(std::span<const uint8_t> file, uint32_t compression, Layout& l) {
    if (compression == 3) {  // bit fields: three masks right after the 40-byte header
        if (file.size() < kFileHeader + kInfoHeader + 12) return BmpResult::Truncated;
        l.red.mask = le32(file, 54);
        l.green.mask = le32(file, 58);
        l.blue.mask = le32(file, 62);
    } else if (l.bits == 16) {
        l.red.mask = 0x7C00, l.green.mask = 0x03E0, l.blue.mask = 0x001F;
    } else {
        l.red.mask = 0xFF0000, l.green.mask = 0xFF00, l.blue.mask = 0xFF;
    }
    return BmpResult::Ok;
}

BmpResult readLayout(std::span<const uint8_t> file, Layout& l) {
    if (!hasSignature(file)) return BmpResult::NotBmp;
    if (file.size() < kFileHeader + kInfoHeader) return BmpResult::Truncated;
    const uint32_t infoSize = le32(file, 14);
    const int32_t width = le32s(file, 18);
    const int32_t height = le32s(file, 22);
    const uint32_t compression = le32(file, 30);
    l.bits = le16(file, 28);
    if (infoSize < kInfoHeader || infoSize > file.size()) return BmpResult::Unsupported;
    if (width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min())
        return BmpResult::Unsupported;
    if (width > kMaxSide || std::abs(height) > kMaxSide) return BmpResult::Unsupported;
    l.width = width;
    l.height = std::abs(height);
    l.topDown = height < 0;

    const bool paletted = l.bits == 1 || l.bits == 4 || l.bits == 8;
    const bool packed = l.bits == 16 || l.bits == 24 || l.bits == 32;
    if (!paletted && !packed) return BmpResult::Unsupported;
    const bool fields = compression == 3 && (l.bits == 16 || l.bits == 32);
    if (compression != 0 && !fields) return BmpResult::Unsupported;

    l.stride = (static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.bits) + 31) / 32 * 4;
    l.pixelOffset = le32(file, 10);
    if (l.pixelOffset > file.size() ||
        l.stride * static_cast<uint64_t>(l.height) > file.size() - l.pixelOffset)
        return BmpResult::Truncated;
    return paletted ? readPalette(file, infoSize, le32(file, 46), l) : readMasks(file, compression, l);
}

Rgb pixelAt(const Layout& l, const uint8_t* row, int x) {
    switch (l.bits) {
        case 1:
            return l.palette[(row[x / 8] >> (7 - x % 8)) & 1];
        case 4:
            return l.palette[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
        case 8:
            return l.palette[row[x]];
        case 24:
            return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
        default:
            break;
    }
    const uint8_t* p = row + static_cast<size_t>(x) * static_cast<size_t>(l.bits / 8);
    uint32_t v = l.bits == 16 ? uint32_t{p[0]} | (uint32_t{p[1]} << 8)
                              : uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                                    (uint32_t{p[3]} << 24);
    return {l.red.take(v), l.green.take(v), l.blue.take(v)};
}

}  // namespace

BmpResult decodeBmp(std::span<const uint8_t> file, RgbImage& out) {
    Layout l;
    BmpResult r = readLayout(file, l);
    if (r != BmpResult::Ok) return r;
    out = RgbImage(l.width, l.height);
    for (int stored = 0; stored < l.height; ++stored) {
        const uint8_t* row = file.data() + l.pixelOffset + static_cast<size_t>(stored) * l.stride;
        int y = l.topDown ? stored : l.height - 1 - stored;
        for (int x = 0; x < l.width; ++x) out.at(x, y) = pixelAt(l, row, x);
    }
    return BmpResult::Ok;
}

BitmapCheck checkBitmapBytes(std::span<const uint8_t> file) {
    BitmapCheck c;
    if (!hasSignature(file)) {
        c.result = BmpResult::NotBmp;
        return c;
    }
    if (file.size() < kFileHeader + kInfoHeader) {
        c.result = BmpResult::Truncated;
        return c;
    }
    c.width = le32s(file, 18);
    c.height = le32s(file, 22);
    if (c.width > kMaxBitmapWidth) {
        c.result = BmpResult::TooWide;
    } else if (c.height > kMaxBitmapHeight) {
        c.result = BmpResult::TooHigh;
    } else {
        Layout l;
        c.result = readLayout(file, l);
    }
    return c;
}

namespace {

// The bytes of a bitmap file the decoder may need; a file that is too large is refused before
// any of it is read.
struct BitmapBytes {
    BmpResult result = BmpResult::CannotRead;
    std::vector<uint8_t> bytes;
    bool partial = false;  // the file goes on past bytes
};

BitmapBytes readBitmap(const std::string& path) {
    BitmapBytes b;
    RegularFile file;
    if (file.open(path) != FileOpen::Ok) return b;
    if (file.size() > kMaxFileBytes) {
        b.result = BmpResult::TooLarge;
    } else if (file.readPrefix(kMaxReadBytes, b.bytes)) {
        b.result = BmpResult::Ok;
        b.partial = file.size() > b.bytes.size();
    }
    return b;
}

// PREFIX is the part of a file that is read; PARTIAL when the file goes on past it.
BitmapCheck checkPrefix(std::span<const uint8_t> prefix, bool partial) {
    BitmapCheck c = checkBitmapBytes(prefix);
    if (c.result == BmpResult::Truncated && partial) c.result = BmpResult::TooLarge;
    return c;
}

BitmapCheck checkRead(const BitmapBytes& b) {
    if (b.result != BmpResult::Ok) return {b.result, 0, 0};
    return checkPrefix(b.bytes, b.partial);
}

}  // namespace

BitmapCheck CheckBitmapFile(const std::string& path) {
    return checkRead(readBitmap(path));
}

BitmapCheck checkBitmapFileBytes(std::span<const uint8_t> file) {
    if (file.size() > kMaxFileBytes) return {BmpResult::TooLarge, 0, 0};
    const bool partial = file.size() > kMaxReadBytes;
    return checkPrefix(partial ? file.first(kMaxReadBytes) : file, partial);
}

BmpResult readBmpFile(const std::string& path, RgbImage& out) {
    const BitmapBytes file = readBitmap(path);
    if (file.result != BmpResult::Ok) return file.result;
    if (file.partial) return BmpResult::TooLarge;
    return decodeBmp(file.bytes, out);
}

const char* bitmapCheckMessage(BmpResult r) {
    switch (r) {
        case BmpResult::Ok:
            return "";
        case BmpResult::CannotRead:
            return "파일을 오픈할수 없습니다";
        case BmpResult::NotBmp:
            return "bmp파일이 아닙니다.";
        case BmpResult::TooWide:
            return "그림의 가로크기는 최대 800 입니다";
        case BmpResult::TooHigh:
            return "그림의 세로크기는 최대 160 입니다";
        case BmpResult::Unsupported:
            return "변환할수 없는 bmp파일입니다 (압축되었거나 지원하지 않는 색상수)";
        case BmpResult::Truncated:
            return "bmp파일이 손상되었습니다";
        case BmpResult::TooLarge:
            return "bmp파일이 너무 큽니다";
    }
    return "";
}

const char* bitmapCheckCaption(BmpResult r) {
    switch (r) {
        case BmpResult::CannotRead:
            return "파일오픈실패";
        case BmpResult::TooWide:
            return "가로사이즈 초과";
        case BmpResult::TooHigh:
            return "세로사이즈 초과";
        default:
            return "bmp파일만 가능";
    }
}

BmpResult BmpPlanes(const std::string& path, ColourPlanes& out) {
    const BitmapBytes file = readBitmap(path);
    BitmapCheck check = checkRead(file);
    if (check.result != BmpResult::Ok) return check.result;
    RgbImage picture;
    BmpResult r = decodeBmp(file.bytes, picture);
    if (r == BmpResult::Ok) out = bitmapPlanes(picture);
    return r;
}

namespace {
template <typename Dark>
ColourPlanes threshold(const RgbImage& picture, Dark dark) {
    ColourPlanes planes(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const Rgb* p = &picture.at(0, y);
        uint8_t* red = planes.row(1, y);
        uint8_t* green = planes.row(2, y);
        for (int x = 0; x < picture.width; ++x, ++p) {
            if (dark(*p)) continue;
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            if (p->r > 100) red[x >> 3] |= bit;
            if (p->g > 100) green[x >> 3] |= bit;
        }
    }
    return planes;
}
}  // namespace

ColourPlanes bitmapPlanes(const RgbImage& picture) {
    return threshold(picture, [](const Rgb&) { return false; });
}

ColourPlanes FramePlanes(const RgbImage& frame) {
    return threshold(frame, [](const Rgb& p) { return p.r != 0 && p.g != 0 && p.b != 0; });
}

std::vector<uint8_t> encodeBmp24(const RgbImage& picture) {
    const size_t stride = (static_cast<size_t>(picture.width) * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + stride * static_cast<size_t>(picture.height), 0);
    file[0] = 'B';
    file[1] = 'M';
    writeLe32(&file[2], static_cast<uint32_t>(file.size()));
    writeLe32(&file[10], 54);
    writeLe32(&file[14], 40);
    writeLe32(&file[18], static_cast<uint32_t>(picture.width));
    writeLe32(&file[22], static_cast<uint32_t>(picture.height));
    writeLe16(&file[26], 1);
    writeLe16(&file[28], 24);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = &file[54 + stride * static_cast<size_t>(picture.height - 1 - y)];  // bottom-up
        for (int x = 0; x < picture.width; ++x) {
            const Rgb& p = picture.at(x, y);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
        }
    }
    return file;
}

std::vector<uint8_t> encodePlanesBmp(const ColourPlanes& planes) {
    if (planes.width() <= 0 || planes.height() <= 0) return {};
    constexpr size_t kPalette = 4 * 4;
    const size_t offset = kFileHeader + kInfoHeader + kPalette;
    const size_t stride = (static_cast<size_t>(planes.width()) * 4 + 31) / 32 * 4;
    std::vector<uint8_t> file(offset + stride * static_cast<size_t>(planes.height()), 0);
    file[0] = 'B';
    file[1] = 'M';
    writeLe32(&file[2], static_cast<uint32_t>(file.size()));
    writeLe32(&file[10], static_cast<uint32_t>(offset));
    writeLe32(&file[14], kInfoHeader);
    writeLe32(&file[18], static_cast<uint32_t>(planes.width()));
    writeLe32(&file[22], static_cast<uint32_t>(planes.height()));
    writeLe16(&file[26], 1);
    writeLe16(&file[28], 4);
    writeLe32(&file[46], 4);  // colours used
    // Index = red + 2 x green: dark, red, green, yellow, each entry blue, green, red, 0.
    static constexpr uint8_t kColours[kPalette] = {0, 0, 0, 0, 0, 0, 255, 0, 0, 255, 0, 0, 0, 255, 255, 0};
    std::copy(std::begin(kColours), std::end(kColours), file.begin() + kFileHeader + kInfoHeader);
    for (int y = 0; y < planes.height(); ++y) {
        uint8_t* row = &file[offset + stride * static_cast<size_t>(planes.height() - 1 - y)];  // bottom-up
        for (int x = 0; x < planes.width(); ++x) {
            const int index = (planes.test(1, x, y) ? 1 : 0) + (planes.test(2, x, y) ? 2 : 0);
            row[x / 2] |= static_cast<uint8_t>(x % 2 ? index : index << 4);
        }
    }
    return file;
}

}  // namespace orb
