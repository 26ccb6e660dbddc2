#pragma once
// Sign font files of our own for the tests, with glyphs that tell where they came from:
//  - row 0 of glyph i holds i (low byte first), row 1 the file number + 1;
//  - the bottom row's leftmost pixel is lit in every glyph but the ASCII space, so a glyph drawn
//    at x lights (x, y + height - 1);
//  - ASCII '#' is a solid block and '|' a block whose right half is empty.
#include <fstream>
#include <string>
#include <vector>

#include "simulator/engine/SignFonts.h"

namespace orb::testing {

inline void writeTestFonts(const std::string& folder, int skip = -1, int shortFile = -1) {
    for (int f = 0; f < kFontFiles; ++f) {
        if (f == skip) continue;
        const FontFileLayout& font = kFontFileLayouts[static_cast<size_t>(f)];
        const int rowBytes = font.width / 8;
        const bool ascii = font.glyphs == kAsciiGlyphs;
        std::vector<uint8_t> table(static_cast<size_t>(font.tableBytes()), 0);
        for (int i = 0; i < font.glyphs; ++i) {
            uint8_t* g = &table[static_cast<size_t>(i * font.glyphBytes())];
            if (ascii && (i == '#' - 0x20 || i == '|' - 0x20)) {
                for (int b = 0; b < font.glyphBytes(); ++b) {
                    const bool leftHalf = rowBytes == 1 || b % rowBytes < rowBytes / 2;
                    g[b] = i == '#' - 0x20 ? 0xFF : rowBytes == 1 ? 0xF0 : (leftHalf ? 0xFF : 0);
                }
                continue;
            }
            if (ascii && i == 0) continue;  // the space stays blank
            g[0] = static_cast<uint8_t>(i);
            if (rowBytes > 1) g[1] = static_cast<uint8_t>(i >> 8);
            g[rowBytes] = static_cast<uint8_t>(f + 1);
            g[(font.height - 1) * rowBytes] |= 0x80;
        }
        if (f == shortFile) table.resize(table.size() / 2);
        std::ofstream out(folder + "/" + font.name + ".fnt", std::ios::binary);
        out.write("0123456789abcdef", 16);
        out.write(reinterpret_cast<const char*>(table.data()), static_cast<std::streamsize>(table.size()));
    }
}

}  // namespace orb::testing
