#include <gtest/gtest.h>

#include "content/SentenceText.h"

namespace orb {
namespace {

SentenceChar ch(char32_t c, TextColour t = TextColour::Red, BackgroundColour b = BackgroundColour::Black,
                Typeface f = Typeface::Gulim) {
    return {c, {t, b, f}};
}

uint8_t at(const LinePayload& p, size_t i) {
    return p.bytes[i];
}

TEST(SentenceText, RedLetterThenGreenHangul) {
    // A = 0x41, 가 = 0xB0 0xA1 in CP949.
    const LinePayload p = EncodeSentence({ch('A'), ch(U'가', TextColour::Green)});
    EXPECT_EQ(at(p, 0), 0x41);
    EXPECT_EQ(at(p, 1), 0xB0);
    EXPECT_EQ(at(p, 2), 0xA1);
    EXPECT_EQ(at(p, 3), 0x00);
    // Words 0 and 1 at bytes 512..515: 00 00, 00 40; the trail byte's word stays 0.
    EXPECT_EQ(at(p, 512), 0x00);
    EXPECT_EQ(at(p, 513), 0x00);
    EXPECT_EQ(at(p, 514), 0x00);
    EXPECT_EQ(at(p, 515), 0x40);
    EXPECT_EQ(p.attributeWord(2), 0);
    for (size_t i = 516; i < LinePayload::kSize; ++i) ASSERT_EQ(at(p, i), 0) << i;
}

TEST(SentenceText, EveryColourBackgroundAndFontCode) {
    SentenceText text;
    for (int t = 0; t < 4; ++t)
        for (int b = 0; b < 4; ++b)
            for (int f = 0; f < 4; ++f)
                text.push_back(ch('a' + static_cast<char32_t>(f), static_cast<TextColour>(t),
                                  static_cast<BackgroundColour>(b), static_cast<Typeface>(f)));
    const LinePayload p = EncodeSentence(text);
    for (unsigned k = 0; k < 64; ++k) {
        const unsigned t = k / 16, b = k / 4 % 4, f = k % 4;
        ASSERT_EQ(p.attributeWord(k), (t << 6) | (b << 4) | (f << 2)) << k;
    }
    // The two words the item record's examples give.
    EXPECT_EQ(toAttributeWord({TextColour::Red, BackgroundColour::Black, Typeface::Gulim}), 0x0000);
    EXPECT_EQ(toAttributeWord({TextColour::Yellow, BackgroundColour::Green, Typeface::Magic}), 0x00AC);
    EXPECT_EQ(DecodeSentence(p), text);
}

TEST(SentenceText, SixHundredBytesKeep511) {
    const SentenceText text(600, ch('x'));
    const LinePayload p = EncodeSentence(text);
    EXPECT_EQ(p.text().size(), 511u);
    EXPECT_EQ(at(p, 511), 0);
    EXPECT_EQ(p.attributeWord(511), 0);
    EXPECT_TRUE(exceedsTextArea(text));
    EXPECT_EQ(encodedLength(text), 511u);
}

TEST(SentenceText, CutNeverSplitsATwoByteCharacter) {
    // 510 one-byte characters, then Hangul: the character at bytes 510-511 would not fit.
    SentenceText text(510, ch('x'));
    for (int i = 0; i < 40; ++i) text.push_back(ch(U'한', TextColour::Yellow));
    const LinePayload p = EncodeSentence(text);
    EXPECT_EQ(p.text().size(), 510u);
    EXPECT_EQ(at(p, 510), 0);
    EXPECT_EQ(p.attributeWord(510), 0);

    // 509 one-byte characters: the Hangul at bytes 509-510 fits, the next does not.
    SentenceText odd(509, ch('x'));
    for (int i = 0; i < 40; ++i) odd.push_back(ch(U'한', TextColour::Yellow));
    const LinePayload q = EncodeSentence(odd);
    EXPECT_EQ(q.text().size(), 511u);
    EXPECT_EQ(q.attributeWord(509), 0x80);
    EXPECT_EQ(q.attributeWord(510), 0);
}

TEST(SentenceText, DecodeThenEncodeGivesThePayload) {
    LinePayload stored;
    const std::string text = "D\xB0\xA1!\xC7\xD1";  // D가!한
    ASSERT_TRUE(stored.setText(text));
    stored.setAttributeWord(0, 0x0044);
    stored.setAttributeWord(1, 0x00AC);
    stored.setAttributeWord(3, 0x00C0);
    stored.setAttributeWord(4, 0x0018);
    const SentenceText decoded = DecodeSentence(stored);
    ASSERT_EQ(decoded.size(), 4u);
    EXPECT_EQ(decoded[1].code, U'가');
    EXPECT_EQ(decoded[1].attributes.typeface, Typeface::Magic);
    EXPECT_EQ(EncodeSentence(decoded), stored);
}

TEST(SentenceText, ControlAndForeignCharacters) {
    // Line breaks and tabs are not stored; a character CP949 lacks becomes '?'.
    const LinePayload p = EncodeSentence({ch('a'), ch('\n'), ch('\t'), ch(U'\x2603'), ch(U'똠')});
    EXPECT_EQ(p.text(), std::string("a?\x8c\x63", 4));
    EXPECT_EQ(glyphKind(U'가'), Glyph::Shown);
    EXPECT_EQ(glyphKind('A'), Glyph::Shown);
    EXPECT_EQ(glyphKind(U'똠'), Glyph::NoGlyph);
    EXPECT_EQ(glyphKind(U'\x2603'), Glyph::NotCp949);
    EXPECT_EQ(glyphKind('\r'), Glyph::ControlChar);
}

TEST(SentenceText, DamagedStoredBytesDecodeSafely) {
    LinePayload stored;
    std::fill(stored.bytes.begin(), stored.bytes.end(), uint8_t{0xFF});
    const SentenceText decoded = DecodeSentence(stored);
    EXPECT_FALSE(decoded.empty());
    for (const SentenceChar& c : decoded) EXPECT_EQ(c.code, U'\xFFFD');
    EXPECT_LE(EncodeSentence(decoded).text().size(), LinePayload::kMaxText);
}

TEST(SentenceText, TenThousandCharacters) {
    const SentenceText text(10000, ch(U'가', TextColour::Green));
    const LinePayload p = EncodeSentence(text);
    EXPECT_EQ(p.text().size(), 510u);
    EXPECT_EQ(DecodeSentence(p).size(), 255u);
}

}  // namespace
}  // namespace orb
