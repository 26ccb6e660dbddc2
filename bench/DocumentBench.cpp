// The document on a 100-item project (a third 800 x 160 bitmaps, a third 50-frame animations of
// 160 x 64, a third sentences): opening it, the memory gauge after an edit and from cold, an
// undoable edit, and the preview build with the longest gap between two progress calls.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "editor/core/OrbDocument.h"
#include "editor/core/ProjectFile.h"
#include "testsupport/BenchProgram.h"

namespace orb {
namespace {

struct Fixture {
    testing::TempDir dir;
    std::string project = dir.file("hundred.dat");

    Fixture() {
        testing::writeBenchPictures(dir);
        ItemStore store;
        ItemStore::open(project, FileMode::CreateOrOpen, store);
        testing::writeBenchItems(store, dir.file("picture.bmp"), dir.file("anim.gif"));
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
