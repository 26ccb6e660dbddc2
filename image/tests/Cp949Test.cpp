#include <gtest/gtest.h>

#include "image/Cp949.h"

namespace orb {
namespace {

TEST(Cp949, ConvertsBothWays) {
    EXPECT_EQ(utf8ToCp949("A가"), std::optional<std::string>("A\xB0\xA1"));
    EXPECT_EQ(cp949ToUtf8("A\xB0\xA1"), std::optional<std::string>("A가"));
    EXPECT_EQ(utf8ToCp949("똠"), std::optional<std::string>("\x8C\x63"));  // a CP949 extension syllable
    EXPECT_EQ(cp949ToUtf8(utf8ToCp949("℃ 漢字 ♥").value()), std::optional<std::string>("℃ 漢字 ♥"));
    // A long text crosses the converter's buffer.
    std::string many;
    for (int i = 0; i < 1000; ++i) many += "전광판";
    EXPECT_EQ(cp949ToUtf8(utf8ToCp949(many).value()), std::optional<std::string>(many));
}

TEST(Cp949, RefusesWhatItCannotConvert) {
    EXPECT_EQ(utf8ToCp949("😀"), std::nullopt);
    EXPECT_EQ(utf8ToCp949("\xFF"), std::nullopt);
    EXPECT_EQ(cp949ToUtf8("\xB0"), std::nullopt);  // a lead byte without its trail
    EXPECT_EQ(cp949ToUtf8("\xFF\xFF"), std::nullopt);
}

TEST(Cp949, LossyConversionKeepsTheGoodParts) {
    EXPECT_EQ(cp949ToUtf8Lossy("A\xFF\xFF"
                               "B"),
              "A\uFFFDB");
    EXPECT_EQ(cp949ToUtf8Lossy("\xB0"
                               " \xB0\xA1"),
              "\uFFFD 가");  // a space after a bad lead survives
    EXPECT_EQ(cp949ToUtf8Lossy("\xB0\xA1\xB0"), "가\uFFFD");
}

TEST(Cp949, TellsCharactersTheSignCannotShow) {
    EXPECT_FALSE(hasNonKsx1001("A\xB0\xA1 \xA1\xC9"));  // A, 가, ℃
    EXPECT_FALSE(hasNonKsx1001(""));
    EXPECT_TRUE(hasNonKsx1001("\x8C\x63"));  // 똠
    EXPECT_TRUE(hasNonKsx1001("A\xB0"));     // a text ending after a lead byte
    EXPECT_TRUE(hasNonKsx1001("\xC6\x41"));  // extension trail byte
}

}  // namespace
}  // namespace orb
