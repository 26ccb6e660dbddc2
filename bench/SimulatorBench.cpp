// How fast the engine plays, headless: simulated sign time per CPU second for a 38 x 10 sign
// playing three-line items (a passing sentence, a clock, a passing bitmap; an animation, a D-day,
// a temperature). The sign needs 1000 simulated ms per second; the target is 100 times that.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "image/Cp949.h"
#include "simulator/engine/SignEngine.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"
#include "testsupport/TestImage.h"

namespace orb {
namespace {

testing::TestImage threeLineProgram() {
    using K = ContentKind;
    testing::TestImage image;
    image.header(38, 10, 2);
    ItemHeader first = testing::itemHeader(LayoutCode::ThreeLines, {3, 3, 4},
                                           {K::Sentence, K::Clock, K::Bitmap}, {5120, 5123, 5123});
    first.setEffects(1, {1, 0, 0, 0, 0, 0, 0});
    first.setEffects(2, {0, 0, 0, 9, 0, 0, 0});
    first.setEffects(3, {1, 0, 0, 0, 0, 0, 0});
    first.setPictureSize(3, 600, 64);
    image.item(0, first);
    image.text(5120, utf8ToCp949("전광판 시뮬레이터가 얼마나 빨리 도는지 재어 봅니다 ABC 123").value(),
               0x0080);
    image.planes(5123 * 512, 600, 64, [](int x, int y) { return (x / 8 + y / 8) % 4; });

    ItemHeader second = testing::itemHeader(LayoutCode::ThreeLines, {4, 3, 3},
                                            {K::Animation, K::Dday, K::Temperature}, {5400, 6000, 6000});
    second.setPictureSize(1, 608, 64);
    second.setFrameCount(1, 20);
    second.setDdayDate(2, {2027, 1, 1});
    second.setEffects(3, {0, 0, 0, 9, 0, 0, 0});
    image.item(1, second);
    image.text(6000, utf8ToCp949("새해까지").value(), 0x0040);
    for (int f = 0; f < 20; ++f)
        image.planes(5400 * 512 + static_cast<uint64_t>(f) * 64 * 76 * 2, 608, 64,
                     [f](int x, int y) { return ((x + f) / 16 + y / 16) % 4; });
    return image;
}

constexpr uint64_t kSpan = 10000;  // simulated milliseconds per iteration
const LocalDateTime kNow{2026, 12, 6, 14, 5, 0};

// The engine started on the three-line program at kNow, with the generated fonts.
struct StartedEngine {
    StartedEngine() {
        testing::writeTestFonts(dir.path().string());
        std::string failed;
        fonts.loadFonts(dir.path().string(), failed);
        engine = std::make_unique<SignEngine>(source, fonts);
        engine->start(0, kNow);
    }

    static const testing::TestImage& image() {
        static const testing::TestImage program = threeLineProgram();
        return program;
    }

    testing::TempDir dir;
    SignFonts fonts;
    MemoryImageSource source{image().bytes};
    std::unique_ptr<SignEngine> engine;
};

// "simulated_ms" per second is the speed-up over real time times 1000.
void countSimulatedMs(benchmark::State& state) {
    state.counters["simulated_ms"] = benchmark::Counter(kSpan, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_HeadlessPlay(benchmark::State& state) {
    StartedEngine started;
    SignEngine& engine = *started.engine;
    uint64_t t = 0;
    for (auto _ : state) {
        for (uint64_t end = t + kSpan; t < end; ++t) engine.pass(t, advance(kNow, t));
        benchmark::DoNotOptimize(engine.frontFrame().red.bytes[0]);
    }
    countSimulatedMs(state);
}
BENCHMARK(BM_HeadlessPlay)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same program as Glimmer --headless plays it: from one deadline to the next.
void BM_HeadlessJumping(benchmark::State& state) {
    StartedEngine started;
    SignEngine& engine = *started.engine;
    uint64_t t = 0;
    for (auto _ : state) {
        for (const uint64_t end = t + kSpan; t < end;) {
            engine.pass(t, advance(kNow, t));
            t = std::max(t + 1, engine.nextDeadline());
        }
        benchmark::DoNotOptimize(engine.frontFrame().red.bytes[0]);
    }
    countSimulatedMs(state);
}
BENCHMARK(BM_HeadlessJumping)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
