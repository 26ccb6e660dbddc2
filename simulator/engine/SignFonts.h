#pragma once
// The sign's twenty bitmap font files and the lookup from a CP949 character to its glyph.
// Each file: a 16-byte header of our own, then the glyphs back to back in KS X 1001 code order,
// each stored row by row from the top, bit 7 of a byte the leftmost pixel.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

struct FontFileLayout {
    const char* name;  // base name; the file is FOLDER/name.fnt
    int glyphs;
    int width;   // pixels
    int height;  // pixels
    int glyphBytes() const { return width / 8 * height; }
    int tableBytes() const { return glyphs * glyphBytes(); }
};

enum class FontFamily { Px16, Px32 };

// Which table of a family holds a character.
enum class GlyphSet { Hangul, Ascii, Symbol, Hanja };

inline constexpr int kFontFiles = 20;
inline constexpr int kFontHeaderBytes = 16;
inline constexpr int kHangulGlyphs = 2350;
inline constexpr int kAsciiGlyphs = 96;
inline constexpr int kSymbolGlyphs = 1128;  // rows 0xA1..0xAC
inline constexpr int kHanjaGlyphs = 4888;   // rows 0xCA..0xFD

// The files in loading order: per family four Hangul faces, four ASCII faces, symbols, Hanja.
extern const std::array<FontFileLayout, kFontFiles> kFontFileLayouts;

// The index in kFontFileLayouts of a table: typeface 0..3 matters for Hangul and ASCII only.
int fontFileIndex(FontFamily family, GlyphSet set, int typeface);

// The text of the message box for a font file that cannot be opened, e.g. "한문32 OPEN실패".
std::string fontOpenFailedMessage(std::string_view baseName);
// ... and for one shorter than its table, e.g. "한문32 파일이 손상되었습니다".
std::string fontTruncatedMessage(std::string_view baseName);

// Where a character's glyph lies: its table and index, or no glyph (a blank cell). width is 1
// for a one-byte character and 2 for a double-byte one.
struct GlyphRef {
    GlyphSet set = GlyphSet::Ascii;
    int index = -1;  // -1: no glyph
    int bytes = 1;   // text bytes the character takes
    bool doubleWidth = false;
};

// Looks up the character that starts at text[i] (i < text.size()). A lead byte at the end of the
// text takes the last byte only, as a blank double-width cell.
GlyphRef glyphOf(std::string_view text, size_t i);

class SignFonts {
  public:
    // Loads the twenty files from folder in table order. At the first file that cannot be
    // opened, is not a regular file or is shorter than its table, nothing more is tried and its
    // base name is given back; failureMessage() then says which of these it was.
    bool loadFonts(const std::string& folder, std::string& failedBaseName);
    std::string failureMessage(std::string_view baseName) const;
    void releaseFonts();
    bool loaded() const { return loaded_; }

    // The glyph's bits, glyphBytes() of its table long, or nullptr for a blank cell.
    const uint8_t* glyphBits(FontFamily family, int typeface, const GlyphRef& g) const;

  private:
    std::array<std::vector<uint8_t>, kFontFiles> tables_;
    bool loaded_ = false;
    bool truncated_ = false;  // why the last load failed
};

}  // namespace orb
