#pragma once
// The benchmarks' large program: 100 one-line items, a third 800 x 160 bitmaps, a third
// 50-frame animations of 160 x 64, a third sentences, for a sign of 40 x 8 modules. The picture
// files are written into DIR.
#include <string>
#include <vector>

#include "image/Cp949.h"
#include "image/ItemStore.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb::testing {

// The 100 items alone; the bitmaps name BMP and the animations GIF.
inline void writeBenchItems(ItemStore& store, const std::string& bmp, const std::string& gif) {
    for (int i = 0; i < 100; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
        switch (i % 3) {
            case 0:
                r.header.setKind(1, ContentKind::Bitmap);
                r.line(1).setPath(bmp);
                break;
            case 1:
                r.header.setKind(1, ContentKind::Animation);
                r.line(1).setPath(gif);
                break;
            default:
                r.header.setKind(1, ContentKind::Sentence);
                r.line(1).setText(utf8ToCp949("전광판 문장 " + std::to_string(i)).value(), 0x0040);
        }
        store.writeRecord(i, r);
    }
}

// The pictures the items name: DIR/picture.bmp and DIR/anim.gif.
inline void writeBenchPictures(const TempDir& dir) {
    BmpRecipe bmp;
    bmp.width = 800;
    bmp.height = 160;
    bmp.colour = [](int x, int y) { return Rgb{uint8_t(x * 7 + y), uint8_t(x ^ y), uint8_t(y * 3)}; };
    writeFileBytes(dir.file("picture.bmp"), makeBmp(bmp));

    std::vector<GifFrameSpec> frames(50);
    for (size_t k = 0; k < frames.size(); ++k) {
        frames[k].width = 160;
        frames[k].height = 64;
        frames[k].indexes.resize(160 * 64);
        for (size_t i = 0; i < frames[k].indexes.size(); ++i) frames[k].indexes[i] = uint8_t((i / 7 + k) % 4);
    }
    writeFileBytes(dir.file("anim.gif"),
                   makeGif(160, 64, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}}, frames));
}

inline void writeBenchProgram(const TempDir& dir, ItemStore& store) {
    writeBenchPictures(dir);
    writeBenchItems(store, dir.file("picture.bmp"), dir.file("anim.gif"));
    SettingsBlock settings;
    store.readSettings(settings);
    settings.setSignWidth(40);
    settings.setSignHeight(8);
    settings.correct();
    store.writeSettings(settings);
}

// The transfer benchmarks' program: ten one-line bitmap items of 800 x 160 (63 sectors each),
// about 630 frames of 512 bytes; the bitmap is DIR/p.bmp.
inline void writeTransferProgram(const TempDir& dir, ItemStore& store) {
    BmpRecipe bmp;
    bmp.width = 800;
    bmp.height = 160;
    bmp.colour = [](int x, int y) { return Rgb{uint8_t(x * 5), uint8_t(y * 7), 0}; };
    writeFileBytes(dir.file("p.bmp"), makeBmp(bmp));
    for (int i = 0; i < 10; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
        r.header.setKind(1, ContentKind::Bitmap);
        r.line(1).setPath(dir.file("p.bmp"));
        store.writeRecord(i, r);
    }
}

// The largest program the store holds: 100 three-line items, every line a sentence of the
// longest text in which each character has other colours than its neighbours.
inline void writeLargestProgram(ItemStore& store) {
    for (int i = 0; i < ItemStore::kRecords; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::ThreeLines, {2, 3, 3});
        for (int line = 1; line <= 3; ++line) {
            r.header.setKind(line, ContentKind::Sentence);
            r.line(line).setText(std::string(LinePayload::kMaxText, 'A'));
            for (size_t k = 0; k < LinePayload::kMaxText; ++k)
                r.line(line).setAttributeWord(k, static_cast<uint16_t>((k % 2) << 6));
        }
        store.writeRecord(i, r);
    }
}

}  // namespace orb::testing
