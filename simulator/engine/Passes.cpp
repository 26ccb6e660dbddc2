// Pictures and motion that are not table effects: bitmaps from the image into the canvases and
// the band, animation frames, and the pass-through of texts and bitmaps and the scroll-up.
#include <algorithm>
#include <cstring>

#include "simulator/engine/SignEngine.h"

namespace orb {

namespace {
uint64_t rowBytesOf(int width) {
    return (static_cast<uint64_t>(width) + 7) / 8;
}
}  // namespace

void SignEngine::orCanvasRow(PlanePair& target, int row, const uint8_t* red, const uint8_t* green, int bytes,
                             int xOffset) {
    if (row < 0 || row >= BitPlane::kRows) return;
    const int w = geometry_.bytesPerRow();
    bytes = std::min(bytes, w);  // at most a sign row's worth of picture bytes
    for (int j = 0; j < bytes; ++j) {
        orBitsAt(target.red.row(row), w, xOffset + 8 * j, red[j]);
        orBitsAt(target.green.row(row), w, xOffset + 8 * j, green[j]);
    }
}

void SignEngine::loadBitmapToCanvas(int line, uint64_t dataOffset, int width, int height) {
    Canvas& c = *canvases_[static_cast<size_t>(line - 1)];
    const uint64_t b = rowBytesOf(width);
    const size_t keep = static_cast<size_t>(std::min<uint64_t>(b, Canvas::kBytesPerRow));
    const int rows = std::min(height, Canvas::kRows);
    for (int k = 0; k < rows; ++k) {
        readImage(dataOffset + static_cast<uint64_t>(k) * b,
                  std::span(&c.red[size_t(k) * Canvas::kBytesPerRow], keep));
        readImage(dataOffset + static_cast<uint64_t>(height + k) * b,
                  std::span(&c.green[size_t(k) * Canvas::kBytesPerRow], keep));
    }
}

void SignEngine::drawCanvasBitmap(int line, int startRow, int rowCount, uint64_t, int width, int height) {
    const Canvas& c = *canvases_[static_cast<size_t>(line - 1)];
    const int rows = std::min({height, rowCount, Canvas::kRows});
    const int x = width < geometry_.pixels() ? (geometry_.pixels() - width) / 2 : 0;
    const int bytes = static_cast<int>(std::min<uint64_t>(rowBytesOf(width), Canvas::kBytesPerRow));
    for (int k = 0; k < rows; ++k)
        orCanvasRow(*working_, startRow + k, &c.red[size_t(k) * Canvas::kBytesPerRow],
                    &c.green[size_t(k) * Canvas::kBytesPerRow], bytes, x);
}

void SignEngine::fetchAnimationFrame(int line, int startRow, int rowCount, uint64_t dataOffset, int width,
                                     int height, int frame) {
    clearRows(*saved_, startRow, rowCount);
    const uint64_t b = rowBytesOf(width);
    const size_t keep = static_cast<size_t>(std::min<uint64_t>(b, BitPlane::kBytesPerRow));
    const int rows = std::min({height, rowCount, BitPlane::kRows});
    const int x = width < geometry_.pixels() ? (geometry_.pixels() - width) / 2 : 0;
    const uint64_t frameOffset = dataOffset + static_cast<uint64_t>(frame) * height * b * 2;
    uint8_t* red = sector_.data();
    uint8_t* green = sector_.data() + sector_.size() / 2;
    for (int k = 0; k < rows; ++k) {
        std::memset(sector_.data(), 0, sector_.size());
        readImage(frameOffset + static_cast<uint64_t>(k) * b, std::span(red, keep));
        readImage(frameOffset + static_cast<uint64_t>(height + k) * b, std::span(green, keep));
        orCanvasRow(*saved_, startRow + k, red, green, static_cast<int>(keep), x);
    }
    copyBand(*working_, *saved_, line);
}

bool SignEngine::textUsesBigFont(int line) const {
    // D-day texts are drawn with the 16-pixel font at every line height.
    const LineState& l = lineState(line);
    return l.kind != kDday && l.heightModules != 1;
}

void SignEngine::setupTextPass(int line, int scale, bool fromText) {
    LineState& l = lineState(line);
    l.passCursor = fromText ? l.textX - 1 : geometry_.pixels() - 1;
    l.passWidth = static_cast<int>(l.textLength()) * (textUsesBigFont(line) ? 16 : 8) * scale;
}

bool SignEngine::stepTextPass(int mode, int line) {
    LineState& l = lineState(line);
    const int p = geometry_.pixels();
    const bool big = textUsesBigFont(line);
    const FontFamily family = big ? FontFamily::Px32 : FontFamily::Px16;
    const std::string_view text = l.textView();

    // The character now crossing the right edge, and its column there.
    int left = l.passCursor, column = -1;
    for (size_t i = 0; i < text.size();) {
        const GlyphRef g = glyphOf(text, i);
        const int width = TextDrawer::advanceOf(family, g.doubleWidth, 1);
        if (left >= p - width) {
            column = (p - left - 1) % width;
            if (column < 0) column += width;
            if (column == 0) {
                if (big)
                    drawer_.renderEntryGlyph32(l.cells, 1, l.passCursor, text, l.attributes);
                else
                    drawer_.renderEntryGlyph16(l.cells, 1, l.passCursor, text, l.attributes);
            }
            break;
        }
        left += width;
        i += static_cast<size_t>(g.bytes);
    }

    const int rows = big ? 32 : 16;
    const int w = geometry_.bytesPerRow();
    const int first = std::max(l.textY, l.startRow), last = std::min(l.textY + rows, l.startRow + l.rowCount);
    for (int row = first; row < last; ++row) {
        const int cellRow = row - l.textY;
        bool red = false, green = false;
        if (column >= 0) {
            red = bitAt(&l.cells.red[size_t(cellRow) * EntryCells::kBytesPerRow], column);
            green = bitAt(&l.cells.green[size_t(cellRow) * EntryCells::kBytesPerRow], column);
        }
        shiftRowLeft(working_->red.row(row), w, red);
        shiftRowLeft(working_->green.row(row), w, green);
    }
    l.passCursor -= 1;
    return mode == 0 ? l.passCursor <= -l.passWidth : l.passCursor + l.passWidth < p;
}

void SignEngine::startBitmapPass(int mode, int line) {
    LineState& l = lineState(line);
    l.passWidth = l.contentWidth;
    l.passCursor = mode == 0 ? geometry_.pixels() - 1 : 0;
}

bool SignEngine::stepBitmapPass(int mode, int line) {
    LineState& l = lineState(line);
    const Canvas& c = *canvases_[static_cast<size_t>(line - 1)];
    const int p = geometry_.pixels(), w = geometry_.bytesPerRow();
    // After this step the bitmap's first column stands at cursor - 1. The step that brings the
    // bitmap in fills the last two columns; later ones only the last, the rest having moved left.
    const int first = l.passCursor - 1;
    const bool entering = l.passCursor + l.passWidth >= p;
    const int width = std::min(l.passWidth, Canvas::kBytesPerRow * 8);
    for (int k = 0; k < l.rowCount; ++k) {
        const int row = l.startRow + k;
        shiftRowLeft(working_->red.row(row), w, false);
        shiftRowLeft(working_->green.row(row), w, false);
        if (!entering || k >= Canvas::kRows) continue;
        const uint8_t* red = &c.red[size_t(k) * Canvas::kBytesPerRow];
        const uint8_t* green = &c.green[size_t(k) * Canvas::kBytesPerRow];
        for (int x = std::max({first, p - 2, 0}); x < p; ++x) {
            const int column = x - first;
            if (column < 0 || column >= width) continue;
            setBitAt(working_->red.row(row), x, bitAt(red, column));
            setBitAt(working_->green.row(row), x, bitAt(green, column));
        }
    }
    l.passCursor -= 1;
    return mode == 0 ? l.passCursor <= -l.passWidth : l.passCursor + l.passWidth < p;
}

void SignEngine::startScrollUp(int line) {
    lineState(line).scrollRow = 0;
}

bool SignEngine::stepScrollUp(int line) {
    LineState& l = lineState(line);
    if (l.rowCount > 0) {
        const size_t stride = BitPlane::kBytesPerRow;
        const size_t moved = static_cast<size_t>(l.rowCount - 1) * stride;
        for (BitPlane* plane : {&working_->red, &working_->green}) {
            std::memmove(plane->row(l.startRow), plane->row(l.startRow + 1), moved);
            std::memset(plane->row(l.startRow + l.rowCount - 1), 0, stride);
        }
        if (l.scrollRow < l.contentHeight) {
            const uint64_t b = rowBytesOf(l.contentWidth);
            const size_t keep = static_cast<size_t>(std::min<uint64_t>(b, BitPlane::kBytesPerRow));
            uint8_t* red = sector_.data();
            uint8_t* green = sector_.data() + sector_.size() / 2;
            std::memset(sector_.data(), 0, sector_.size());
            readImage(l.dataOffset + uint64_t{l.scrollRow} * b, std::span(red, keep));
            readImage(l.dataOffset + (uint64_t{l.contentHeight} + l.scrollRow) * b, std::span(green, keep));
            const int x = l.contentWidth < geometry_.pixels() ? (geometry_.pixels() - l.contentWidth) / 2 : 0;
            orCanvasRow(*working_, l.startRow + l.rowCount - 1, red, green, static_cast<int>(keep), x);
        }
    }
    l.scrollRow += 1;
    return l.scrollRow >= l.rowCount + l.contentHeight;
}

}  // namespace orb
