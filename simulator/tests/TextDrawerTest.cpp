#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "image/Cp949.h"
#include "simulator/engine/TextDrawer.h"
#include "testsupport/Fifo.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

class TextDrawerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeTestFonts(dir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(dir.path().string(), failed)) << failed;
        drawer.setSignWidth(80);
    }

    // The bits of row y from column x, 16 of them, red plane.
    uint16_t redBits(int x, int y) const {
        uint16_t v = 0;
        for (int i = 0; i < 16; ++i)
            if (x + i >= 0 && x + i < 608 && planes->red.pixel(x + i, y))
                v |= static_cast<uint16_t>(0x8000 >> i);
        return v;
    }
    int litCount(const BitPlane& p) const {
        int n = 0;
        for (uint8_t b : p.bytes) n += __builtin_popcount(b);
        return n;
    }

    testing::TempDir dir;
    SignFonts fonts;
    TextDrawer drawer{fonts};
    std::unique_ptr<PlanePair> planes = std::make_unique<PlanePair>();
    const std::vector<uint16_t> red = std::vector<uint16_t>(64, 0x0000);
};

TEST(GlyphLookup, CodeRangesAndTheirEdges) {
    auto of = [](const char* s) { return glyphOf(std::string_view(s), 0); };
    EXPECT_EQ(of("\xB0\xA1").set, GlyphSet::Hangul);
    EXPECT_EQ(of("\xB0\xA1").index, 0);
    EXPECT_EQ(of("\xC8\xFE").index, 2349);
    EXPECT_EQ(of("\xA1\xC9").set, GlyphSet::Symbol);  // ℃
    EXPECT_EQ(of("\xA1\xC9").index, 40);
    EXPECT_EQ(of("\xAC\xFE").index, 1127);
    EXPECT_EQ(of("\xCA\xA1").set, GlyphSet::Hanja);
    EXPECT_EQ(of("\xCA\xA1").index, 0);
    EXPECT_EQ(of("\xFB\xFE").index, 4699);
    EXPECT_EQ(of("A").index, 'A' - 0x20);
    EXPECT_FALSE(of("A").doubleWidth);

    // No glyph, but the character's width: blank cells.
    for (const char* none : {"\x80\xA1", "\xA0\xA1", "\xC9\xA1", "\xFC\xA1", "\xFF\xFF", "\xAD\xA1",
                             "\xAF\xFE", "\xB0\x41", "\xB0\xFF"}) {
        const GlyphRef g = of(none);
        EXPECT_EQ(g.index, -1) << std::hex << int(uint8_t(none[0]));
        EXPECT_TRUE(g.doubleWidth);
        EXPECT_EQ(g.bytes, 2);
    }
    EXPECT_EQ(of("\x1F").index, -1);
    const GlyphRef end = glyphOf(std::string_view("A\xB0", 2), 1);  // text ends after a lead byte
    EXPECT_EQ(end.index, -1);
    EXPECT_EQ(end.bytes, 1);
    EXPECT_TRUE(end.doubleWidth);
}

TEST_F(TextDrawerTest, GlyphsComeFromTheirTables) {
    const std::string text = "\xB0\xA1\xC8\xFE\xA1\xC9\xFB\xFE";  // 가, the last syllable, ℃, the last Hanja
    std::vector<uint16_t> attrs(text.size(), 0);
    attrs[2] = 3 << 2;  // typeface 3 for the second syllable
    drawer.setSignWidth(608);
    drawer.drawText16(*planes, 1, 0, 0, text, attrs);
    EXPECT_EQ(redBits(0, 0), 0x0000);   // glyph 0
    EXPECT_EQ(redBits(0, 1), 0x0100);   // file 1: Hangul, typeface 0
    EXPECT_EQ(redBits(16, 0), 0x2D09);  // glyph 2349 = 0x092D, low byte first
    EXPECT_EQ(redBits(16, 1), 0x0400);  // file 4: Hangul, typeface 3
    EXPECT_EQ(redBits(32, 0), 0x2800);  // symbol 40
    EXPECT_EQ(redBits(32, 1), 0x0900);
    EXPECT_EQ(redBits(48, 0), 0x5B12);  // Hanja 4699 = 0x125B
    EXPECT_EQ(redBits(48, 1), 0x0A00);
}

TEST_F(TextDrawerTest, ClippingAtTheLeftAndStoppingAtTheRight) {
    drawer.drawText16(*planes, 1, -3, 0, "#", red);
    EXPECT_EQ(redBits(0, 5), 0xF800);  // the right five columns
    clearPair(*planes);
    drawer.drawText16(*planes, 1, -8, 0, "#", red);
    EXPECT_EQ(litCount(planes->red), 0);

    // Eleven characters on an 80-pixel sign: the eleventh would start at 80 and is not drawn;
    // from x = 4 the tenth straddles the edge and is drawn clipped.
    clearPair(*planes);
    drawer.drawText16(*planes, 1, 0, 0, "###########", red);
    EXPECT_EQ(litCount(planes->red), 80 * 16);
    clearPair(*planes);
    drawer.drawText16(*planes, 1, 4, 0, "##########", red);
    EXPECT_EQ(litCount(planes->red), 76 * 16);
    EXPECT_EQ(planes->red.row(0)[10], 0);  // nothing past the sign's bytes per row
}

TEST_F(TextDrawerTest, ForegroundAndBackgroundCodes) {
    // Half-inked glyph: the left half of each row.
    const std::vector<uint16_t> greenOnRed(1, (1 << 6) | (1 << 4));
    drawer.drawText16(*planes, 1, 0, 0, "|", greenOnRed);
    EXPECT_EQ(redBits(0, 3), 0x0F00);  // the un-inked half lit red
    EXPECT_EQ(planes->green.row(3)[0], 0xF0);
    clearPair(*planes);
    const std::vector<uint16_t> noneOnYellow(1, (3 << 6) | (3 << 4));
    drawer.drawText16(*planes, 1, 0, 0, "|", noneOnYellow);
    EXPECT_EQ(planes->red.row(3)[0], 0x0F);
    EXPECT_EQ(planes->green.row(3)[0], 0x0F);
    clearPair(*planes);
    drawer.drawPlainText16(*planes, 1, "|", 0, 0, kNone, kNone);  // neither ink nor background
    EXPECT_EQ(litCount(planes->red) + litCount(planes->green), 0);
    drawer.drawPlainText16(*planes, 1, "|", 0, 0, kYellow, kNone);
    EXPECT_EQ(planes->green.row(15)[0], 0xF0);
}

TEST_F(TextDrawerTest, MagnificationAndAdvance) {
    drawer.setSignWidth(608);
    // A double-byte character at scale 8 is 128 x 128; the next one starts at 128.
    const std::string text = "\xA1\xA1\xA1\xA1";  // two blank symbol glyphs
    const std::vector<uint16_t> redOnRed(text.size(), 1 << 4);
    drawer.drawText16(*planes, 8, 0, 0, text, redOnRed);
    EXPECT_EQ(litCount(planes->red), 2 * 128 * 128);
    EXPECT_TRUE(planes->red.pixel(255, 127));
    EXPECT_FALSE(planes->red.pixel(256, 0));
    EXPECT_FALSE(planes->red.pixel(0, 128));

    clearPair(*planes);
    drawer.drawText32(*planes, 4, 0, 0, "#", red);  // 64 x 128
    EXPECT_EQ(litCount(planes->red), 64 * 128);
    EXPECT_EQ(TextDrawer::advanceOf(FontFamily::Px32, true, 4), 128);
    EXPECT_EQ(TextDrawer::advanceOf(FontFamily::Px16, false, 9), 64);  // scales are clamped
}

TEST_F(TextDrawerTest, RowsBelowThePlanesAreNeverWritten) {
    drawer.drawText16(*planes, 8, 0, 100, "#", red);  // rows 100..227
    EXPECT_EQ(litCount(planes->red), 64 * 60);
    drawer.drawText16(*planes, 1, 0, -10, "#", red);  // rows -10..5
    EXPECT_TRUE(planes->red.pixel(0, 5));
}

TEST_F(TextDrawerTest, EnteringCharacter) {
    EntryCells cells;
    // On an 80-pixel sign, from x = 70: '#' at 70 fits, '|' at 78 is the first that does not.
    EXPECT_TRUE(drawer.renderEntryGlyph16(cells, 1, 70, "#|#", red));
    EXPECT_EQ(cells.red[0], 0xF0);
    EXPECT_FALSE(drawer.renderEntryGlyph16OnEdge(cells, 1, 70, "#|#", red));  // 80 - 78 - 1 = 1
    EXPECT_TRUE(drawer.renderEntryGlyph16OnEdge(cells, 1, 71, "|##", red));   // '#' at 79: o = 0
    EXPECT_EQ(cells.red[0], 0xFF);
    EXPECT_FALSE(drawer.renderEntryGlyph16(cells, 1, 0, "##", red));               // everything fits
    EXPECT_TRUE(drawer.renderEntryGlyph32(cells, 4, 0, "\xB0\xA1\xB0\xA1", red));  // 128 wide: never fits
}

TEST(SignFonts, MissingAndShortFiles) {
    testing::TempDir dir;
    SignFonts fonts;
    std::string failed;
    testing::writeTestFonts(dir.path().string(), 19);
    EXPECT_FALSE(fonts.loadFonts(dir.path().string(), failed));
    EXPECT_EQ(fontOpenFailedMessage(failed), "한문32 OPEN실패");

    std::filesystem::remove(dir.file("한글굴림체16.fnt"));
    EXPECT_FALSE(fonts.loadFonts(dir.path().string(), failed));
    EXPECT_EQ(failed, "한글굴림체16");

    // A file shorter than its table is refused like a missing one, with its own message.
    testing::TempDir other;
    testing::writeTestFonts(other.path().string(), -1, 9);  // 한문16 holds half its glyphs
    EXPECT_FALSE(fonts.loadFonts(other.path().string(), failed));
    EXPECT_EQ(failed, "한문16");
    EXPECT_EQ(fonts.failureMessage(failed), "한문16 파일이 손상되었습니다");
    EXPECT_FALSE(fonts.loaded());
    testing::writeTestFonts(other.path().string());
    ASSERT_TRUE(fonts.loadFonts(other.path().string(), failed));
    std::filesystem::remove(other.file("한글굴림체16.fnt"));
    EXPECT_FALSE(fonts.loadFonts(other.path().string(), failed));
    EXPECT_EQ(fonts.failureMessage(failed), "한글굴림체16 OPEN실패");
}

TEST(SpecialFilesNeverBlock, FontFilesThatAreFifos) {
    testing::TempDir dir;
    testing::writeTestFonts(dir.path().string());
    std::filesystem::remove(dir.file("한글굴림체16.fnt"));
    const testing::Fifo fifo(dir.file("한글굴림체16.fnt"));
    ASSERT_TRUE(fifo.made());
    std::string failed;
    EXPECT_EQ(fifo.returnsAtOnce(
                  [&](const std::string&) { return SignFonts().loadFonts(dir.path().string(), failed); }),
              false);
    EXPECT_EQ(failed, "한글굴림체16");
}

TEST(SignFonts, TheGeneratedFacesDiffer) {
    SignFonts fonts;
    std::string failed;
    ASSERT_TRUE(fonts.loadFonts(ORB_FONT_DIR, failed)) << failed;
    for (FontFamily family : {FontFamily::Px16, FontFamily::Px32}) {
        for (const char* ch : {"\xB0\xA1", "A"}) {
            const GlyphRef g = glyphOf(ch, 0);
            const int file = fontFileIndex(family, g.set, 0);
            const size_t bytes =
                static_cast<size_t>(kFontFileLayouts[static_cast<size_t>(file)].glyphBytes());
            std::vector<std::vector<uint8_t>> faces;
            for (int face = 0; face < 4; ++face) {
                const uint8_t* bits = fonts.glyphBits(family, face, g);
                ASSERT_NE(bits, nullptr);
                faces.emplace_back(bits, bits + bytes);
                EXPECT_NE(faces.back(), std::vector<uint8_t>(bytes, 0)) << "face " << face << " is blank";
            }
            for (int a = 0; a < 4; ++a)
                for (int b = a + 1; b < 4; ++b)
                    EXPECT_NE(faces[a], faces[b]) << ch << ": faces " << a << ", " << b;
        }
    }
}

}  // namespace
}  // namespace orb
