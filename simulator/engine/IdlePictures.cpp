// The idle pictures shown when the image holds nothing to play: "LED" in red with a word in
// green. Picture 1 (one module high) puts them side by side, picture 2 one above the other. Each
// is 80 x 16 pixels per plane: 160 bytes of red rows, then 160 bytes of green rows.
#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "simulator/engine/Pictures.h"

namespace orb {

namespace {

using Picture = std::array<uint8_t, 320>;

// Letters of 5 x 7 dots, drawn two rows per dot and one column thicker, in 8 x 16 cells.
constexpr std::string_view letterRows(char c) {
    switch (c) {
        case 'L':
            return "#....#....#....#....#....#....#####";
        case 'E':
            return "######....#....####.#....#....#####";
        case 'D':
            return "####.#...##...##...##...##...#####.";
        case 'S':
            return ".#####....#.....###.....#....######.";
        case 'I':
            return "#####..#....#....#....#....#..#####";
        case 'G':
            return ".#####....#....#..###...##...#.###.";
        case 'N':
            return "#...###..##.#.##..###...##...##...#";
        case 'O':
            return ".###.#...##...##...##...##...#.###.";
        default:
            return "...................................";
    }
}

constexpr void drawWord(Picture& p, int plane, int x, std::string_view word) {
    for (char c : word) {
        const std::string_view dots = letterRows(c);
        for (int r = 0; r < 7; ++r)
            for (int col = 0; col < 5; ++col) {
                if (dots[static_cast<size_t>(r * 5 + col)] != '#') continue;
                for (int dx = 0; dx < 2; ++dx)
                    for (int dy = 0; dy < 2; ++dy) {
                        const int px = x + col + dx, py = 1 + 2 * r + dy;
                        if (px < 80) setBitAt(&p[static_cast<size_t>(plane * 160 + py * 10)], px, true);
                    }
            }
        x += 8;
    }
}

constexpr Picture sideBySide() {
    Picture p{};
    drawWord(p, 0, 4, "LED");
    drawWord(p, 1, 36, "SIGN");
    return p;
}

constexpr Picture aboveEachOther() {
    Picture p{};
    drawWord(p, 0, 28, "LED");
    drawWord(p, 1, 24, "SIGN");
    return p;
}

constexpr Picture kPicture1 = sideBySide();
constexpr Picture kPicture2 = aboveEachOther();

}  // namespace

void showIdlePicture(SimState& s) {
    const SignGeometry& g = s.geometry;
    PlanePair& working = *s.working;
    const int rows = g.ledRows();
    clearRows(working, 0, rows);
    const int x = g.pixels() > 80 ? (g.pixels() - 80) / 2 : 0;
    const int bytes = std::min(10, g.bytesPerRow());
    auto draw = [&](const uint8_t* plane, BitPlane& target, int top) {
        for (int r = 0; r < 16; ++r)
            for (int j = 0; j < bytes; ++j)
                orBitsAt(target.row(top + r), g.bytesPerRow(), x + 8 * j, plane[r * 10 + j]);
    };
    if (g.heightModules == 1) {
        draw(&kPicture1[0], working.red, 0);
        draw(&kPicture1[160], working.green, 0);
    } else {
        const int top = (g.heightModules - 2) * 8;
        draw(&kPicture2[0], working.red, top);
        draw(&kPicture2[160], working.green, top + 16);
    }
    copyRows(s.drawTarget(1), 0, working, 0, rows);
}

}  // namespace orb
