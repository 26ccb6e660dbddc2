#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "image/ProgramImage.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

std::vector<uint8_t> bytesAt(const ProgramImage& image, uint64_t address, size_t n) {
    std::vector<uint8_t> out(n);
    EXPECT_EQ(image.read(address, out), IoResult::Ok);
    return out;
}

TEST(ProgramImage, HeaderIsWidthThenHeightThenBigEndianCount) {
    ProgramImage image;
    ASSERT_EQ(image.writeHeader({38, 10, 300}), IoResult::Ok);
    EXPECT_EQ(bytesAt(image, 16392, 4), (std::vector<uint8_t>{38, 10, 0x01, 0x2C}));
    // Neighbours of the header stay untouched.
    EXPECT_EQ(bytesAt(image, 16391, 1)[0], 0);
    EXPECT_EQ(bytesAt(image, 16396, 1)[0], 0);

    ImageHeader back;
    ASSERT_EQ(image.readHeader(back), IoResult::Ok);
    EXPECT_EQ(back, (ImageHeader{38, 10, 300}));
}

// The memory skips writing zeros over zeros page by page: zeros over written bytes, and writes
// that straddle pages, still land exactly.
TEST(ProgramImage, ZerosOverWrittenBytesAndWritesAcrossPagesLand) {
    ProgramImage image;
    std::vector<uint8_t> ones(10000, 0x5A);
    ASSERT_EQ(image.write(4090, ones), IoResult::Ok);
    std::vector<uint8_t> mixed(9000, 0);
    mixed[8999] = 7;
    ASSERT_EQ(image.write(4000, mixed), IoResult::Ok);
    // Bytes 4000..15999: the zeros cleared the 0x5A up to 12998, then 7, then 0x5A to 14089.
    std::vector<uint8_t> expected(12000, 0);
    std::fill(expected.begin() + (13000 - 4000), expected.begin() + (14090 - 4000), 0x5A);
    expected[12999 - 4000] = 7;
    EXPECT_EQ(bytesAt(image, 4000, 12000), expected);
    EXPECT_EQ(bytesAt(image, ProgramImage::kSize - 3, 3), (std::vector<uint8_t>{0, 0, 0}));
}

TEST(ProgramImage, ItemTableEntriesAndTheirLimits) {
    ProgramImage image;
    ItemHeader h;
    h.bytes[0] = 0xAB;
    h.bytes[127] = 0xCD;
    ASSERT_EQ(image.writeItemEntry(4, h), IoResult::Ok);
    EXPECT_EQ(bytesAt(image, 0x270200, 1)[0], 0xAB);  // first entry of sector 4993
    EXPECT_EQ(bytesAt(image, 0x270200 + 127, 1)[0], 0xCD);
    EXPECT_EQ(0x270200 / 512, 4993);

    ASSERT_EQ(image.writeItemEntry(511, h), IoResult::Ok);
    EXPECT_EQ(bytesAt(image, 0x27FF80, 1)[0], 0xAB);  // the last entry ends where contents begin
    EXPECT_EQ(image.writeItemEntry(512, h), IoResult::OutOfRange);
    EXPECT_EQ(image.writeItemEntry(-1, h), IoResult::OutOfRange);
    EXPECT_EQ(image.readItemEntry(512, h), IoResult::OutOfRange);
    EXPECT_EQ(bytesAt(image, 0x280000, 1)[0], 0);
}

TEST(ProgramImage, SectorWritesNeverRunPastTheEnd) {
    ProgramImage image;
    std::vector<uint8_t> sector(512, 0x5A);
    EXPECT_EQ(image.writeAtSector(65535, sector), IoResult::Ok);
    EXPECT_EQ(bytesAt(image, ProgramImage::kSize - 1, 1)[0], 0x5A);

    std::vector<uint8_t> tooLong(513, 0x11);
    EXPECT_EQ(image.writeAtSector(65535, tooLong), IoResult::OutOfRange);
    EXPECT_EQ(image.writeAtSector(65536, sector), IoResult::OutOfRange);
    // The refused writes did not wrap around to the start of the image.
    EXPECT_EQ(bytesAt(image, 0, 1)[0], 0);
    EXPECT_EQ(bytesAt(image, ProgramImage::kSize - 512, 1)[0], 0x5A);
    EXPECT_EQ(image.write(ProgramImage::kSize - 2, std::vector<uint8_t>(3, 1)), IoResult::OutOfRange);
}

TEST(ProgramImage, SizeHelpers) {
    EXPECT_EQ(planeBytes(9, 2), 4u);  // 9 pixels make a 2-byte row
    EXPECT_EQ(planeBytes(12, 1), 2u);
    EXPECT_EQ(planeBytes(800, 160), 16000u);
    EXPECT_EQ(sectorsFor(2 * planeBytes(800, 160)), 63u);
    EXPECT_EQ(sectorsFor(2 * planeBytes(9, 2)), 1u);
    EXPECT_EQ(sectorsFor(3 * 2 * planeBytes(16, 16)), 1u);  // 3 frames of 16 x 16
    EXPECT_EQ(sectorsFor(0), 0u);
    EXPECT_EQ(sectorsFor(512), 1u);
    EXPECT_EQ(sectorsFor(513), 2u);
}

TEST(ProgramImageFile, MissingFileIsCreatedZeroFilledAndUpdatedInPlace) {
    testing::TempDir dir;
    const std::string path = dir.file("preview.tmp");
    {
        ProgramImage image;
        ASSERT_EQ(ProgramImage::open(path, FileMode::CreateOrOpen, image), IoResult::Ok);
        ASSERT_EQ(image.writeHeader({10, 2, 1}), IoResult::Ok);
    }
    EXPECT_EQ(std::filesystem::file_size(path), 33554432u);
    {
        ProgramImage image;
        ASSERT_EQ(ProgramImage::open(path, FileMode::CreateOrOpen, image), IoResult::Ok);
        ImageHeader h;
        ASSERT_EQ(image.readHeader(h), IoResult::Ok);
        EXPECT_EQ(h, (ImageHeader{10, 2, 1}));  // reopened, not recreated
        std::array<uint8_t, 8> model{};
        ASSERT_EQ(image.read(ProgramImage::kModelOffset, model), IoResult::Ok);
        EXPECT_EQ(model, (std::array<uint8_t, 8>{}));
    }
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(ProgramImageFile, RefusesFilesItCannotUseAndWritesNothing) {
    testing::TempDir dir;
    ProgramImage image;

    const std::string shortFile = dir.file("short.tmp");
    testing::writeFileBytes(shortFile, std::vector<uint8_t>(1000, 7));
    EXPECT_EQ(ProgramImage::open(shortFile, FileMode::CreateOrOpen, image), IoResult::WrongSize);
    EXPECT_EQ(testing::readFileBytes(shortFile), std::vector<uint8_t>(1000, 7));

    EXPECT_EQ(ProgramImage::open(dir.path().string(), FileMode::ReadWrite, image), IoResult::NotReplaceable);
    EXPECT_EQ(ProgramImage::open(dir.file("missing"), FileMode::ReadWrite, image), IoResult::OpenFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing")));
    EXPECT_EQ(ProgramImage::open(dir.file("no/such/dir/preview.tmp"), FileMode::CreateOrOpen, image),
              IoResult::CreateFailed);

    // A file opened for reading only refuses writes.
    const std::string path = dir.file("ro.tmp");
    ASSERT_EQ(createZeroFile(path, ProgramImage::kSize), IoResult::Ok);
    ASSERT_EQ(ProgramImage::open(path, FileMode::ReadOnly, image), IoResult::Ok);
    EXPECT_EQ(image.writeHeader({10, 1, 0}), IoResult::WriteFailed);
}

}  // namespace
}  // namespace orb
