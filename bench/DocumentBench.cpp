// The document on a 100-item project (a third 800 x 160 bitmaps, a third 50-frame animations of
// 160 x 64, a third sentences): opening it, the memory gauge after an edit and from cold, an
// undoable edit, and the preview build with the longest gap between two progress calls.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "editor/core/OrbDocument.h"
#include "editor/core/ProjectFile.h"
#include "image/Cp949.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

struct Fixture {
    testing::TempDir dir;
    std::string project = dir.file("hundred.dat");

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

        ItemStore store;
        ItemStore::open(project, FileMode::CreateOrOpen, store);
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
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_OpenHundredItems(benchmark::State& state) {
    Fixture& f = fixture();
    OrbDocument doc;
    for (auto _ : state) {
        doc.open(f.project);
        benchmark::DoNotOptimize(doc.rowCount());
    }
}
BENCHMARK(BM_OpenHundredItems)->Unit(benchmark::kMillisecond);

void BM_EditThenGauge(benchmark::State& state) {
    Fixture& f = fixture();
    OrbDocument doc;
    doc.open(f.project);
    doc.memoryUse();
    uint8_t minute = 0;
    const std::vector<int> row{2};
    for (auto _ : state) {
        doc.setDisplayTime(row, {1, static_cast<uint8_t>(minute++ % 60)}, {2, 0});
        benchmark::DoNotOptimize(doc.memoryUse().sectors);
    }
}
BENCHMARK(BM_EditThenGauge)->Unit(benchmark::kMillisecond);

void BM_GaugeCold(benchmark::State& state) {
    Fixture& f = fixture();
    OrbDocument doc;
    for (auto _ : state) {
        doc.open(f.project);  // a fresh document forgets what it measured
        benchmark::DoNotOptimize(doc.memoryUse().sectors);
    }
}
BENCHMARK(BM_GaugeCold)->Unit(benchmark::kMillisecond);

void BM_PreviewBuild(benchmark::State& state) {
    Fixture& f = fixture();
    OrbDocument doc;
    doc.open(f.project);
    const std::string image = f.dir.file("preview.tmp");
    double longest = 0;
    for (auto _ : state) {
        auto last = std::chrono::steady_clock::now();
        buildImage(doc.store(), image, [&](int, int) {
            const auto now = std::chrono::steady_clock::now();
            longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
        });
    }
    state.counters["longest_progress_gap_ms"] = longest;
}
BENCHMARK(BM_PreviewBuild)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
