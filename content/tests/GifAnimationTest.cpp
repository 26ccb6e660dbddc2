#include <gtest/gtest.h>

#include "content/BmpFile.h"
#include "content/GifAnimation.h"
#include "testsupport/PictureFixtures.h"

namespace orb {
namespace {

using testing::GifFrameSpec;
using testing::makeGif;

constexpr Rgb kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};
const std::vector<Rgb> kGlobal = {kBlack, kRed, kGreen, kBlue};

GifFrameSpec solid(int left, int top, int w, int h, uint8_t index, std::optional<int> delay = std::nullopt) {
    GifFrameSpec f;
    f.left = left;
    f.top = top;
    f.width = w;
    f.height = h;
    f.indexes.assign(static_cast<size_t>(w * h), index);
    f.delay = delay;
    return f;
}

TEST(GifAnimation, FramesWithControlExtensionsAndComments) {
    GifFrameSpec second = solid(0, 0, 4, 4, 2, 20);
    second.commentAfterControl = true;
    const auto gif = makeGif(4, 4, kGlobal, {solid(0, 0, 4, 4, 1, 10), second, solid(1, 1, 2, 2, 3)});
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif));
    ASSERT_EQ(a.Frames().size(), 3u);
    EXPECT_EQ(a.Width(), 4);
    EXPECT_EQ(a.Frames()[0].delay, 10);
    EXPECT_EQ(a.Frames()[1].delay, 20);  // the comment did not hide its control extension
    EXPECT_EQ(a.Frames()[2].delay, -1);
    EXPECT_EQ(a.Frames()[2].left, 1);
    EXPECT_EQ(a.RenderFrame(1).at(0, 0), kGreen);
}

TEST(GifAnimation, FramesAreDrawnOverOneAnother) {
    GifFrameSpec local = solid(1, 0, 2, 1, 1);
    local.localColours = {kBlack, kGreen};  // index 1 is green here, red in the global table
    GifFrameSpec holes = solid(0, 1, 4, 1, 3, 0);
    holes.indexes = {3, 0, 0, 3};
    holes.transparent = 0;
    const auto gif = makeGif(4, 2, kGlobal, {solid(0, 0, 4, 2, 1), local, holes});
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif));
    ASSERT_EQ(a.Frames().size(), 3u);

    const RgbImage& first = a.RenderFrame(0);
    EXPECT_EQ(first.at(3, 1), kRed);
    const RgbImage& second = a.RenderFrame(1);
    EXPECT_EQ(second.at(0, 0), kRed);
    EXPECT_EQ(second.at(1, 0), kGreen);
    EXPECT_EQ(second.at(2, 0), kGreen);
    const RgbImage& third = a.RenderFrame(2);
    EXPECT_EQ(third.at(0, 1), kBlue);
    EXPECT_EQ(third.at(1, 1), kRed);  // transparent: the earlier frame shows through
    EXPECT_EQ(third.at(1, 0), kGreen);
}

TEST(GifAnimation, CanvasStartsGreyAndFramesOnlyCoverTheirRectangle) {
    const auto gif = makeGif(6, 3, kGlobal, {solid(2, 1, 2, 1, 1), solid(0, 0, 1, 1, 2)});
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif));
    const RgbImage& canvas = a.RenderFrame(0);
    EXPECT_EQ(canvas.at(0, 0), GifAnimation::kCanvasGrey);
    EXPECT_EQ(canvas.at(2, 1), kRed);
    const ColourPlanes planes = FramePlanes(canvas);
    EXPECT_FALSE(planes.test(1, 0, 0));  // the grey stays dark
    EXPECT_TRUE(planes.test(1, 3, 1));
}

TEST(GifAnimation, OneFrameLoadsWithAnEmptyFrameList) {
    const auto gif = makeGif(4, 4, kGlobal, {solid(0, 0, 4, 4, 1, 5)});
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif));
    EXPECT_TRUE(a.Frames().empty());
    EXPECT_EQ(a.singlePicture().size(), 1u);
}

TEST(GifAnimation, TruncatedLastFrameIsNotAdded) {
    auto gif = makeGif(8, 8, kGlobal, {solid(0, 0, 8, 8, 1), solid(0, 0, 8, 8, 2), solid(0, 0, 8, 8, 3)});
    gif.resize(gif.size() - 4);  // the trailer and the end of the last frame's data
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif));
    EXPECT_EQ(a.Frames().size(), 2u);
    EXPECT_EQ(a.cutFrames(gif).size(), 2u);
}

TEST(GifAnimation, BogusBlocksEndTheScan) {
    auto gif = makeGif(4, 4, kGlobal, {solid(0, 0, 4, 4, 1), solid(0, 0, 4, 4, 2), solid(0, 0, 4, 4, 3)});
    GifAnimation a;
    const auto cuts = a.cutFrames(gif);
    ASSERT_EQ(cuts.size(), 3u);
    // An unknown block after the first frame: only one frame is found.
    const size_t header = 13 + 3 * 4;
    const size_t firstEnd = header + cuts[0].size() - header - 1;
    auto broken = gif;
    broken[firstEnd] = 0x99;
    EXPECT_EQ(a.cutFrames(broken).size(), 1u);

    // A sub-block length running past the end of the file.
    auto longBlock = gif;
    longBlock[header + 10 + 1] = 0xFF;  // first data sub-block of frame 1
    longBlock.resize(header + 20);
    EXPECT_FALSE(a.Load(longBlock));

    EXPECT_FALSE(a.Load(std::vector<uint8_t>{'G', 'I', 'F'}));
    EXPECT_FALSE(a.Load(std::vector<uint8_t>(20, 'x')));
    // A screen of 65535 x 65535 is refused before anything is allocated.
    auto huge = gif;
    huge[6] = huge[7] = huge[8] = huge[9] = 0xFF;
    EXPECT_FALSE(a.Load(huge));
}

TEST(GifAnimation, PlainTextExtensionIsAFrameThatDoesNotDecode) {
    auto gif = makeGif(4, 4, kGlobal, {solid(0, 0, 4, 4, 1), solid(0, 0, 4, 4, 2)});
    // Insert a plain text extension between the two images.
    GifAnimation a;
    const auto cuts = a.cutFrames(gif);
    const size_t header = 13 + 3 * 4;
    const size_t secondStart = header + (cuts[0].size() - header - 1);
    const std::vector<uint8_t> plainText = {0x21, 0x01, 12, 0, 0, 0, 0,   4,   0, 4,
                                            0,    1,    1,  1, 0, 2, 'h', 'i', 0};
    gif.insert(gif.begin() + static_cast<std::ptrdiff_t>(secondStart), plainText.begin(), plainText.end());
    EXPECT_EQ(a.cutFrames(gif).size(), 3u);
    ASSERT_TRUE(a.Load(gif));
    EXPECT_EQ(a.Frames().size(), 2u);
}

}  // namespace
}  // namespace orb
