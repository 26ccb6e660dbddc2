// A program read back from an image in memory and made into a project: building the project
// again gives the same image; hostile memory is refused before any content is read.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>

#include "editor/core/ProgramWriter.h"
#include "editor/core/PulledProject.h"
#include "editor/tests/EveryKindProgram.h"
#include "image/BigEndian.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::everyKind, testing::TempDir;
using ::testing::HasSubstr;

std::unique_ptr<ProgramImage> built(const ItemStore& store, uint8_t width, uint8_t height) {
    auto image = std::make_unique<ProgramImage>();
    ProgramPlan plan;
    EXPECT_EQ(planProgram(store, store.itemCount(), width, height, plan).result, PlanResult::Ok);
    ImageSink sink(*image);
    EXPECT_EQ(writeProgram(plan, sink), IoResult::Ok);
    return image;
}

std::vector<uint8_t> allBytes(const ProgramImage& image) {
    std::vector<uint8_t> bytes(ProgramImage::kSize);
    EXPECT_EQ(image.read(0, bytes), IoResult::Ok);
    return bytes;
}

ItemStore storeOf(const std::vector<ItemRecord>& items) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(store.writeRecord(int(i), items[i]), IoResult::Ok);
    return store;
}

// Reads the image back, makes the project, and checks that its build is the image again.
void expectRoundTrip(const ItemStore& original, uint8_t width, uint8_t height) {
    const auto image = built(original, width, height);
    ProgramReadBack readBack;
    ImageMemory memory(*image);
    const ReadBackOutcome read = readProgramBack(memory, {}, readBack);
    ASSERT_EQ(read.result, ReadBackResult::Ok) << read.message;
    ASSERT_EQ(readBack.items.size(), size_t(original.itemCount()));

    TempDir pulledMedia;
    ItemStore pulled;
    const PullOutcome made = makePulledProject(readBack, pulledMedia.file("media"), pulled);
    ASSERT_TRUE(made.ok) << made.message;
    EXPECT_THAT(pullDifferences(readBack, pulled), ::testing::IsEmpty());
    SettingsBlock s;
    ASSERT_EQ(pulled.readSettings(s), IoResult::Ok);
    EXPECT_EQ(s.signWidth(), width);
    EXPECT_EQ(s.signHeight(), height);
    EXPECT_TRUE(allBytes(*built(pulled, s.signWidth(), s.signHeight())) == allBytes(*image))
        << "the pulled project builds another image";
}

TEST(ProgramReadBack, EveryKindAndLayoutBuildsTheSameImageAgain) {
    TempDir media;
    const ItemStore original = storeOf(everyKind(media));
    expectRoundTrip(original, 12, 3);

    // Headers and texts come back exactly; pictures as files; phrases without their rich text.
    const auto image = built(original, 12, 3);
    ProgramReadBack readBack;
    ImageMemory memory(*image);
    ASSERT_EQ(readProgramBack(memory, {}, readBack).result, ReadBackResult::Ok);
    TempDir out;
    ItemStore pulled;
    const PullOutcome made = makePulledProject(readBack, out.file("media"), pulled);
    ASSERT_TRUE(made.ok);
    EXPECT_THAT(made.files, ::testing::ElementsAre(out.file("media/item003-line2.bmp"),
                                                   out.file("media/item003-line3-phrase.bmp"),
                                                   out.file("media/item005-line1.gif"),
                                                   out.file("media/item005-line2.gif")));
    ItemRecord was, is;
    for (int i : {0, 3}) {
        ASSERT_EQ(original.readRecord(i, was), IoResult::Ok);
        ASSERT_EQ(pulled.readRecord(i, is), IoResult::Ok);
        EXPECT_EQ(is, was) << "item " << i + 1;
    }
    ASSERT_EQ(original.readRecord(2, was), IoResult::Ok);
    ASSERT_EQ(pulled.readRecord(2, is), IoResult::Ok);
    EXPECT_EQ(is.line(1), was.line(1)) << "the D-day's text";
    EXPECT_EQ(is.line(3).path(), out.file("media/item003-line3-phrase.bmp"));
    EXPECT_EQ(is.line(3).rtfPath(), "");
    ASSERT_EQ(pulled.readRecord(5, is), IoResult::Ok);
    EXPECT_EQ(is.line(1).path(), "") << "no picture was sent for a missing file";
}

TEST(ProgramReadBack, AHundredItemsBuildTheSameImageAgain) {
    TempDir media;
    const std::vector<ItemRecord> kinds = everyKind(media);
    std::vector<ItemRecord> items;
    for (size_t i = 0; i < ItemStore::kRecords; ++i) items.push_back(kinds[i % kinds.size()]);
    expectRoundTrip(storeOf(items), 40, 8);
}

// A source over an image that counts its reads and can fail from one on.
class CountingMemory final : public MemorySource {
  public:
    explicit CountingMemory(const ProgramImage& image) : image_(image) {}
    bool read(uint32_t address, std::span<uint8_t> out, std::string& why) override {
        EXPECT_LE(out.size(), kMaxRead);
        ++reads;
        if (reads > failFrom) {
            why = "no answer";
            return false;
        }
        if (address >= uint32_t{ProgramImage::kFirstContentSector} * ProgramImage::kSectorSize)
            ++contentReads;
        return image_.read(address, out, why);
    }
    int reads = 0, contentReads = 0;
    int failFrom = INT32_MAX;

  private:
    ImageMemory image_;
};

void putHeader(ProgramImage& image, int i, const ItemHeader& h) {
    ASSERT_EQ(image.writeItemEntry(i, h), IoResult::Ok);
}

ItemHeader bitmapAt(uint16_t sector, uint16_t width, uint16_t height) {
    ItemHeader h = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    h.setKind(1, ContentKind::Bitmap);
    h.setPictureSize(1, width, height);
    h.setStartSector(1, sector);
    return h;
}

TEST(ProgramReadBack, HostileMemoryIsRefusedBeforeAnyContentIsRead) {
    struct Case {
        const char* what;
        uint16_t count;
        std::vector<ItemHeader> headers;
        ReadBackResult result;
        const char* message;
    };
    ItemHeader animation = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    animation.setKind(1, ContentKind::Animation);
    animation.setPictureSize(1, 800, 160);
    animation.setFrameCount(1, 400);  // 12.8 MB each, 100 of them at the same place
    animation.setStartSector(1, 5120);
    const Case cases[] = {
        {"an item count of 5000", 5000, {}, ReadBackResult::TooManyItems, "the sign reports 5000 items"},
        {"a bitmap past the end",
         1,
         {bitmapAt(65530, 800, 160)},
         ReadBackResult::OutsideMemory,
         "item 1 line 1: 32000 bytes from sector 65530"},
        {"a bitmap over the item table",
         2,
         {bitmapAt(5120, 8, 8), bitmapAt(4992, 8, 8)},
         ReadBackResult::OutsideMemory,
         "item 2 line 1"},
        {"a bitmap size that overflows",
         1,
         {bitmapAt(5120, 65535, 65535)},
         ReadBackResult::OutsideMemory,
         "item 1 line 1: 1073725440 bytes"},
        {"more content than memory holds", 100, std::vector<ItemHeader>(100, animation),
         ReadBackResult::TooMuchContent, "item 3 line 1: the items claim more content"},
    };
    ProgramImage image;  // one for all: each case reads only the entries it writes
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(image.writeHeader({10, 2, c.count}), IoResult::Ok);
        for (size_t i = 0; i < c.headers.size(); ++i) putHeader(image, int(i), c.headers[i]);
        CountingMemory memory(image);
        ProgramReadBack readBack;
        const ReadBackOutcome r = readProgramBack(memory, {}, readBack);
        EXPECT_EQ(r.result, c.result);
        EXPECT_THAT(r.message, HasSubstr(c.message));
        EXPECT_EQ(memory.contentReads, 0);
        EXPECT_TRUE(readBack.items.empty());
    }
}

TEST(ProgramReadBack, ReadsReportProgressStopWhenCancelledAndNameTheFailedItem) {
    TempDir media;
    const auto image = built(storeOf(everyKind(media)), 10, 2);
    {
        SCOPED_TRACE("progress up to the whole");
        CountingMemory memory(*image);
        std::vector<std::pair<int, int>> steps;
        ReadBackOptions options;
        options.progress = [&steps](int done, int total) { steps.emplace_back(done, total); };
        ProgramReadBack readBack;
        ASSERT_EQ(readProgramBack(memory, options, readBack).result, ReadBackResult::Ok);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), std::make_pair(memory.reads, memory.reads));
        for (const auto& [done, total] : steps) EXPECT_EQ(total, memory.reads);
    }
    {
        SCOPED_TRACE("the header and the item table only");
        CountingMemory memory(*image);
        ReadBackOptions options;
        options.contents = false;
        ProgramReadBack readBack;
        ASSERT_EQ(readProgramBack(memory, options, readBack).result, ReadBackResult::Ok);
        EXPECT_EQ(memory.reads, 3);  // the header, six entries in two reads
        ASSERT_EQ(readBack.items.size(), 6u);
        EXPECT_EQ(readBack.items[2].header.startSector(2), 5126);
    }
    {
        SCOPED_TRACE("cancelled after the first content read");
        CountingMemory memory(*image);
        std::atomic<bool> cancel{false};
        ReadBackOptions options;
        options.cancel = &cancel;
        options.progress = [&](int, int) { cancel = memory.contentReads > 0; };
        ProgramReadBack readBack;
        EXPECT_EQ(readProgramBack(memory, options, readBack).result, ReadBackResult::Cancelled);
        EXPECT_EQ(memory.contentReads, 1);
    }
    {
        SCOPED_TRACE("a read that fails");
        CountingMemory memory(*image);
        memory.failFrom = 10;
        ProgramReadBack readBack;
        const ReadBackOutcome r = readProgramBack(memory, {}, readBack);
        EXPECT_EQ(r.result, ReadBackResult::ReadFailed);
        EXPECT_THAT(r.message, HasSubstr("item 3 line 3: cannot read 256 bytes at 0x280E00"));
        EXPECT_THAT(r.message, HasSubstr("no answer"));
    }
}

TEST(PulledProject, WhatCannotComeBackIsNamed) {
    // Sign memory no writer of ours leaves: an empty header among the items, an animation of
    // one frame, a bitmap with bits set past its rows' ends.
    ProgramImage image;
    ASSERT_EQ(image.writeHeader({10, 2, 3}), IoResult::Ok);
    ItemHeader single = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    single.setKind(1, ContentKind::Animation);
    single.setPictureSize(1, 16, 16);
    single.setFrameCount(1, 1);
    single.setStartSector(1, 5120);
    putHeader(image, 0, single);
    putHeader(image, 1, bitmapAt(5121, 12, 1));
    const std::vector<uint8_t> padded = {0xFF, 0xFF, 0, 0};
    ASSERT_EQ(image.write(5121 * 512, padded), IoResult::Ok);

    ImageMemory memory(image);
    ProgramReadBack readBack;
    ASSERT_EQ(readProgramBack(memory, {}, readBack).result, ReadBackResult::Ok);
    TempDir out;
    ItemStore pulled;
    ASSERT_TRUE(makePulledProject(readBack, out.file("media"), pulled).ok);
    EXPECT_EQ(pulled.itemCount(), 2);
    EXPECT_THAT(pullDifferences(readBack, pulled),
                ::testing::ElementsAre("the project holds 2 items, the sign 3", "item 1: the header differs",
                                       "item 1 line 1: the content differs",
                                       "item 2: the header differs",  // its start sector moved up
                                       "item 2 line 1: the content differs"));
}

TEST(PulledProject, AMediaFolderThatCannotGoIntoAProjectWritesNothing) {
    TempDir media;
    const auto image = built(storeOf(everyKind(media)), 10, 2);
    ImageMemory memory(*image);
    ProgramReadBack readBack;
    ASSERT_EQ(readProgramBack(memory, {}, readBack).result, ReadBackResult::Ok);
    TempDir out;
    ItemStore pulled;
    const std::string tooLong = out.file(std::string(250, 'm') + "/" + std::string(240, 'n'));
    PullOutcome made = makePulledProject(readBack, tooLong, pulled);
    EXPECT_FALSE(made.ok);
    EXPECT_THAT(made.message, HasSubstr("cannot go into a project"));
    EXPECT_FALSE(std::filesystem::exists(out.file(std::string(250, 'm'))));

    // A folder where a picture file should go: that write fails, the files before it stay whole.
    ASSERT_TRUE(std::filesystem::create_directories(out.file("media/item003-line3-phrase.bmp")));
    made = makePulledProject(readBack, out.file("media"), pulled);
    EXPECT_FALSE(made.ok);
    EXPECT_THAT(made.message, HasSubstr("item003-line3-phrase.bmp: cannot write"));
    EXPECT_THAT(made.files, ::testing::ElementsAre(out.file("media/item003-line2.bmp")));
}

}  // namespace
}  // namespace orb
