#pragma once
// Draws CP949 text with the sign's bitmap fonts into LED planes: each character with its own
// attribute word (typeface, foreground, background), magnified 1..8 (16-pixel family) or 1..4
// (32-pixel family). Drawing only adds light; nothing is cleared. No allocation while drawing.
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "simulator/engine/BitPlane.h"
#include "simulator/engine/SignFonts.h"

namespace orb {

// A line's entry cells: the character about to enter at the sign's right edge, rendered for
// the pass-through effect. 160 rows of 16 bytes (128 pixels) each.
struct EntryCells {
    static constexpr int kRows = 160;
    static constexpr int kBytesPerRow = 16;
    std::array<uint8_t, size_t{kRows} * kBytesPerRow> red{};
    std::array<uint8_t, size_t{kRows} * kBytesPerRow> green{};
};

// Colours of an attribute word as drawing colour codes.
inline int foregroundOf(uint16_t attribute) {
    return (attribute >> 6) & 3;
}
inline int backgroundOf(uint16_t attribute) {
    static constexpr int kMap[4] = {kNone, kRed, kGreen, kYellow};
    return kMap[(attribute >> 4) & 3];
}
inline int typefaceOf(uint16_t attribute) {
    return (attribute >> 2) & 3;
}

class TextDrawer {
  public:
    explicit TextDrawer(const SignFonts& fonts) : fonts_(fonts) {}

    // The sign's width in LEDs (its bytes per row x 8); drawing stops there.
    void setSignWidth(int pixels) { signWidth_ = pixels; }
    int signWidth() const { return signWidth_; }

    // Text ends at its first zero byte or its end; attribute word i belongs to text byte i (words
    // missing from the span count as 0).
    void drawText16(PlanePair& target, int scale, int x, int y, std::string_view text,
                    std::span<const uint16_t> attributes);
    void drawText32(PlanePair& target, int scale, int x, int y, std::string_view text,
                    std::span<const uint16_t> attributes);
    // Typeface 0 and one colour pair for every character.
    void drawPlainText16(PlanePair& target, int scale, std::string_view text, int x, int y, int foreground,
                         int background);

    // Renders into the cells the first character of the text (placed at textX) that does not fit
    // wholly on the sign. Returns false, leaving the cells as they were, when the text ends first.
    bool renderEntryGlyph16(EntryCells& cells, int scale, int textX, std::string_view text,
                            std::span<const uint16_t> attributes);
    bool renderEntryGlyph32(EntryCells& cells, int scale, int textX, std::string_view text,
                            std::span<const uint16_t> attributes);
    // The same, but rendering only when that character has just reached the edge: when
    // (sign width - its left edge - 1) is a multiple of its width.
    bool renderEntryGlyph16OnEdge(EntryCells& cells, int scale, int textX, std::string_view text,
                                  std::span<const uint16_t> attributes);
    bool renderEntryGlyph32OnEdge(EntryCells& cells, int scale, int textX, std::string_view text,
                                  std::span<const uint16_t> attributes);

    // Pixel width of a character of the family at the scale.
    static int advanceOf(FontFamily family, bool doubleWidth, int scale);

  private:
    struct Target {
        uint8_t* red;
        uint8_t* green;
        int stride;    // bytes from one row to the next
        int rowBytes;  // bytes of a row that may be written
        int rows;
    };
    struct Colours {
        int typeface, foreground, background;
    };

    void drawString(PlanePair& target, FontFamily family, int scale, int x, int y, std::string_view text,
                    std::span<const uint16_t> attributes, const Colours* plain);
    bool renderEntry(EntryCells& cells, FontFamily family, int scale, int textX, std::string_view text,
                     std::span<const uint16_t> attributes, bool onlyAtEdge);
    // Expands a glyph (or a blank cell) magnified into the scratch buffer; returns its row bytes.
    int expand(const uint8_t* bits, int width, int height, int scale);
    void drawGlyph(const Target& t, int rowBytes, int height, int x, int y, int foreground, int background);

    const SignFonts& fonts_;
    int signWidth_ = 0;
    // The largest magnified glyph: 128 x 128 pixels.
    std::array<uint8_t, 128 * 16> scratch_{};
};

}  // namespace orb
