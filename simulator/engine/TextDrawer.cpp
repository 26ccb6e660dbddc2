#include "simulator/engine/TextDrawer.h"

#include <algorithm>
#include <cstring>

namespace orb {

namespace {

struct CellSize {
    int width, height;
};

CellSize cellOf(FontFamily family, bool doubleWidth) {
    if (family == FontFamily::Px16) return {doubleWidth ? 16 : 8, 16};
    return {doubleWidth ? 32 : 16, 32};
}

int clampScale(FontFamily family, int scale) {
    return std::clamp(scale, 1, family == FontFamily::Px16 ? 8 : 4);
}

uint16_t attributeAt(std::span<const uint16_t> attributes, size_t i) {
    return i < attributes.size() ? attributes[i] : 0;
}

}  // namespace

int TextDrawer::advanceOf(FontFamily family, bool doubleWidth, int scale) {
    return cellOf(family, doubleWidth).width * clampScale(family, scale);
}

int TextDrawer::expand(const uint8_t* bits, int width, int height, int scale) {
    const int srcRowBytes = width / 8;
    const int rowBytes = srcRowBytes * scale;
    std::memset(scratch_.data(), 0, static_cast<size_t>(rowBytes * height * scale));
    if (!bits) return rowBytes;
    for (int r = 0; r < height; ++r) {
        uint8_t* out = &scratch_[static_cast<size_t>(r * scale * rowBytes)];
        for (int c = 0; c < width; ++c) {
            if (!bitAt(&bits[r * srcRowBytes], c)) continue;
            for (int k = c * scale; k < (c + 1) * scale; ++k) setBitAt(out, k, true);
        }
        for (int copy = 1; copy < scale; ++copy)
            std::memcpy(out + copy * rowBytes, out, static_cast<size_t>(rowBytes));
    }
    return rowBytes;
}

void TextDrawer::drawGlyph(const Target& t, int rowBytes, int height, int x, int y, int foreground,
                           int background) {
    const int width = rowBytes * 8;
    if (x < -(width - 1) || x >= t.rowBytes * 8) return;
    for (int r = 0; r < height; ++r) {
        const int row = y + r;
        if (row < 0 || row >= t.rows) continue;  // rows outside the planes are never written
        uint8_t* red = t.red + static_cast<ptrdiff_t>(row) * t.stride;
        uint8_t* green = t.green + static_cast<ptrdiff_t>(row) * t.stride;
        for (int k = 0; k < rowBytes; ++k) {
            const uint8_t ink = scratch_[static_cast<size_t>(r * rowBytes + k)];
            const uint8_t paper = static_cast<uint8_t>(~ink);
            const int col = x + 8 * k;
            if (litsRed(foreground)) orBitsAt(red, t.rowBytes, col, ink);
            if (litsGreen(foreground)) orBitsAt(green, t.rowBytes, col, ink);
            if (litsRed(background)) orBitsAt(red, t.rowBytes, col, paper);
            if (litsGreen(background)) orBitsAt(green, t.rowBytes, col, paper);
        }
    }
}

void TextDrawer::drawString(PlanePair& target, FontFamily family, int scale, int x, int y,
                            std::string_view text, std::span<const uint16_t> attributes,
                            const Colours* plain) {
    scale = clampScale(family, scale);
    text = text.substr(0, text.find('\0'));
    const Target t{target.red.bytes.data(), target.green.bytes.data(), BitPlane::kBytesPerRow,
                   std::min(signWidth_ / 8, BitPlane::kBytesPerRow), BitPlane::kRows};
    for (size_t i = 0; i < text.size() && x < signWidth_;) {
        const GlyphRef g = glyphOf(text, i);
        const uint16_t word = attributeAt(attributes, i);
        const Colours c = plain ? *plain : Colours{typefaceOf(word), foregroundOf(word), backgroundOf(word)};
        const CellSize cell = cellOf(family, g.doubleWidth);
        const int rowBytes = expand(fonts_.glyphBits(family, c.typeface, g), cell.width, cell.height, scale);
        drawGlyph(t, rowBytes, cell.height * scale, x, y, c.foreground, c.background);
        x += cell.width * scale;
        i += static_cast<size_t>(g.bytes);
    }
}

void TextDrawer::drawText16(PlanePair& target, int scale, int x, int y, std::string_view text,
                            std::span<const uint16_t> attributes) {
    drawString(target, FontFamily::Px16, scale, x, y, text, attributes, nullptr);
}

void TextDrawer::drawText32(PlanePair& target, int scale, int x, int y, std::string_view text,
                            std::span<const uint16_t> attributes) {
    drawString(target, FontFamily::Px32, scale, x, y, text, attributes, nullptr);
}

void TextDrawer::drawPlainText16(PlanePair& target, int scale, std::string_view text, int x, int y,
                                 int foreground, int background) {
    const Colours plain{0, foreground, background};
    drawString(target, FontFamily::Px16, scale, x, y, text, {}, &plain);
}

bool TextDrawer::renderEntry(EntryCells& cells, FontFamily family, int scale, int textX,
                             std::string_view text, std::span<const uint16_t> attributes, bool onlyAtEdge) {
    scale = clampScale(family, scale);
    text = text.substr(0, text.find('\0'));
    int left = textX;
    for (size_t i = 0; i < text.size();) {
        const GlyphRef g = glyphOf(text, i);
        const CellSize cell = cellOf(family, g.doubleWidth);
        const int width = cell.width * scale;
        if (left >= signWidth_ - width) {
            if (onlyAtEdge && (signWidth_ - left - 1) % width != 0) return false;
            cells.red.fill(0);
            cells.green.fill(0);
            const uint16_t word = attributeAt(attributes, i);
            const int rowBytes =
                expand(fonts_.glyphBits(family, typefaceOf(word), g), cell.width, cell.height, scale);
            const Target t{cells.red.data(), cells.green.data(), EntryCells::kBytesPerRow,
                           EntryCells::kBytesPerRow, EntryCells::kRows};
            drawGlyph(t, rowBytes, cell.height * scale, 0, 0, foregroundOf(word), backgroundOf(word));
            return true;
        }
        left += width;
        i += static_cast<size_t>(g.bytes);
    }
    return false;
}

bool TextDrawer::renderEntryGlyph16(EntryCells& cells, int scale, int textX, std::string_view text,
                                    std::span<const uint16_t> attributes) {
    return renderEntry(cells, FontFamily::Px16, scale, textX, text, attributes, false);
}

bool TextDrawer::renderEntryGlyph32(EntryCells& cells, int scale, int textX, std::string_view text,
                                    std::span<const uint16_t> attributes) {
    return renderEntry(cells, FontFamily::Px32, scale, textX, text, attributes, false);
}

bool TextDrawer::renderEntryGlyph16OnEdge(EntryCells& cells, int scale, int textX, std::string_view text,
                                          std::span<const uint16_t> attributes) {
    return renderEntry(cells, FontFamily::Px16, scale, textX, text, attributes, true);
}

bool TextDrawer::renderEntryGlyph32OnEdge(EntryCells& cells, int scale, int textX, std::string_view text,
                                          std::span<const uint16_t> attributes) {
    return renderEntry(cells, FontFamily::Px32, scale, textX, text, attributes, true);
}

}  // namespace orb
