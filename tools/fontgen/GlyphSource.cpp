#include "tools/fontgen/GlyphSource.h"

#include FT_OUTLINE_H

#include <algorithm>

namespace orb::fontgen {

bool RenderedGlyph::inked() const {
    return std::any_of(pixels.begin(), pixels.end(), [](uint8_t p) { return p; });
}

GlyphSource::GlyphSource(FT_Library library, std::string path, bool kscBitmap, int emboldenPercent)
    : path_(std::move(path)), kscBitmap_(kscBitmap), embolden_(emboldenPercent) {
    if (FT_New_Face(library, path_.c_str(), 0, &face_) != 0) {
        face_ = nullptr;
        return;
    }
    if (kscBitmap_) {
        // The native bitmap faces carry one KS C 5601 charmap and one strike.
        if (face_->num_charmaps < 1 || face_->num_fixed_sizes < 1 ||
            FT_Set_Charmap(face_, face_->charmaps[0]) != 0 || FT_Select_Size(face_, 0) != 0) {
            FT_Done_Face(face_);
            face_ = nullptr;
        }
    } else if (FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0) {
        FT_Done_Face(face_);
        face_ = nullptr;
    }
}

GlyphSource::~GlyphSource() {
    if (face_) FT_Done_Face(face_);
}

FT_UInt GlyphSource::glyphIndex(const Slot& s) const {
    if (kscBitmap_) {
        if (s.lead == 0) return 0;  // these faces hold no ASCII
        return FT_Get_Char_Index(face_, static_cast<FT_ULong>(((s.lead & 0x7F) << 8) | (s.trail & 0x7F)));
    }
    return s.unicode ? FT_Get_Char_Index(face_, s.unicode) : 0;
}

bool GlyphSource::covers(const Slot& s) {
    if (!face_ || glyphIndex(s) == 0) return false;
    if (s.unicode == U' ' || s.unicode == U'\u3000') return true;
    RenderedGlyph g;
    return render(s, 32, 1.0, g) && g.inked();
}

int GlyphSource::bitmapAscent() const {
    return face_ ? static_cast<int>(face_->size->metrics.ascender >> 6) : 0;
}

bool GlyphSource::render(const Slot& s, int pixelSize, double xScale, RenderedGlyph& out) {
    const FT_UInt index = face_ ? glyphIndex(s) : 0;
    if (index == 0) return false;
    if (!kscBitmap_) {
        FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixelSize));
        FT_Matrix squeeze{static_cast<FT_Fixed>(xScale * 65536), 0, 0, 0x10000};
        FT_Set_Transform(face_, &squeeze, nullptr);
    }
    const FT_Int32 flags = kscBitmap_ ? FT_LOAD_DEFAULT : FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO;
    if (FT_Load_Glyph(face_, index, flags) != 0) return false;
    FT_GlyphSlot slot = face_->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        if (embolden_ > 0) FT_Outline_Embolden(&slot->outline, pixelSize * 64 * embolden_ / 100);
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return false;
    }
    const FT_Bitmap& b = slot->bitmap;
    out.width = static_cast<int>(b.width);
    out.rows = static_cast<int>(b.rows);
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.pixels.assign(static_cast<size_t>(out.width * out.rows), 0);
    for (int y = 0; y < out.rows; ++y) {
        const unsigned char* row = b.buffer + static_cast<ptrdiff_t>(y) * b.pitch;
        for (int x = 0; x < out.width; ++x) {
            const bool on =
                b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x / 8] & (0x80 >> (x % 8))) : row[x] > 127;
            out.pixels[static_cast<size_t>(y * out.width + x)] = on ? 1 : 0;
        }
    }
    return true;
}

}  // namespace orb::fontgen
