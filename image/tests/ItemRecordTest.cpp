#include <gtest/gtest.h>

#include <vector>

#include "image/AttributeWord.h"
#include "image/CodeLists.h"
#include "image/ItemRecord.h"

namespace orb {
namespace {

std::vector<uint8_t> slice(const auto& bytes, size_t from, size_t n) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
            bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

TEST(ItemHeader, NewTwoLineItem) {
    ItemHeader h = ItemHeader::newItem(LayoutCode::TwoLines, {2, 1, 5});
    EXPECT_EQ(slice(h.bytes, 0, 6), (std::vector<uint8_t>{0xFE, 0xFE, 0x02, 0x02, 0x01, 0x00}));
    EXPECT_EQ(slice(h.bytes, 6, 122), std::vector<uint8_t>(122, 0));
}

TEST(ItemHeader, PerLineFieldsLandAtTheirBytes) {
    ItemHeader h;
    h.setDdayDate(2, {2026, 12, 25});
    EXPECT_EQ(slice(h.bytes, 61, 4), (std::vector<uint8_t>{0x07, 0xEA, 0x0C, 0x19}));

    h.setEffects(3, {1, 2, 3, 4, 5, 6, 7});
    EXPECT_EQ(slice(h.bytes, 23, 7), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7}));
    h.setPictureSize(2, 800, 0x0102);
    EXPECT_EQ(slice(h.bytes, 34, 4), (std::vector<uint8_t>{0x03, 0x20, 0x01, 0x02}));
    h.setFrameCount(3, 0x1234);
    EXPECT_EQ(slice(h.bytes, 46, 2), (std::vector<uint8_t>{0x12, 0x34}));
    h.setAnimationSpeed(2, 4);
    EXPECT_EQ(h.bytes[49], 4);
    h.setStartSector(2, 0xFFFF);
    EXPECT_EQ(slice(h.bytes, 53, 2), (std::vector<uint8_t>{0xFF, 0xFF}));
    h.setKind(3, ContentKind::Temperature);
    EXPECT_EQ(h.bytes[8], 7);
    h.setWindow({9, 30}, {18, 5});
    EXPECT_EQ(slice(h.bytes, 81, 4), (std::vector<uint8_t>{9, 30, 18, 5}));

    // Nothing spilled into the reserved bytes, and every field reads back.
    EXPECT_EQ(slice(h.bytes, 69, 12), std::vector<uint8_t>(12, 0));
    EXPECT_EQ(slice(h.bytes, 85, 43), std::vector<uint8_t>(43, 0));
    EXPECT_EQ(h.ddayDate(2), (DdayDate{2026, 12, 25}));
    EXPECT_EQ(h.effects(3), (EffectBlock{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(h.effects(2), EffectBlock{});
    EXPECT_EQ(h.pictureWidth(2), 800);
    EXPECT_EQ(h.pictureHeight(2), 0x0102);
    EXPECT_EQ(h.frameCount(3), 0x1234);
    EXPECT_EQ(h.startSector(2), 0xFFFF);
    EXPECT_EQ(h.windowEnd(), (ClockTime{18, 5}));
}

TEST(LinePayload, TextAndAttributeWords) {
    LinePayload p;
    const uint16_t yellowOnGreenMagic =
        toAttributeWord({TextColour::Yellow, BackgroundColour::Green, Typeface::Magic});
    EXPECT_EQ(yellowOnGreenMagic, 0x00AC);
    EXPECT_EQ(toAttributeWord({}), 0x0000);  // red on black, gulim

    ASSERT_TRUE(p.setText("A\xB0\xA1", yellowOnGreenMagic));  // "A가"
    EXPECT_EQ(slice(p.bytes, 0, 4), (std::vector<uint8_t>{0x41, 0xB0, 0xA1, 0x00}));
    // Word 0 for A, word 1 for the first byte of 가; word 2 (its second byte) unused.
    EXPECT_EQ(slice(p.bytes, 512, 6), (std::vector<uint8_t>{0x00, 0xAC, 0x00, 0xAC, 0x00, 0x00}));
    EXPECT_EQ(p.text(), "A\xB0\xA1");
    EXPECT_EQ(fromAttributeWord(p.attributeWord(1)).typeface, Typeface::Magic);

    // A shorter text clears what the longer one left behind.
    ASSERT_TRUE(p.setText("B"));
    EXPECT_EQ(slice(p.bytes, 1, 3), std::vector<uint8_t>(3, 0));
    EXPECT_EQ(p.attributeWord(1), 0);
    EXPECT_EQ(p.attributeWord(0), 0x00AC);
}

TEST(LinePayload, LimitsOfTextAndPaths) {
    LinePayload p;
    EXPECT_TRUE(p.setText(std::string(511, 'x')));
    EXPECT_FALSE(p.setText(std::string(512, 'y')));
    EXPECT_EQ(p.text(), std::string(511, 'x'));  // the refused text changed nothing

    // A stored block without its zero reads as at most 511 bytes, never into the words.
    std::fill(p.bytes.begin(), p.bytes.end(), 'z');
    EXPECT_EQ(p.text().size(), 511u);
    EXPECT_EQ(p.rtfPath().size(), 511u);
    EXPECT_EQ(p.attributeWord(512), 0);  // past the 512 words

    LinePayload phrase;
    ASSERT_TRUE(phrase.setPath("/home/sign/RTF/003.bmp"));
    ASSERT_TRUE(phrase.setRtfPath("/home/sign/RTF/003.rtf"));
    EXPECT_EQ(slice(phrase.bytes, 512, 4), (std::vector<uint8_t>{'/', 'h', 'o', 'm'}));
    EXPECT_EQ(phrase.path(), "/home/sign/RTF/003.bmp");
    EXPECT_FALSE(phrase.setPath(std::string("a\0b", 3)));
}

TEST(ItemRecord, PayloadsSitAtTheirOffsets) {
    ItemRecord r;
    r.header.bytes[127] = 1;
    r.line(1).bytes[0] = 2;
    r.line(2).bytes[0] = 3;
    r.line(3).bytes[1535] = 4;
    std::array<uint8_t, ItemRecord::kSize> bytes{};
    r.toBytes(bytes);
    EXPECT_EQ(bytes[127], 1);
    EXPECT_EQ(bytes[128], 2);
    EXPECT_EQ(bytes[1664], 3);
    EXPECT_EQ(bytes[4735], 4);
    EXPECT_EQ(ItemRecord::fromBytes(bytes), r);
}

TEST(CodeLists, EntryListsDependOnTheLineKind) {
    EXPECT_STREQ(entryEffectsFor(ContentKind::Bitmap)[2], "3. 위로 지나가기(스크롤)");
    EXPECT_STREQ(entryEffectsFor(ContentKind::BitmapPhrase)[3], "3. 오른쪽에서 들어오기");
    EXPECT_STREQ(entryEffectsFor(ContentKind::Sentence)[2], "3. 오른쪽에서 들어오기");
    EXPECT_EQ(textEntryEffects().size(), 10u);
    EXPECT_EQ(pictureEntryEffects().size(), 11u);
    EXPECT_EQ(holdEffects().size(), 8u);
    EXPECT_EQ(exitEffects().size(), 9u);
    EXPECT_STREQ(labelOf(heights(), 7), "128픽셀");
    EXPECT_STREQ(labelOf(layoutNames(), 4), "제목과문장");
    EXPECT_STREQ(labelOf(layoutNames(), 5), "");
    EXPECT_STREQ(labelOf(contentKindNames(), 200), "");
}

}  // namespace
}  // namespace orb
