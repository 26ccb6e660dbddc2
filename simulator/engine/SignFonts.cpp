#include "simulator/engine/SignFonts.h"

#include "image/RegularFile.h"

namespace orb {

const std::array<FontFileLayout, kFontFiles> kFontFileLayouts = {{
    {"한글굴림체16", kHangulGlyphs, 16, 16}, {"한글궁서체16", kHangulGlyphs, 16, 16},
    {"한글샘물체16", kHangulGlyphs, 16, 16}, {"한글엽서체16", kHangulGlyphs, 16, 16},
    {"영문굴림체16", kAsciiGlyphs, 8, 16},   {"영문궁서체16", kAsciiGlyphs, 8, 16},
    {"영문샘물체16", kAsciiGlyphs, 8, 16},   {"영문엽서체16", kAsciiGlyphs, 8, 16},
    {"특수문자16", kSymbolGlyphs, 16, 16},   {"한문16", kHanjaGlyphs, 16, 16},
    {"한글굴림체32", kHangulGlyphs, 32, 32}, {"한글궁서체32", kHangulGlyphs, 32, 32},
    {"한글샘물체32", kHangulGlyphs, 32, 32}, {"한글엽서체32", kHangulGlyphs, 32, 32},
    {"영문굴림체32", kAsciiGlyphs, 16, 32},  {"영문궁서체32", kAsciiGlyphs, 16, 32},
    {"영문샘물체32", kAsciiGlyphs, 16, 32},  {"영문엽서체32", kAsciiGlyphs, 16, 32},
    {"특수문자32", kSymbolGlyphs, 32, 32},   {"한문32", kHanjaGlyphs, 32, 32},
}};

int fontFileIndex(FontFamily family, GlyphSet set, int typeface) {
    const int base = family == FontFamily::Px16 ? 0 : 10;
    switch (set) {
        case GlyphSet::Hangul:
            return base + (typeface & 3);
        case GlyphSet::Ascii:
            return base + 4 + (typeface & 3);
        case GlyphSet::Symbol:
            return base + 8;
        case GlyphSet::Hanja:
            return base + 9;
    }
    return base;
}

std::string fontOpenFailedMessage(std::string_view baseName) {
    return std::string(baseName) + " OPEN실패";
}

std::string fontTruncatedMessage(std::string_view baseName) {
    return std::string(baseName) + " 파일이 손상되었습니다";
}

std::string SignFonts::failureMessage(std::string_view baseName) const {
    return truncated_ ? fontTruncatedMessage(baseName) : fontOpenFailedMessage(baseName);
}

GlyphRef glyphOf(std::string_view text, size_t i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
        GlyphRef g{GlyphSet::Ascii, lead >= 0x20 ? lead - 0x20 : -1, 1, false};
        return g;
    }
    GlyphRef g{GlyphSet::Symbol, -1, 2, true};
    if (i + 1 >= text.size()) {
        g.bytes = 1;
        return g;
    }
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if (trail < 0xA1 || trail > 0xFE) return g;
    const int column = trail - 0xA1;
    if (lead >= 0xA1 && lead <= 0xAF) {
        const int index = (lead - 0xA1) * 94 + column;
        if (index < kSymbolGlyphs) g.index = index;  // rows 0xAD..0xAF have no glyphs
    } else if (lead >= 0xB0 && lead <= 0xC8) {
        g.set = GlyphSet::Hangul;
        g.index = (lead - 0xB0) * 94 + column;
    } else if (lead >= 0xCA && lead <= 0xFB) {
        g.set = GlyphSet::Hanja;
        g.index = (lead - 0xCA) * 94 + column;
    }
    return g;
}

bool SignFonts::loadFonts(const std::string& folder, std::string& failedBaseName) {
    releaseFonts();
    for (int f = 0; f < kFontFiles; ++f) {
        const FontFileLayout& font = kFontFileLayouts[static_cast<size_t>(f)];
        std::vector<uint8_t>& table = tables_[static_cast<size_t>(f)];
        table.assign(static_cast<size_t>(font.tableBytes()), 0);
        RegularFile file;
        const bool opened = file.open(folder + "/" + font.name + ".fnt") == FileOpen::Ok;
        // A short table would show blank glyphs without a word: refused like a missing file.
        truncated_ = opened && file.readAt(kFontHeaderBytes, table) != static_cast<int64_t>(table.size());
        if (!opened || truncated_) {
            failedBaseName = font.name;
            releaseFonts();
            return false;
        }
    }
    loaded_ = true;
    return true;
}

void SignFonts::releaseFonts() {
    for (auto& t : tables_) std::vector<uint8_t>().swap(t);
    loaded_ = false;
}

const uint8_t* SignFonts::glyphBits(FontFamily family, int typeface, const GlyphRef& g) const {
    if (g.index < 0) return nullptr;
    const int f = fontFileIndex(family, g.set, typeface);
    const FontFileLayout& font = kFontFileLayouts[static_cast<size_t>(f)];
    const std::vector<uint8_t>& table = tables_[static_cast<size_t>(f)];
    if (g.index >= font.glyphs || table.empty()) return nullptr;
    return &table[static_cast<size_t>(g.index) * static_cast<size_t>(font.glyphBytes())];
}

}  // namespace orb
