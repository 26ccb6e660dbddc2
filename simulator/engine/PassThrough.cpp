#include "simulator/engine/PassThrough.h"

#include <algorithm>
#include <cstring>

#include "simulator/engine/Pictures.h"

namespace orb {

namespace {
bool finished(PassMode mode, const LinePlayer& l, int p) {
    return mode == PassMode::Across ? l.passCursor <= -l.passWidth : l.passCursor + l.passWidth < p;
}
}  // namespace

bool textUsesBigFont(const LinePlayer& l) {
    return l.kind != ContentKind::Dday && l.heightModules != 1;
}

void setupTextPass(SimState& s, int line, PassMode mode) {
    LinePlayer& l = s.line(line);
    l.passCursor = mode == PassMode::Reveal ? l.textX - 1 : s.geometry.pixels() - 1;
    l.passWidth = static_cast<int>(l.textLength()) * (textUsesBigFont(l) ? 16 : 8);
}

bool stepTextPass(SimState& s, int line, PassMode mode) {
    LinePlayer& l = s.line(line);
    const int p = s.geometry.pixels();
    const bool big = textUsesBigFont(l);
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
                    s.drawer.renderEntryGlyph32(l.cells, 1, l.passCursor, text, l.attributes);
                else
                    s.drawer.renderEntryGlyph16(l.cells, 1, l.passCursor, text, l.attributes);
            }
            break;
        }
        left += width;
        i += static_cast<size_t>(g.bytes);
    }

    const int rows = big ? 32 : 16;
    const int w = s.geometry.bytesPerRow();
    const int first = std::max(l.textY, l.startRow), last = std::min(l.textY + rows, l.startRow + l.rowCount);
    for (int row = first; row < last; ++row) {
        const int cellRow = row - l.textY;
        bool red = false, green = false;
        if (column >= 0) {
            red = bitAt(&l.cells.red[size_t(cellRow) * EntryCells::kBytesPerRow], column);
            green = bitAt(&l.cells.green[size_t(cellRow) * EntryCells::kBytesPerRow], column);
        }
        shiftRowLeft(s.working->red.row(row), w, red);
        shiftRowLeft(s.working->green.row(row), w, green);
    }
    l.passCursor -= 1;
    return finished(mode, l, p);
}

void startBitmapPass(SimState& s, int line, PassMode mode) {
    LinePlayer& l = s.line(line);
    l.passWidth = l.contentWidth;
    l.passCursor = mode == PassMode::Across ? s.geometry.pixels() - 1 : 0;
}

bool stepBitmapPass(SimState& s, int line, PassMode mode) {
    LinePlayer& l = s.line(line);
    const ScrollCanvas& c = l.canvas;
    PlanePair& working = *s.working;
    const int p = s.geometry.pixels(), w = s.geometry.bytesPerRow();
    // After this step the bitmap's first column stands at cursor - 1. The step that brings the
    // bitmap in fills the last two columns; later ones only the last, the rest having moved left.
    const int first = l.passCursor - 1;
    const bool entering = l.passCursor + l.passWidth >= p;
    const int width = std::min(l.passWidth, ScrollCanvas::kBytesPerRow * 8);
    for (int k = 0; k < l.rowCount; ++k) {
        const int row = l.startRow + k;
        shiftRowLeft(working.red.row(row), w, false);
        shiftRowLeft(working.green.row(row), w, false);
        if (!entering || k >= ScrollCanvas::kRows) continue;
        const uint8_t* red = c.redRow(k);
        const uint8_t* green = c.greenRow(k);
        for (int x = std::max({first, p - 2, 0}); x < p; ++x) {
            const int column = x - first;
            if (column < 0 || column >= width) continue;
            setBitAt(working.red.row(row), x, bitAt(red, column));
            setBitAt(working.green.row(row), x, bitAt(green, column));
        }
    }
    l.passCursor -= 1;
    return finished(mode, l, p);
}

void startScrollUp(LinePlayer& l) {
    l.scrollRow = 0;
}

bool stepScrollUp(SimState& s, int line) {
    LinePlayer& l = s.line(line);
    if (l.rowCount > 0) {
        const size_t stride = BitPlane::kBytesPerRow;
        const size_t moved = static_cast<size_t>(l.rowCount - 1) * stride;
        for (BitPlane* plane : {&s.working->red, &s.working->green}) {
            std::memmove(plane->row(l.startRow), plane->row(l.startRow + 1), moved);
            std::memset(plane->row(l.startRow + l.rowCount - 1), 0, stride);
        }
        if (l.scrollRow < l.contentHeight) {
            const uint8_t *red = nullptr, *green = nullptr;
            const int keep =
                readPictureRow(s, l.dataOffset, l.contentWidth, l.contentHeight, l.scrollRow, red, green);
            orPictureRow(s, *s.working, l.startRow + l.rowCount - 1, red, green, keep,
                         pictureX(s, l.contentWidth));
        }
    }
    l.scrollRow += 1;
    return l.scrollRow >= l.rowCount + l.contentHeight;
}

}  // namespace orb
