#include <gtest/gtest.h>

#include <fstream>

#include "content/BmpFile.h"
#include "testsupport/PictureFixtures.h"

namespace orb {
namespace {

using testing::BmpRecipe;
using testing::makeBmp;

constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kYellow{255, 255, 0},
    kWhite{255, 255, 255}, kBlue{0, 0, 255};
const std::vector<Rgb> kPalette = {kBlack, kRed, kGreen, kYellow, kWhite, kBlue};

// A 13 x 3 picture: stripes of the six colours, shifted on each row so orientation matters.
int stripe(int x, int y) {
    return (x + 2 * y) % 6;
}

BmpRecipe specFor(int bits, bool topDown) {
    BmpRecipe s;
    s.width = 13;
    s.height = 3;
    s.bits = bits;
    s.topDown = topDown;
    if (bits <= 8) {
        s.palette = kPalette;
        s.palette.resize(size_t{1} << bits);  // a 1-bit file gets black and red
        s.index = [bits](int x, int y) { return stripe(x, y) % (1 << bits); };
    } else {
        s.colour = [](int x, int y) { return kPalette[static_cast<size_t>(stripe(x, y))]; };
    }
    return s;
}

TEST(BmpFile, EveryDepthAndOrientationDecodes) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        for (bool topDown : {false, true}) {
            SCOPED_TRACE(::testing::Message() << bits << " bits" << (topDown ? " top-down" : " bottom-up"));
            const BmpRecipe recipe = specFor(bits, topDown);
            RgbImage image;
            ASSERT_EQ(decodeBmp(makeBmp(recipe), image), BmpResult::Ok);
            ASSERT_EQ(image.width, 13);
            ASSERT_EQ(image.height, 3);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 13; ++x) {
                    const int want = bits == 1 ? stripe(x, y) % 2 : stripe(x, y);
                    ASSERT_EQ(image.at(x, y), kPalette[static_cast<size_t>(want)]) << x << "," << y;
                }
        }
    }
}

TEST(BmpFile, WrittenPicturesReadBack) {
    RgbImage picture(13, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 13; ++x) picture.at(x, y) = kPalette[static_cast<size_t>(stripe(x, y))];
    RgbImage back;
    ASSERT_EQ(decodeBmp(encodeBmp24(picture), back), BmpResult::Ok);
    EXPECT_EQ(back.width, 13);
    EXPECT_EQ(back.pixels, picture.pixels);
}

TEST(BmpFile, SixteenBitFieldsAreDecoded) {
    BmpRecipe s = specFor(16, false);
    s.compression = 3;  // 5-6-5 masks
    RgbImage image;
    ASSERT_EQ(decodeBmp(makeBmp(s), image), BmpResult::Ok);
    EXPECT_EQ(image.at(3, 0), kYellow);
    EXPECT_EQ(image.at(0, 1), kGreen);
    EXPECT_EQ(image.at(4, 0), kWhite);
}

TEST(BmpFile, PlaneThresholds) {
    BmpRecipe s;
    s.width = 12;
    s.height = 1;
    s.bits = 8;
    s.palette = {kBlack, {101, 100, 255}, kWhite, kYellow, {100, 101, 0}};
    s.index = [](int x, int) { return x == 11 ? 1 : x < 4 ? x + 1 : 0; };
    const ColourPlanes planes = [&] {
        RgbImage image;
        EXPECT_EQ(decodeBmp(makeBmp(s), image), BmpResult::Ok);
        return bitmapPlanes(image);
    }();
    ASSERT_EQ(planes.rowBytes(), 2u);   // 12 pixels make a row of 2 bytes
    EXPECT_TRUE(planes.test(1, 0, 0));  // (101, 100, 255): red only
    EXPECT_FALSE(planes.test(2, 0, 0));
    EXPECT_TRUE(planes.test(1, 1, 0) && planes.test(2, 1, 0));  // white lights both
    EXPECT_TRUE(planes.test(1, 2, 0) && planes.test(2, 2, 0));
    EXPECT_FALSE(planes.test(1, 3, 0));  // (100, 101, 0): green only
    EXPECT_TRUE(planes.test(2, 3, 0));
    // Pixel 11 is bit 4 of the second byte; bits past the row's end stay 0.
    EXPECT_EQ(planes.bytes()[1], 0x10);
    EXPECT_EQ(planes.bytes()[3], 0x00);
}

TEST(BmpFile, FramesKeepWhiteAndGreyDark) {
    RgbImage frame(4, 1);
    frame.at(0, 0) = kWhite;
    frame.at(1, 0) = {0xD4, 0xD0, 0xC8};
    frame.at(2, 0) = kYellow;
    frame.at(3, 0) = {200, 0, 1};
    const ColourPlanes planes = FramePlanes(frame);
    EXPECT_FALSE(planes.test(1, 0, 0) || planes.test(2, 0, 0));
    EXPECT_FALSE(planes.test(1, 1, 0) || planes.test(2, 1, 0));
    EXPECT_TRUE(planes.test(1, 2, 0) && planes.test(2, 2, 0));
    EXPECT_TRUE(planes.test(1, 3, 0) && !planes.test(2, 3, 0));
    EXPECT_TRUE(bitmapPlanes(frame).test(1, 0, 0));
}

BmpRecipe plain(int w, int h) {
    BmpRecipe s;
    s.width = w;
    s.height = h;
    s.colour = [](int, int) { return kRed; };
    return s;
}

TEST(BmpFile, ImportCheck) {
    EXPECT_EQ(checkBitmapBytes(makeBmp(plain(800, 160))).result, BmpResult::Ok);
    EXPECT_EQ(checkBitmapBytes(makeBmp(plain(801, 10))).result, BmpResult::TooWide);
    EXPECT_EQ(checkBitmapBytes(makeBmp(plain(801, 200))).result, BmpResult::TooWide);
    EXPECT_EQ(checkBitmapBytes(makeBmp(plain(10, 161))).result, BmpResult::TooHigh);
    BmpRecipe topDown = plain(10, 160);
    topDown.topDown = true;
    BitmapCheck c = checkBitmapBytes(makeBmp(topDown));
    EXPECT_EQ(c.result, BmpResult::Ok);
    EXPECT_EQ(c.height, -160);

    std::vector<uint8_t> notBmp = makeBmp(plain(4, 4));
    notBmp[1] = 'A';
    EXPECT_EQ(checkBitmapBytes(notBmp).result, BmpResult::NotBmp);
    EXPECT_STREQ(bitmapCheckMessage(BmpResult::NotBmp), "bmp파일이 아닙니다.");
    EXPECT_STREQ(bitmapCheckCaption(BmpResult::TooHigh), "세로사이즈 초과");
}

TEST(BmpFile, RefusesWhatItCannotDecode) {
    RgbImage image;
    std::vector<uint8_t> rle = makeBmp(plain(4, 4));
    testing::putLe(rle, 30, 1, 4);  // RLE8
    EXPECT_EQ(checkBitmapBytes(rle).result, BmpResult::Unsupported);

    std::vector<uint8_t> twoBits = makeBmp(plain(4, 4));
    testing::putLe(twoBits, 28, 2, 2);
    EXPECT_EQ(decodeBmp(twoBits, image), BmpResult::Unsupported);

    std::vector<uint8_t> cut = makeBmp(plain(40, 40));
    cut.resize(cut.size() - 1);
    EXPECT_EQ(checkBitmapBytes(cut).result, BmpResult::Truncated);

    // Header sizes that lie: huge, zero, negative, a pixel offset past the end.
    std::vector<uint8_t> lies = makeBmp(plain(4, 4));
    for (uint32_t width : {0x7FFFFFFFu, 0u, 0x80000000u}) {
        testing::putLe(lies, 18, width, 4);
        EXPECT_NE(decodeBmp(lies, image), BmpResult::Ok) << width;
    }
    lies = makeBmp(plain(4, 4));
    testing::putLe(lies, 22, 0x40000000, 4);
    EXPECT_EQ(decodeBmp(lies, image), BmpResult::Unsupported);
    lies = makeBmp(plain(4, 4));
    testing::putLe(lies, 10, 0xFFFFFFF0u, 4);
    EXPECT_EQ(decodeBmp(lies, image), BmpResult::Truncated);
    lies = makeBmp(plain(4, 4));
    testing::putLe(lies, 14, 0xFFFFFFFFu, 4);  // information header size
    EXPECT_EQ(decodeBmp(lies, image), BmpResult::Unsupported);

    const std::vector<uint8_t> tiny = {'B', 'M', 0, 0};
    EXPECT_EQ(decodeBmp(tiny, image), BmpResult::Truncated);
}

TEST(BmpFile, PlanesFromAFileWithAnyName) {
    const std::string path = ::testing::TempDir() + "picture.txt";
    const std::vector<uint8_t> bytes = makeBmp(specFor(24, false));
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ColourPlanes planes;
    ASSERT_EQ(BmpPlanes(path, planes), BmpResult::Ok);
    EXPECT_EQ(planes.width(), 13);
    EXPECT_TRUE(planes.test(1, 1, 0));  // red
    EXPECT_EQ(BmpPlanes(path + ".gone", planes), BmpResult::CannotRead);
    EXPECT_EQ(CheckBitmapFile(path + ".gone").result, BmpResult::CannotRead);
}

}  // namespace
}  // namespace orb
