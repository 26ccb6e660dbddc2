#include "simulator/engine/Pictures.h"

#include <algorithm>
#include <cstring>

namespace orb {

namespace {
uint64_t rowBytesOf(int width) {
    return (static_cast<uint64_t>(width) + 7) / 8;
}
}  // namespace

int pictureX(const SimState& s, int width) {
    return width < s.geometry.pixels() ? (s.geometry.pixels() - width) / 2 : 0;
}

void orPictureRow(const SimState& s, PlanePair& target, int row, const uint8_t* red, const uint8_t* green,
                  int bytes, int x) {
    if (row < 0 || row >= BitPlane::kRows) return;
    const int w = s.geometry.bytesPerRow();
    bytes = std::min(bytes, w);  // at most a sign row's worth of picture bytes
    for (int j = 0; j < bytes; ++j) {
        orBitsAt(target.red.row(row), w, x + 8 * j, red[j]);
        orBitsAt(target.green.row(row), w, x + 8 * j, green[j]);
    }
}

int readPictureRow(SimState& s, uint64_t dataOffset, int width, int height, int k, const uint8_t*& red,
                   const uint8_t*& green) {
    const uint64_t b = rowBytesOf(width);
    const size_t keep = static_cast<size_t>(std::min<uint64_t>(b, BitPlane::kBytesPerRow));
    uint8_t* r = s.sector.data();
    uint8_t* g = s.sector.data() + s.sector.size() / 2;
    std::memset(s.sector.data(), 0, s.sector.size());
    s.read(dataOffset + static_cast<uint64_t>(k) * b, std::span(r, keep));
    s.read(dataOffset + (static_cast<uint64_t>(height) + static_cast<uint64_t>(k)) * b, std::span(g, keep));
    red = r;
    green = g;
    return static_cast<int>(keep);
}

void loadBitmapToCanvas(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    ScrollCanvas& c = l.canvas;
    const int width = l.contentWidth, height = l.contentHeight;
    const uint64_t b = rowBytesOf(width);
    const size_t keep = static_cast<size_t>(std::min<uint64_t>(b, ScrollCanvas::kBytesPerRow));
    const int rows = std::min(height, ScrollCanvas::kRows);
    for (int k = 0; k < rows; ++k) {
        s.read(l.dataOffset + static_cast<uint64_t>(k) * b,
               std::span(&c.red[size_t(k) * ScrollCanvas::kBytesPerRow], keep));
        s.read(l.dataOffset + static_cast<uint64_t>(height + k) * b,
               std::span(&c.green[size_t(k) * ScrollCanvas::kBytesPerRow], keep));
    }
}

void drawCanvasBitmap(SimState& s, int line) {
    const LinePlayer& l = s.line(line);
    const ScrollCanvas& c = l.canvas;
    const int rows = std::min({int{l.contentHeight}, l.rowCount, ScrollCanvas::kRows});
    const int x = pictureX(s, l.contentWidth);
    const int bytes =
        static_cast<int>(std::min<uint64_t>(rowBytesOf(l.contentWidth), ScrollCanvas::kBytesPerRow));
    for (int k = 0; k < rows; ++k)
        orPictureRow(s, *s.working, l.startRow + k, c.redRow(k), c.greenRow(k), bytes, x);
}

void fetchAnimationFrame(SimState& s, int line) {
    const LinePlayer& l = s.line(line);
    clearRows(*s.saved, l.startRow, l.rowCount);
    const int width = l.contentWidth, height = l.contentHeight;
    const int rows = std::min({height, l.rowCount, BitPlane::kRows});
    const int x = pictureX(s, width);
    const uint64_t frameOffset = l.dataOffset + static_cast<uint64_t>(l.frameIndex) *
                                                    static_cast<uint64_t>(height) * rowBytesOf(width) * 2;
    for (int k = 0; k < rows; ++k) {
        const uint8_t *red = nullptr, *green = nullptr;
        const int keep = readPictureRow(s, frameOffset, width, height, k, red, green);
        orPictureRow(s, *s.saved, l.startRow + k, red, green, keep, x);
    }
    s.restoreBand(line);
}

}  // namespace orb
