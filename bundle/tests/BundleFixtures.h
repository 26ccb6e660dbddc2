#pragma once
// A project of every kind of line with its picture files in a scratch folder, for the bundle
// tests.
#include <string>
#include <vector>

#include "content/Rtf.h"
#include "image/ItemStore.h"
#include "testsupport/ItemBuilder.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

inline std::vector<uint8_t> colourBmp(int width, int height) {
    BmpRecipe r;
    r.width = width;
    r.height = height;
    r.colour = [](int x, int y) {
        return Rgb{static_cast<uint8_t>(x * 40), static_cast<uint8_t>((x + y) % 3 ? 200 : 0), 0};
    };
    return makeBmp(r);
}

inline std::vector<uint8_t> threeFrameGif() {
    GifFrameSpec a;
    a.width = a.height = 8;
    a.indexes.assign(64, 1);
    a.delay = 10;
    GifFrameSpec b = a;
    b.left = 2;
    b.width = 4;
    b.indexes.assign(32, 2);
    return makeGif(8, 8, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}}, {a, b, a});
}

inline std::vector<uint8_t> phraseRtf() {
    RichText text;
    text.newParagraph();
    text.append("오늘의 문구", {});
    const std::string rtf = writeRtf(text);
    return {rtf.begin(), rtf.end()};
}

// Pictures in DIR, and a store whose items use every kind: a sentence; a bitmap and an animation;
// a clock, a D-day and a temperature; a phrase; a title and sentence; the bitmap again, and a
// bitmap whose long file name has Hangul, a space and a colon.
struct EveryKindProject {
    std::string logo, spinner, phraseBmp, phraseRtf, hangul;
    ItemStore store;

    explicit EveryKindProject(const TempDir& dir) {
        std::filesystem::create_directories(dir.path() / "그림");
        logo = dir.file("logo.bmp");
        spinner = dir.file("spinner.gif");
        phraseBmp = dir.file("RTF/001.bmp");
        phraseRtf = dir.file("RTF/001.rtf");
        std::string longName = "로고 2:1 ";
        for (int i = 0; i < 30; ++i) longName += "긴";
        hangul = (dir.path() / "그림" / (longName + ".bmp")).string();
        std::filesystem::create_directories(dir.path() / "RTF");
        writeFileBytes(logo, colourBmp(40, 16));
        writeFileBytes(spinner, threeFrameGif());
        writeFileBytes(phraseBmp, colourBmp(24, 16));
        writeFileBytes(phraseRtf, testing::phraseRtf());
        writeFileBytes(hangul, colourBmp(16, 16));

        const uint16_t red = word(TextColour::Red, BackgroundColour::Black, Typeface::Gulim);
        ItemRecord phrase = ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
                                .kind(1, ContentKind::BitmapPhrase, {2, 0, 0, 2, 0, 0, 0})
                                .picture(1, 24, 16, phraseBmp)
                                .item;
        phrase.line(1).setRtfPath(cp949(phraseRtf));
        const std::vector<ItemRecord> items = {
            ItemBuilder(LayoutCode::OneLine, {2, 0, 0})
                .kind(1, ContentKind::Sentence)
                .text(1, "안녕 LED", red)
                .item,
            ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
                .kind(1, ContentKind::Bitmap, {1, 0, 0, 2, 1, 0, 0})
                .picture(1, 40, 16, logo)
                .kind(2, ContentKind::Animation)
                .picture(2, 8, 8, spinner)
                .frames(2, 3, 2)
                .item,
            ItemBuilder(LayoutCode::ThreeLines, {1, 1, 1})
                .kind(1, ContentKind::Clock, {0, 0, 0, 4, 0, 0, 0})
                .kind(2, ContentKind::Dday)
                .ddayDate(2, {2027, 1, 1})
                .text(2, "새해까지", red)
                .kind(3, ContentKind::Temperature, {0, 0, 0, 4, 0, 0, 0})
                .item,
            phrase,
            ItemBuilder(LayoutCode::TitleAndSentence, {1, 1, 0})
                .kind(2, ContentKind::Sentence, {1, 0, 0, 2, 2, 0, 0})
                .text(1, "공지", red)
                .text(2, "오늘은 휴무입니다", red)
                .item,
            ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
                .kind(1, ContentKind::Bitmap)
                .picture(1, 40, 16, logo)
                .kind(2, ContentKind::Bitmap)
                .picture(2, 16, 16, hangul)
                .item,
        };
        for (size_t i = 0; i < items.size(); ++i) store.writeRecord(static_cast<int>(i), items[i]);
        SettingsBlock s;
        s.setSignWidth(10);
        s.setSignHeight(3);
        s.setBrightness(5);
        store.writeSettings(s);
    }
};

}  // namespace orb::testing
