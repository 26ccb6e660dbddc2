// fontsheet: draws a sample of every sign font with the simulator's own text drawer and saves it
// as a PNG of LEDs, for a person to judge the lettering.
//   fontsheet FONTDIR OUT.png
#include <png.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "image/AttributeWord.h"
#include "image/Cp949.h"
#include "simulator/engine/TextDrawer.h"

namespace {

using namespace orb;

constexpr int kSignWidth = 20 * 16;  // a 20-column sign
constexpr int kPitch = 3;            // an LED is 2 x 2 pixels with a dark gap

struct Sample {
    bool big;
    Typeface face;
    TextColour colour;
    BackgroundColour background;
    const char* text;
};

const Sample kSamples[] = {
    {false, Typeface::Gulim, TextColour::Red, BackgroundColour::Black, "굴림 가나다 ABCxyz 123 ℃※★ 大韓民國"},
    {true, Typeface::Gulim, TextColour::Red, BackgroundColour::Black, "전광판 Sign ℃ 漢字"},
    {false, Typeface::Gungseo, TextColour::Green, BackgroundColour::Black,
     "궁서 가나다 ABCxyz 123 ℃※★ 大韓民國"},
    {true, Typeface::Gungseo, TextColour::Green, BackgroundColour::Black, "전광판 Sign ℃ 漢字"},
    {false, Typeface::Yet, TextColour::Yellow, BackgroundColour::Black,
     "샘물 가나다 ABCxyz 123 ℃※★ 大韓民國"},
    {true, Typeface::Yet, TextColour::Yellow, BackgroundColour::Black, "전광판 Sign ℃ 漢字"},
    {false, Typeface::Magic, TextColour::Red, BackgroundColour::Black, "엽서 가나다 ABCxyz 123 ℃※★ 大韓民國"},
    {true, Typeface::Magic, TextColour::Yellow, BackgroundColour::Red, "전광판 Sign ℃ 漢字"},
};

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, &rgb[static_cast<size_t>(y) * static_cast<size_t>(width) * 3]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: fontsheet FONTDIR OUT.png\n", stderr);
        return 2;
    }
    SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(argv[1], failed)) {
        std::fprintf(stderr, "%s\n", fonts.failureMessage(failed).c_str());
        return 1;
    }
    TextDrawer drawer(fonts);
    drawer.setSignWidth(kSignWidth);

    // Each sample on its own band of LED rows, with two dark rows between bands.
    std::vector<std::pair<int, int>> bands;  // first row, rows
    int rows = 0;
    for (const Sample& s : kSamples) {
        bands.emplace_back(rows, s.big ? 32 : 16);
        rows += (s.big ? 32 : 16) + 2;
    }
    const int width = kSignWidth * kPitch, height = rows * kPitch;
    std::vector<uint8_t> rgb(static_cast<size_t>(width * height) * 3, 0);
    auto plane = std::make_unique<PlanePair>();
    for (size_t i = 0; i < std::size(kSamples); ++i) {
        const Sample& s = kSamples[i];
        const std::string text = utf8ToCp949(s.text).value();
        const std::vector<uint16_t> words(text.size(), toAttributeWord({s.colour, s.background, s.face}));
        clearPair(*plane);
        if (s.big)
            drawer.drawText32(*plane, 1, 0, 0, text, words);
        else
            drawer.drawText16(*plane, 1, 0, 0, text, words);
        for (int y = 0; y < bands[i].second; ++y)
            for (int x = 0; x < kSignWidth; ++x) {
                const uint8_t r = plane->red.pixel(x, y) ? 255 : 40, g = plane->green.pixel(x, y) ? 255 : 40;
                for (int dy = 0; dy < kPitch - 1; ++dy)
                    for (int dx = 0; dx < kPitch - 1; ++dx) {
                        uint8_t* p = &rgb[(static_cast<size_t>((bands[i].first + y) * kPitch + dy) * width +
                                           x * kPitch + dx) *
                                          3];
                        p[0] = r == 40 && g == 40 ? 28 : r == 40 ? 0 : r;
                        p[1] = r == 40 && g == 40 ? 28 : g == 40 ? 0 : g;
                    }
            }
    }
    if (!writePng(argv[2], width, height, rgb)) {
        std::fprintf(stderr, "fontsheet: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
