#pragma once
// A program of every layout and every kind, with picture files of every sort the program writer
// meets, written into a test's folder: for the tests that send, read back and build programs.
#include <functional>
#include <string>
#include <vector>

#include "image/ItemRecord.h"
#include "testsupport/ItemBuilder.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

inline std::string writeFile(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    testing::writeFileBytes(dir.file(name), bytes);
    return dir.file(name);
}

// Every colour the thresholds tell apart, on a width that leaves bits over in each row.
inline std::vector<uint8_t> patternBmp(int width, int height, int bits) {
    testing::BmpRecipe s;
    s.width = width, s.height = height, s.bits = bits;
    const std::vector<Rgb> colours = {{0, 0, 0},     {255, 0, 0},     {0, 255, 0},
                                      {255, 255, 0}, {255, 255, 255}, {90, 200, 30}};
    s.palette = colours;
    s.index = [](int x, int y) { return (x * 3 + y) % 6; };
    s.colour = [&colours](int x, int y) { return colours[static_cast<size_t>((x + 2 * y) % 6)]; };
    return testing::makeBmp(s);
}

// Frames drawn over one another: a whole red frame, a green one with a transparent hole, a white
// square (dark on the sign) over it.
inline std::vector<uint8_t> layeredGif() {
    auto frame = [](int left, int top, int w, int h, std::function<uint8_t(int, int)> index) {
        testing::GifFrameSpec f;
        f.left = left, f.top = top, f.width = w, f.height = h;
        f.indexes.resize(static_cast<size_t>(w * h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) f.indexes[static_cast<size_t>(y * w + x)] = index(x, y);
        f.delay = 10, f.transparent = 0;
        return f;
    };
    return testing::makeGif(21, 11, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 255}},
                            {frame(0, 0, 21, 11, [](int x, int) { return uint8_t(x % 3 ? 1 : 2); }),
                             frame(2, 1, 15, 9, [](int x, int y) { return uint8_t((x + y) % 4 ? 2 : 0); }),
                             frame(5, 3, 6, 5, [](int, int) { return uint8_t(3); })});
}

inline std::vector<uint8_t> oneFrameGif() {
    testing::GifFrameSpec f;
    f.width = 12, f.height = 7;
    f.indexes.assign(12 * 7, 1);
    return testing::makeGif(12, 7, {{0, 0, 0}, {255, 0, 0}}, {f});
}

// One item of every layout and every kind, with pictures of every sort the writer meets: a bitmap,
// a phrase, a layered animation, a one-frame GIF (size, no frames) and a missing file (no
// picture at all).
inline std::vector<ItemRecord> everyKind(const TempDir& media) {
    const std::string bmp = writeFile(media, "pattern.bmp", patternBmp(37, 20, 24));
    const std::string phrase = writeFile(media, "001.bmp", patternBmp(64, 16, 8));
    const std::string gif = writeFile(media, "layered.gif", layeredGif());
    const std::string single = writeFile(media, "single.gif", oneFrameGif());
    const uint16_t yellow = word(TextColour::Yellow, BackgroundColour::Green, Typeface::Magic);
    return {
        ItemBuilder(LayoutCode::OneLine, {2, 0, 0})
            .kind(1, ContentKind::Sentence, {1, 2, 3, 4, 1, 2, 3})
            .text(1, "어서 오세요! A가", yellow)
            .window({9, 30}, {18, 5})
            .item,
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Clock, {0, 0, 0, 4, 2, 0, 0})
            .kind(2, ContentKind::Temperature, {0, 0, 0, 9, 4, 0, 0})
            .item,
        ItemBuilder(LayoutCode::ThreeLines, {1, 2, 1})
            .kind(1, ContentKind::Dday, {0, 0, 0, 0, 3, 0, 0})
            .ddayDate(1, {2027, 1, 1})
            .text(1, "새해까지", word(TextColour::Green, BackgroundColour::Black, Typeface::Gungseo))
            .kind(2, ContentKind::Bitmap, {2, 3, 4, 5, 1, 1, 1})
            .picture(2, 37, 20, bmp)
            .kind(3, ContentKind::BitmapPhrase, {7, 0, 8, 1, 0, 0, 0})
            .picture(3, 64, 16, phrase)
            .item,
        ItemBuilder(LayoutCode::TitleAndSentence, {1, 1, 0})
            .kind(2, ContentKind::Sentence, {1, 0, 0, 2, 2, 0, 0})
            .text(1, "공지사항", word(TextColour::Red, BackgroundColour::Black, Typeface::Yet))
            .text(2, "영업시간은 오전 10시부터",
                  word(TextColour::Green, BackgroundColour::Red, Typeface::Gulim))
            .item,
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Animation)
            .picture(1, 21, 11, gif)
            .frames(1, 3, 4)
            .kind(2, ContentKind::Animation)
            .picture(2, 12, 7, single)
            .frames(2, 0, 1)
            .item,
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Bitmap)
            .picture(1, 40, 16, media.file("missing.bmp"))
            .item,
    };
}

}  // namespace orb::testing
