#pragma once
// One installed font face that glyphs are drawn from: an outline face looked up by Unicode, or
// a KS C 5601 bitmap face looked up by its own codes.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <vector>

#include "tools/fontgen/KsSlots.h"

namespace orb::fontgen {

// A rendered glyph: one byte per pixel (0 or 1), with FreeType's placement.
struct RenderedGlyph {
    int width = 0, rows = 0;
    int left = 0, top = 0;  // bitmap_left, bitmap_top
    std::vector<uint8_t> pixels;
    bool inked() const;
};

class GlyphSource {
  public:
    GlyphSource(FT_Library library, std::string path, bool kscBitmap, int emboldenPercent);
    ~GlyphSource();
    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

    bool ok() const { return face_ != nullptr; }
    const std::string& path() const { return path_; }
    bool isBitmap() const { return kscBitmap_; }

    // Whether the face maps the slot to a glyph that has ink (spaces count as covered when mapped).
    bool covers(const Slot& s);
    // Renders the slot at a pixel size, squeezed horizontally by xScale (1.0 = none).
    bool render(const Slot& s, int pixelSize, double xScale, RenderedGlyph& out);
    // The ascent in pixels of a bitmap face's strike.
    int bitmapAscent() const;

  private:
    FT_UInt glyphIndex(const Slot& s) const;

    std::string path_;
    bool kscBitmap_;
    int embolden_;
    FT_Face face_ = nullptr;
};

}  // namespace orb::fontgen
