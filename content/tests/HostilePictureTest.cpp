// Picture files as a hostile user would make them: FIFOs, files too large to hold, and GIFs whose
// frames would take gigabytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include "content/BmpFile.h"
#include "content/FileBytes.h"
#include "content/GifAnimation.h"
#include "testsupport/Fifo.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;

TEST(SpecialFilesNeverBlock, PicturesThatAreFifos) {
    TempDir dir;
    const testing::Fifo fifo(dir.file("picture"));
    ASSERT_TRUE(fifo.made());
    const std::optional<ReadResult> read = fifo.returnsAtOnce([](const std::string& p) {
        std::vector<uint8_t> bytes;
        return readFileBytes(p, 1000, bytes);
    });
    EXPECT_EQ(read, ReadResult::CannotOpen);
    const std::optional<BmpResult> planes = fifo.returnsAtOnce([](const std::string& p) {
        ColourPlanes out;
        return BmpPlanes(p, out);
    });
    EXPECT_EQ(planes, BmpResult::CannotRead) << "a bitmap line";
    EXPECT_EQ(fifo.returnsAtOnce([](const std::string& p) { return CheckBitmapFile(p).result; }),
              BmpResult::CannotRead)
        << "the import check";
    EXPECT_EQ(fifo.returnsAtOnce([](const std::string& p) { return GifAnimation().LoadFile(p); }), false)
        << "an animation line";

    ColourPlanes out;
    EXPECT_EQ(BmpPlanes(dir.path().string(), out), BmpResult::CannotRead);
    EXPECT_EQ(BmpPlanes("/dev/zero", out), BmpResult::CannotRead);
}

using testing::repeatedFrames;

constexpr uint64_t kBudget = 30u << 20;
constexpr uint64_t kScreenPlanes = 2 * (4096 / 8) * 4096;  // both planes of a 4096 x 4096 frame

TEST(HostilePicturesStayWithinABudget, FramesAreCountedAgainstTheBudgetBeforeDecoding) {
    const auto gif = repeatedFrames(4096, 4096, false, 200'000);
    GifAnimation a;
    ASSERT_TRUE(a.Load(gif, kBudget));
    EXPECT_TRUE(a.oversized());
    EXPECT_EQ(a.Frames().size(), kBudget / kScreenPlanes);  // the scan stopped at the budget
    EXPECT_TRUE(a.canvas().pixels.empty());  // nothing was decoded, nor is anything to be drawn

    // Within the budget, and without one: every frame is listed, none decoded yet.
    ASSERT_TRUE(a.Load(repeatedFrames(4096, 4096, false, 7), kBudget));
    EXPECT_FALSE(a.oversized());
    EXPECT_EQ(a.Frames().size(), 7u);
    ASSERT_TRUE(a.Load(gif));
    EXPECT_TRUE(a.oversized());  // a header counts 65535 frames at most
    EXPECT_EQ(a.Frames().size(), GifAnimation::kMaxFrames);
}

TEST(HostilePicturesStayWithinABudget, FramesAreDecodedOneAtATime) {
    GifAnimation a;
    ASSERT_TRUE(a.Load(repeatedFrames(4096, 4096, true, 2), kBudget));
    ASSERT_EQ(a.Frames().size(), 2u);
    EXPECT_EQ(a.canvas().at(4095, 4095), GifAnimation::kCanvasGrey);
    ASSERT_TRUE(a.DrawFrame(1));
    EXPECT_EQ(a.canvas().at(4095, 4095), (Rgb{255, 0, 0}));
    EXPECT_FALSE(a.DrawFrame(2));
}

// A valid 2 x 2 bitmap whose pixels start at pixelOffset, in a file of fileBytes (sparse).
std::string sparseBitmap(const TempDir& dir, uint32_t pixelOffset, off_t fileBytes) {
    testing::BmpRecipe r;
    r.width = r.height = 2;
    r.colour = [](int, int) { return Rgb{255, 0, 0}; };
    std::vector<uint8_t> bmp = testing::makeBmp(r);
    testing::putLe(bmp, 10, pixelOffset, 4);
    const std::string path = dir.file("big.bmp");
    testing::writeFileBytes(path, bmp);
    EXPECT_EQ(::truncate(path.c_str(), fileBytes), 0);
    return path;
}

TEST(HostilePicturesStayWithinABudget, BitmapsTooLargeToReadAreSaidToBe) {
    TempDir dir;
    ColourPlanes planes;
    std::string path = sparseBitmap(dir, 54, (256 << 20) + 1);
    EXPECT_EQ(BmpPlanes(path, planes), BmpResult::TooLarge);
    EXPECT_EQ(CheckBitmapFile(path).result, BmpResult::TooLarge);
    EXPECT_STREQ(bitmapCheckMessage(BmpResult::TooLarge), "bmp파일이 너무 큽니다");

    path = sparseBitmap(dir, 54, 256 << 20);  // at the limit: read as far as the pixels go
    EXPECT_EQ(BmpPlanes(path, planes), BmpResult::Ok);
    path = sparseBitmap(dir, 100u << 20, 200 << 20);  // pixels past what is read
    EXPECT_EQ(BmpPlanes(path, planes), BmpResult::TooLarge);
    path = sparseBitmap(dir, 100u << 20, 60 << 20);  // past the end of a file read whole
    EXPECT_EQ(BmpPlanes(path, planes), BmpResult::Truncated);
}

}  // namespace
}  // namespace orb
