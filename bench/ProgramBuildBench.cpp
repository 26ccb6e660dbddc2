// Building a large program into an existing image, against writing the same bytes with plain
// file writes. The program: 100 items, a third 800 x 160 bitmaps, a third 50-frame animations
// of 160 x 64, a third sentences.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "editor/core/LineEncoder.h"
#include "editor/core/ProgramWriter.h"
#include "image/Cp949.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

struct Fixture {
    testing::TempDir dir;
    ItemStore store;
    std::string image = dir.file("preview.tmp");

    Fixture() {
        testing::BmpRecipe bmp;
        bmp.width = 800;
        bmp.height = 160;
        bmp.colour = [](int x, int y) { return Rgb{uint8_t(x * 7 + y), uint8_t(x ^ y), uint8_t(y * 3)}; };
        testing::writeFileBytes(dir.file("picture.bmp"), testing::makeBmp(bmp));

        std::vector<testing::GifFrameSpec> frames(50);
        for (size_t k = 0; k < frames.size(); ++k) {
            frames[k].width = 160;
            frames[k].height = 64;
            frames[k].indexes.resize(160 * 64);
            for (size_t i = 0; i < frames[k].indexes.size(); ++i)
                frames[k].indexes[i] = uint8_t((i / 7 + k) % 4);
        }
        testing::writeFileBytes(
            dir.file("anim.gif"),
            testing::makeGif(160, 64, {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0}}, frames));

        for (int i = 0; i < 100; ++i) {
            ItemRecord r;
            r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
            switch (i % 3) {
                case 0:
                    r.header.setKind(1, ContentKind::Bitmap);
                    r.line(1).setPath(dir.file("picture.bmp"));
                    break;
                case 1:
                    r.header.setKind(1, ContentKind::Animation);
                    r.line(1).setPath(dir.file("anim.gif"));
                    break;
                default:
                    r.header.setKind(1, ContentKind::Sentence);
                    r.line(1).setText(utf8ToCp949("전광판 문장 " + std::to_string(i)).value(), 0x0040);
            }
            store.writeRecord(i, r);
        }
        createZeroFile(image, ProgramImage::kSize);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_BuildIntoExistingImage(benchmark::State& state) {
    Fixture& f = fixture();
    size_t bytes = 0;
    for (auto _ : state) {
        ProgramPlan plan;
        planProgram(f.store, 100, 40, 8, plan);
        ProgramImage image;
        ProgramImage::open(f.image, FileMode::ReadWrite, image);
        ImageSink sink(image);
        writeProgram(plan, sink);
        bytes = 0;
        for (const ProgramWrite& w : plan.writes) bytes += w.bytes.size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_BuildIntoExistingImage)->Unit(benchmark::kMillisecond);

// The same bytes made by the same encoders, each written with pwrite as soon as it is made: the
// work of the build without its plan and sink.
void BM_EncodeAndPlainWrites(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) {
        int fd = ::open(f.image.c_str(), O_RDWR);
        uint64_t sector = ProgramImage::kFirstContentSector;
        for (int i = 0; i < 100; ++i) {
            ItemRecord r;
            f.store.readRecord(i, r);
            EncodedLine line = encodeLine(r.header.kind(1), r.line(1));
            benchmark::DoNotOptimize(
                ::pwrite(fd, line.bytes.data(), line.bytes.size(), static_cast<off_t>(sector * 512)));
            r.header.setStartSector(1, static_cast<uint16_t>(sector));
            sector += sectorsFor(line.bytes.size());
            benchmark::DoNotOptimize(::pwrite(fd, r.header.bytes.data(), 128,
                                              static_cast<off_t>(ProgramImage::itemEntryOffset(i))));
        }
        ::close(fd);
    }
}
BENCHMARK(BM_EncodeAndPlainWrites)->Unit(benchmark::kMillisecond);

// The same writes, their bytes ready in memory, with open, pwrite and close.
void BM_PlainWritesOfTheSameBytes(benchmark::State& state) {
    Fixture& f = fixture();
    ProgramPlan plan;
    planProgram(f.store, 100, 40, 8, plan);
    size_t bytes = 0;
    for (const ProgramWrite& w : plan.writes) bytes += w.bytes.size();
    for (auto _ : state) {
        int fd = ::open(f.image.c_str(), O_RDWR);
        for (const ProgramWrite& w : plan.writes)
            benchmark::DoNotOptimize(
                ::pwrite(fd, w.bytes.data(), w.bytes.size(), static_cast<off_t>(w.address)));
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}
BENCHMARK(BM_PlainWritesOfTheSameBytes)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
