#pragma once
// Where the sign puts a line's text and a D-day's count: pure functions of the text's length, the
// line's height in modules and the sign's width in pixels. The content renderers place text
// through them, and so do the editor's previews, so that the two cannot drift apart.
#include <cstddef>
#include <span>
#include <string_view>

namespace orb {

// A text's place: x from the sign's left edge, y from the line's first row, in pixels.
struct TextPlacement {
    int x = 0;
    int y = 0;
    int width = 0;         // 8 pixels a byte with the 16-pixel font, 16 with the 32-pixel one
    bool bigFont = false;  // the 32-pixel font
    // Wider than the sign: the text then passes across (or is revealed) instead of standing.
    bool overflows(int signPixels) const { return width > signPixels; }
};

// A sentence or a title: on a 1-module line the 16-pixel font from the line's top, on a higher
// line the 32-pixel font centred in it; centred across the sign when it fits, else from x = 0.
TextPlacement placeSentence(size_t textBytes, int heightModules, int signPixels);

// A D-day's text, always in the 16-pixel font: at the line's top on lines of 1 and 2 modules,
// (h - 2) x 8 rows down on higher ones; centred when it fits, else from x = 0.
TextPlacement placeDdayText(size_t textBytes, int heightModules, int signPixels);

// The count "D-N일" (CP949), N without leading zeros; once the date has passed (DAYS < 0),
// "D-XX일" on a 1-module line and "D-XXXX일" on higher ones.
struct DdayCount {
    char text[24] = {};
    std::string_view view() const { return text; }
};
DdayCount ddayCount(int days, int heightModules);

// On a 1-module line the count follows the text after a space (none after an empty text), as far
// as TEXT holds with a zero after it: LENGTH is the text's length before, the result after.
size_t appendDdayCount(std::span<char> text, size_t length, std::string_view count);

// On higher lines the count has the row below the text to itself, centred over whole bytes of 8
// columns, in the 16-pixel font.
TextPlacement placeDdayCount(size_t countBytes, int heightModules, int signPixels);

}  // namespace orb
