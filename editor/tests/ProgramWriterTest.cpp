#include <gtest/gtest.h>

#include "editor/core/ProgramWriter.h"
#include "image/Cp949.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::TempDir;

ItemRecord item(LayoutCode layout, std::array<ContentKind, 3> kinds) {
    ItemRecord r;
    r.header = ItemHeader::newItem(layout, {1, 1, 1});
    for (int line = 1; line <= 3; ++line) r.header.setKind(line, kinds[static_cast<size_t>(line - 1)]);
    return r;
}

ItemRecord sentence(const char* utf8) {
    ItemRecord r = item(LayoutCode::OneLine, {ContentKind::Sentence});
    r.line(1).setText(utf8ToCp949(utf8).value(), 0x00AC);
    return r;
}

ItemRecord withPath(ItemRecord r, int line, const std::string& path) {
    r.line(line).setPath(path);
    return r;
}

std::string writeFile(const TempDir& dir, const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.file(name);
    testing::writeFileBytes(path, bytes);
    return path;
}

std::vector<uint8_t> redBmp(int w, int h) {
    testing::BmpRecipe s;
    s.width = w;
    s.height = h;
    s.colour = [](int, int) { return Rgb{255, 0, 0}; };
    return testing::makeBmp(s);
}

// Three 16 x 16 frames: red, green, then a yellow square over the green.
std::vector<uint8_t> threeFrameGif() {
    auto solid = [](int left, int top, int w, int h, uint8_t index) {
        testing::GifFrameSpec f;
        f.left = left, f.top = top, f.width = w, f.height = h;
        f.indexes.assign(static_cast<size_t>(w * h), index);
        return f;
    };
    return testing::makeGif(16, 16, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}},
                            {solid(0, 0, 16, 16, 1), solid(0, 0, 16, 16, 2), solid(4, 4, 8, 8, 3)});
}

struct Built {
    ProgramPlan plan;
    PlanOutcome outcome;
    ProgramImage image;
};

// Plans the store's items and writes them into an image in memory.
std::unique_ptr<Built> build(const std::vector<ItemRecord>& items, uint8_t width = 10, uint8_t height = 2) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(store.writeRecord(static_cast<int>(i), items[i]), IoResult::Ok);
    auto b = std::make_unique<Built>();
    b->outcome = planProgram(store, store.itemCount(), width, height, b->plan);
    ImageSink sink(b->image);
    if (b->outcome.result == PlanResult::Ok) {
        EXPECT_EQ(writeProgram(b->plan, sink), IoResult::Ok);
    }
    return b;
}

ItemHeader entry(const ProgramImage& image, int i) {
    ItemHeader h;
    EXPECT_EQ(image.readItemEntry(i, h), IoResult::Ok);
    return h;
}

std::vector<uint8_t> sectorBytes(const ProgramImage& image, uint32_t sector, size_t n) {
    std::vector<uint8_t> out(n);
    EXPECT_EQ(image.readAtSector(sector, out), IoResult::Ok);
    return out;
}

TEST(ProgramWriter, SentenceThenClockThenAnotherLine) {
    ItemRecord clock = item(LayoutCode::OneLine, {ContentKind::Clock});
    auto b = build({sentence("안녕"), clock, sentence("다음")});
    ASSERT_EQ(b->outcome.result, PlanResult::Ok);
    EXPECT_EQ(entry(b->image, 0).startSector(1), 5120);
    EXPECT_EQ(entry(b->image, 1).startSector(1), 5123);
    EXPECT_EQ(entry(b->image, 2).startSector(1), 5123);  // the clock used no sector

    // The sentence's sectors hold its payload as stored, attribute words included.
    ItemRecord expected = sentence("안녕");
    const auto stored = sectorBytes(b->image, 5120, LinePayload::kSize);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), expected.line(1).bytes.begin()));
    // The table entry is the stored header with its start sector filled in.
    ItemHeader h = expected.header;
    h.setStartSector(1, 5120);
    EXPECT_EQ(entry(b->image, 0), h);

    ImageHeader header;
    ASSERT_EQ(b->image.readHeader(header), IoResult::Ok);
    EXPECT_EQ(header, (ImageHeader{10, 2, 3}));
    EXPECT_EQ(b->plan.writes.back().kind, ProgramWrite::Kind::ImageHeader);
}

TEST(ProgramWriter, BitmapPlanesAndTheFollowingLine) {
    TempDir dir;
    const std::string bmp = writeFile(dir, "wide.bmp", redBmp(100, 16));
    ItemRecord r = withPath(item(LayoutCode::TwoLines, {ContentKind::Bitmap, ContentKind::Sentence}), 1, bmp);
    r.line(2).setText("x");
    auto b = build({r});
    const ItemHeader h = entry(b->image, 0);
    EXPECT_EQ(h.startSector(1), 5120);
    EXPECT_EQ(h.startSector(2), 5121);  // 2 x 13 x 16 = 416 bytes: one sector
    EXPECT_EQ(h.pictureWidth(1), 100);
    EXPECT_EQ(h.pictureHeight(1), 16);
    const auto planes = sectorBytes(b->image, 5120, 416);
    EXPECT_EQ(planes[0], 0xFF);    // plane 1, red
    EXPECT_EQ(planes[12], 0xF0);   // pixels 96..99, then the unused bits
    EXPECT_EQ(planes[208], 0x00);  // plane 2 starts at P = 208
}

TEST(ProgramWriter, TitleAndSentenceTakesSixSectorsWhateverItsKinds) {
    ItemRecord t = item(LayoutCode::TitleAndSentence, {ContentKind::Bitmap, ContentKind::Animation});
    t.line(1).setText("title");
    t.line(2).setText("sentence");
    auto b = build({t, sentence("after")});
    const ItemHeader h = entry(b->image, 0);
    EXPECT_EQ(h.startSector(1), 5120);
    EXPECT_EQ(h.startSector(2), 5123);
    EXPECT_EQ(entry(b->image, 1).startSector(1), 5126);
    EXPECT_EQ(sectorBytes(b->image, 5123, 8), (std::vector<uint8_t>{'s', 'e', 'n', 't', 'e', 'n', 'c', 'e'}));
    EXPECT_TRUE(b->plan.problems.empty());
}

TEST(ProgramWriter, AnimationFramesFollowOneAnother) {
    TempDir dir;
    const std::string gif = writeFile(dir, "three.gif", threeFrameGif());
    ItemRecord r = withPath(item(LayoutCode::OneLine, {ContentKind::Animation}), 1, gif);
    r.header.setPictureSize(1, 99, 99);  // recorded when edited; the file now says otherwise
    auto b = build({r, sentence("next")});
    const ItemHeader h = entry(b->image, 0);
    EXPECT_EQ(h.frameCount(1), 3);
    EXPECT_EQ(h.pictureWidth(1), 16);
    EXPECT_EQ(h.pictureHeight(1), 16);
    EXPECT_EQ(entry(b->image, 1).startSector(1), 5121);  // 3 x 64 bytes: one sector
    // The size it was chosen with no longer matches: named, once.
    ASSERT_EQ(b->plan.resized.size(), 1u);
    EXPECT_EQ(b->plan.resized[0].item, 0);
    EXPECT_EQ(b->plan.resized[0].line, 1);
    EXPECT_NE(b->plan.resized[0].text.find("99x99 -> 16x16"), std::string::npos) << b->plan.resized[0].text;
    // Recorded at the file's own size, or never recorded: nothing to say.
    for (uint16_t size : {16, 0}) {
        r.header.setPictureSize(1, size, size);
        EXPECT_TRUE(build({r})->plan.resized.empty()) << size;
    }

    const auto frames = sectorBytes(b->image, 5120, 192);
    EXPECT_EQ(frames[0], 0xFF);            // frame 0 plane 1: red
    EXPECT_EQ(frames[32], 0x00);           // frame 0 plane 2
    EXPECT_EQ(frames[64], 0x00);           // frame 1 plane 1: green only
    EXPECT_EQ(frames[96], 0xFF);           // frame 1 plane 2
    EXPECT_EQ(frames[128 + 2 * 5], 0x0F);  // frame 2 plane 1, row 5: the yellow square at x 4..11
    EXPECT_EQ(frames[160 + 2 * 5], 0xFF);  // frame 2 plane 2, row 5: green under the square too
}

TEST(ProgramWriter, UnusableFilesTakeNoSectorsAndAreReported) {
    TempDir dir;
    const std::string notBmp = writeFile(dir, "fake.bmp", {'P', 'K', 3, 4});
    const std::string oneFrame =
        writeFile(dir, "one.gif", testing::makeGif(4, 4, {{0, 0, 0}, {255, 0, 0}}, {{}}));
    ItemRecord pictures =
        item(LayoutCode::ThreeLines, {ContentKind::Bitmap, ContentKind::Animation, ContentKind::Animation});
    pictures.header.setPictureSize(1, 160, 16);
    pictures.header.setFrameCount(2, 7);
    pictures = withPath(withPath(withPath(pictures, 1, notBmp), 2, dir.file("gone.gif")), 3, oneFrame);
    auto b = build({pictures, sentence("next")});
    ASSERT_EQ(b->outcome.result, PlanResult::Ok);
    const ItemHeader h = entry(b->image, 0);
    EXPECT_EQ(h.startSector(1), 5120);
    EXPECT_EQ(h.startSector(2), 5120);
    EXPECT_EQ(h.startSector(3), 5120);
    // The sign must not read planes the build did not write.
    EXPECT_EQ(h.pictureWidth(1), 0);
    EXPECT_EQ(h.frameCount(2), 0);
    EXPECT_EQ(h.frameCount(3), 0);  // one frame: an empty frame list
    EXPECT_EQ(entry(b->image, 1).startSector(1), 5120);
    ASSERT_EQ(b->plan.problems.size(), 2u);
    EXPECT_EQ(b->plan.problems[0].line, 1);
    EXPECT_NE(b->plan.problems[1].text.find("gone.gif"), std::string::npos);
    EXPECT_TRUE(b->plan.items[0].lines[1].animationFailed);
    EXPECT_FALSE(b->plan.items[0].lines[2].animationFailed);
}

TEST(ProgramWriter, UpdatesInPlaceAndAnEmptyListWritesOnlyTheHeader) {
    ProgramImage image;
    const std::vector<uint8_t> marks(512, 0x77);
    ASSERT_EQ(image.writeAtSector(5120, marks), IoResult::Ok);
    ASSERT_EQ(image.writeAtSector(4992, marks), IoResult::Ok);  // item table entries 0..3
    ASSERT_EQ(image.write(ProgramImage::kModelOffset, std::vector<uint8_t>{'L', 'E', 'D'}), IoResult::Ok);

    ItemStore empty;
    ProgramPlan plan;
    ASSERT_EQ(planProgram(empty, 0, 6, 1, plan).result, PlanResult::Ok);
    ASSERT_EQ(plan.writes.size(), 1u);
    ImageSink sink(image);
    ASSERT_EQ(writeProgram(plan, sink), IoResult::Ok);
    EXPECT_EQ(sectorBytes(image, 5120, 512), marks);
    EXPECT_EQ(sectorBytes(image, 4992, 512), marks);
    EXPECT_EQ(sectorBytes(image, 32, 3), (std::vector<uint8_t>{'L', 'E', 'D'}));
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{6, 1, 0}));
}

TEST(ProgramWriter, AProgramPastSector65535IsRefusedBeforeAnyWrite) {
    // 800 x 160 frames take 32,000 bytes each; 40 of them fill 2500 sectors, so 25 such lines
    // (62,500 sectors) cannot fit in the 60,416 sectors of the content area.
    TempDir dir;
    const std::string big = writeFile(dir, "big.gif", testing::repeatedFrames(800, 160, true, 40));
    ItemRecord three = item(LayoutCode::ThreeLines,
                            {ContentKind::Animation, ContentKind::Animation, ContentKind::Animation});
    for (int line = 1; line <= 3; ++line) three = withPath(three, line, big);
    ItemStore store;
    for (int i = 0; i < 9; ++i) ASSERT_EQ(store.writeRecord(i, three), IoResult::Ok);
    // Refused before a single line is encoded, rather than after encoding the eight that fit.
    int encoded = 0;
    ProgramPlan plan;
    const PlanOutcome outcome = planProgram(store, 9, 10, 2, plan, [&](int, int) { ++encoded; });
    EXPECT_EQ(outcome.result, PlanResult::TooLarge);
    EXPECT_EQ(outcome.item, 8);  // lines 22..24 would reach sector 65620
    EXPECT_NE(outcome.message.find("9번째 아이템"), std::string::npos);
    EXPECT_TRUE(plan.writes.empty());
    EXPECT_EQ(encoded, 0);
}

// An image whose device refuses writes after a number of them, as a full or failing disk would.
class FailingDevice final : public ByteDevice {
  public:
    explicit FailingDevice(int writesLeft) : writesLeft_(writesLeft) {}
    uint64_t size() const override { return memory_.size(); }
    IoResult read(uint64_t offset, std::span<uint8_t> out) const override {
        return memory_.read(offset, out);
    }
    IoResult write(uint64_t offset, std::span<const uint8_t> in) override {
        return writesLeft_-- > 0 ? memory_.write(offset, in) : IoResult::WriteFailed;
    }

  private:
    MemoryDevice memory_{ProgramImage::kSize};
    int writesLeft_;
};

TEST(ProgramWriter, AFailedBuildLeavesNoItemsBehind) {
    ItemStore store;
    for (int i = 0; i < 3; ++i) ASSERT_EQ(store.writeRecord(i, sentence("x")), IoResult::Ok);
    ProgramPlan plan;
    ASSERT_EQ(planProgram(store, 3, 10, 2, plan).result, PlanResult::Ok);

    ProgramImage image(std::make_unique<FailingDevice>(4));
    ASSERT_EQ(image.writeHeader({10, 2, 42}), IoResult::Ok);  // an earlier build's program
    ImageSink sink(image);
    EXPECT_EQ(writeProgram(plan, sink), IoResult::WriteFailed);
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h.itemCount, 0);
}

TEST(ProgramWriter, PreviewStepTotal) {
    TempDir dir;
    const std::string gif = writeFile(dir, "three.gif", threeFrameGif());
    ItemRecord pictures = item(LayoutCode::TwoLines, {ContentKind::Bitmap, ContentKind::Animation});
    pictures = withPath(withPath(pictures, 1, dir.file("gone.bmp")), 2, gif);
    ItemRecord broken = item(LayoutCode::TwoLines, {ContentKind::Sentence, ContentKind::Animation});
    broken = withPath(broken, 2, dir.file("gone.gif"));
    ItemRecord odd = item(static_cast<LayoutCode>(9), {});
    ItemRecord empty =
        item(LayoutCode::ThreeLines, {ContentKind::None, ContentKind::Clock, ContentKind::Temperature});
    auto b = build({sentence("a"), pictures, broken, item(LayoutCode::TitleAndSentence, {}), odd, empty});
    // 2 + (1 + 1 + 3) + 1 (the sentence before the failed animation) + 3 + 1 + 3
    EXPECT_EQ(previewStepTotal(b->plan), 15);
}

}  // namespace
}  // namespace orb
