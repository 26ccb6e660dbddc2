#include <gtest/gtest.h>

#include "content/Rtf.h"

namespace orb {
namespace {

RichFormat fmt(std::string font, int halfPoints) {
    RichFormat f;
    f.font = std::move(font);
    f.halfPoints = halfPoints;
    return f;
}

TEST(Rtf, EveryFormatTheDialogSetsRoundTrips) {
    RichText text;
    RichFormat plain = fmt("NanumGothic", 42);
    plain.colour = Rgb{255, 0, 0};
    plain.background = Rgb{0, 0, 0};
    text.append("Hello {braces} \\ back", plain);
    RichFormat korean = fmt("나눔명조", 24);
    korean.bold = korean.italic = korean.underline = korean.strikeOut = true;
    korean.colour = Rgb{0, 255, 0};
    korean.background = Rgb{255, 255, 0};
    text.append("한글 똠 ☃", korean);
    text.newParagraph();
    RichFormat small = fmt("DejaVu Sans", 12);
    small.italic = true;
    text.append("second", small);
    text.newParagraph();
    text.newParagraph();
    text.append("after an empty one\t!", fmt("NanumGothic", 96));

    const std::string rtf = writeRtf(text);
    EXPECT_NE(rtf.find("\\u-10916"), std::string::npos);   // 한 (U+D55C) as \uN, signed
    EXPECT_NE(rtf.find("\\'c7\\'d1"), std::string::npos);  // and its CP949 bytes
    RichText back;
    ASSERT_EQ(readRtf(rtf, back), RtfResult::Ok);
    EXPECT_EQ(back, text);
}

TEST(Rtf, WriterStyleFileWithUnknownGroups) {
    // As LibreOffice Writer writes it: styles, info, page descriptions, rsids, \*-groups.
    const std::string rtf =
        "{\\rtf1\\ansi\\deff3\\adeflang1025\n"
        "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f1\\froman\\fprq2\\fcharset2 Symbol;}"
        "{\\f3\\fswiss\\fprq2\\fcharset129{\\*\\panose 020b0600000101010101}Nanum\\'b0\\'ed\\'b5\\'f1;}"
        "{\\f4\\fnil\\fprq2\\fcharset0{\\*\\falt Arial}Liberation Sans;}}\n"
        "{\\colortbl;\\red0\\green0\\blue0;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}\n"
        "{\\stylesheet{\\s0\\snext0\\ql\\widctlpar\\hyphpar0 Normal text;}{\\*\\cs15\\snext15 Emphasis;}}"
        "{\\*\\generator LibreOffice/7.4.7.2$Linux_X86_64}{\\info{\\creatim\\yr2026\\mo12\\dy8}"
        "{\\title Not the text}}{\\*\\userprops}\\deftab709\n"
        "\\hyphauto1\\viewscale100\\formshade{\\*\\pgdsctbl\n"
        "{\\pgdsc0\\pgdscuse451\\pgwsxn11906\\pghsxn16838 Default Page Style;}}\n"
        "\\formshade\\paperh16838\\paperw11906\\margl1134\\margr1134\\margt1134\\margb1134\\sectd"
        "\\sbknone\\pgndec\\sftnnar\\saftnnrlc\\sectunlocked1\\pgwsxn11906\\pghsxn16838"
        "{\\*\\ftnsep\\chftnsep}\\pgndec\\pard\\plain \\s0\\ql\\widctlpar\\hyphpar0\\ltrpar"
        "\\cf1\\dbch\\af5\\langfe1042\\dbch\\af6\\afs24\\alang1081\\loch\\f3\\fs24\\lang1033"
        "{\\cf2\\b\\rtlch \\ltrch\\loch\\fs40 Red bold}{\\rtlch \\ltrch\\loch  and }"
        "{\\cf3\\ul\\rtlch \\ltrch\\loch\\lang1042\\loch\\f3\\hich\\af3\\dbch\\af3\\uc2\\u44032\\'b0\\'a1}"
        "{\\*\\bkmkstart x}{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}"
        "\\par \\pard\\plain \\s0\\ql\\f4\\fs24\\i\\strike Second\\par }";
    RichText back;
    ASSERT_EQ(readRtf(rtf, back), RtfResult::Ok);
    ASSERT_EQ(back.paragraphs.size(), 2u);
    EXPECT_EQ(back.plainText(), "Red bold and 가link\nSecond");
    const auto& runs = back.paragraphs[0].runs;
    ASSERT_GE(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "Red bold");
    EXPECT_EQ(runs[0].format.font, "Nanum고딕");
    EXPECT_EQ(runs[0].format.halfPoints, 40);
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[0].format.colour, (Rgb{255, 0, 0}));
    EXPECT_FALSE(runs[1].format.bold);
    EXPECT_EQ(runs[1].format.colour, (Rgb{0, 0, 0}));
    EXPECT_EQ(runs[2].text, "가");
    EXPECT_TRUE(runs[2].format.underline);
    EXPECT_EQ(runs[2].format.colour, (Rgb{0, 128, 0}));
    const RichRun& second = back.paragraphs[1].runs.at(0);
    EXPECT_EQ(second.format.font, "Liberation Sans");
    EXPECT_TRUE(second.format.italic);
    EXPECT_TRUE(second.format.strikeOut);
}

TEST(Rtf, BadInputIsRefusedSafely) {
    RichText out;
    EXPECT_EQ(readRtf("", out), RtfResult::NotRtf);
    EXPECT_EQ(readRtf("GIF89a", out), RtfResult::NotRtf);
    EXPECT_EQ(readRtf("plain text {\\rtf1 hidden}", out), RtfResult::NotRtf);
    EXPECT_EQ(readRtf("{\\rtf1\\ansi Hello \\b wor", out), RtfResult::Truncated);
    EXPECT_EQ(out.plainText(), "Hello wor");  // what was read is kept for the caller to judge
    std::string deep = "{\\rtf1 ";
    for (int i = 0; i < 10000; ++i) deep += "{\\b ";
    deep += "x";
    for (int i = 0; i < 10000; ++i) deep += "}";
    deep += "}";
    EXPECT_EQ(readRtf(deep, out), RtfResult::TooDeep);
    // Dangling escapes at the end, a huge parameter, \bin past the end.
    EXPECT_EQ(readRtf("{\\rtf1 a\\'", out), RtfResult::Truncated);
    EXPECT_EQ(readRtf("{\\rtf1 \\fs99999999999999999 b\\u-99999999999 c}", out), RtfResult::Ok);
    EXPECT_EQ(readRtf("{\\rtf1 \\bin999999999 ", out), RtfResult::Truncated);
    EXPECT_EQ(readRtf(std::string(kMaxRtfBytes + 1, ' '), out), RtfResult::TooLarge);
}

TEST(Rtf, UnicodeFallbackIsNotReadTwice) {
    RichText out;
    ASSERT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg949\\uc2\\u44032\\'b0\\'a1\\u44033\\'b0\\'a2 \\'b0\\'a3}", out),
              RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "가각 간");
    ASSERT_EQ(readRtf("{\\rtf1\\uc1\\u-10179?\\u-8704?}", out), RtfResult::Ok);  // a surrogate pair
    EXPECT_EQ(out.plainText(), "\xF0\x9F\x98\x80");
}

// Files as word processors write them in each code page: the document's \ansicpgN names it, the
// bytes of its text come as \'hh.
TEST(Rtf, BytesDecodeThroughTheDocumentsCodePage) {
    struct Case {
        int codePage;
        std::string bytes, text;
    };
    const Case cases[] = {
        {932, "\\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'82\\'cc\\'83\\'65\\'83\\'4c\\'83\\'58\\'83\\'67",
         "日本語のテキスト"},
        {936, "\\'d6\\'d0\\'ce\\'c4\\'ce\\'c4\\'b1\\'be", "中文文本"},
        {950, "\\'a4\\'a4\\'a4\\'e5\\'c1\\'63\\'c5\\'e9", "中文繁體"},
        {1250, "\\'a3\\'f3d\\'9f \\'8elu\\'9dou\\'e8k\\'fd", "Łódź Žluťoučký"},
        {1251, "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2, \\'ec\\'e8\\'f0", "Привет, мир"},
        {1252, "caf\\'e9 \\'80 \\'93quoted\\'94", "café € “quoted”"},
        {1253, "\\'c5\\'eb\\'eb\\'dc\\'e4\\'e1", "Ελλάδα"},
        {1254, "\\'ddstanbul \\'f0\\'fc\\'fe", "İstanbul ğüş"},
        {1255, "\\'f9\\'ec\\'e5\\'ed", "שלום"},
        {1256, "\\'d3\\'e1\\'c7\\'e3", "سلام"},
        {1257, "\\'c0\\'feuolas \\'cd\\'e7\\'edis", "Ąžuolas Ķēķis"},
        // Marks after a letter compose with it; the last letter is not held back.
        {1258, "\\'d0\\'e3ng Vi\\'ea\\'f2t \\'ea", "Đăng Việt ê"},
        {437, "Gr\\'81\\'e1e \\'b0\\'b1", "Grüße ░▒"},
        {850, "\\'a5and\\'a3 \\'b8", "Ñandú ©"},
        {949, "\\'c7\\'d1\\'b1\\'b9\\'be\\'ee \\'b9\\'ae\\'c0\\'e5", "한국어 문장"},
    };
    for (const Case& c : cases) {
        const std::string rtf = "{\\rtf1\\ansi\\ansicpg" + std::to_string(c.codePage) +
                                "\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\\pard\\f0\\fs24 " +
                                c.bytes + "\\par}";
        RichText out;
        EXPECT_EQ(readRtf(rtf, out), RtfResult::Ok) << c.codePage;
        EXPECT_EQ(out.plainText(), c.text) << c.codePage;
    }
}

// A font whose character set differs from the document's decodes its bytes, and its name, by its
// own; \mac and \pc name code pages too.
TEST(Rtf, FontCharacterSetsAndOtherCodePageWords) {
    const std::string rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}"
        "{\\f1\\froman\\fcharset204 Times New Roman Cyr;}"
        "{\\f2\\fmodern\\fcharset128 \\'82\\'6c\\'82\\'72 \\'96\\'be\\'92\\'a9;}"
        "{\\f3\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}"
        "\\pard\\plain\\f0 na\\'efve {\\f1 \\'d2\\'e5\\'ea\\'f1\\'f2} {\\f2\\'93\\'fa\\'96\\'7b}"
        " {\\f3\\'d6\\'d0}\\par}";
    RichText out;
    ASSERT_EQ(readRtf(rtf, out), RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "naïve Текст 日本 中");
    const auto& runs = out.paragraphs.at(0).runs;
    ASSERT_GE(runs.size(), 5u);
    EXPECT_EQ(runs[3].format.font, "ＭＳ 明朝");
    EXPECT_EQ(runs.back().format.font, "宋体");

    ASSERT_EQ(readRtf("{\\rtf1\\mac caf\\'8e}", out), RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "café");
    ASSERT_EQ(readRtf("{\\rtf1\\pc \\'b0 \\'81}", out), RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "░ ü");
    ASSERT_EQ(readRtf("{\\rtf1\\ansi \\'c7\\'d1\\'b1\\'db}", out), RtfResult::Ok);  // none named: CP949
    EXPECT_EQ(out.plainText(), "한글");
}

// Bytes no character stands for, a character cut off by the group's end: each becomes U+FFFD and
// the rest still reads.
TEST(Rtf, UndecodableBytesBecomeReplacementCharacters) {
    RichText out;
    ASSERT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg932 {\\'93}\\'93\\'fa}", out), RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "\uFFFD日");
    ASSERT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg1253 \\'aa a}", out), RtfResult::Ok);  // unassigned
    EXPECT_EQ(out.plainText(), "\uFFFD a");
}

// A code page or character set not known here is refused with a message, not read as Latin-1;
// a file whose text needs none (ASCII and \uN) still reads.
TEST(Rtf, UnknownCodePagesAreRefused) {
    RichText out;
    EXPECT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg1234 caf\\'e9}", out), RtfResult::UnknownCodePage);
    EXPECT_NE(std::string(toText(RtfResult::UnknownCodePage)).find("code page"), std::string::npos);
    EXPECT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset99 X;}}\\f0 \\'e9}", out),
              RtfResult::UnknownCodePage);
    EXPECT_EQ(readRtf("{\\rtf1\\ansi\\ansicpg1234 plain \\u233?}", out), RtfResult::Ok);
    EXPECT_EQ(out.plainText(), "plain é");
}

}  // namespace
}  // namespace orb
