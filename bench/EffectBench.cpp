// Effect steps per CPU second on a 38 x 10 sign. The sign needs 50 ticks a second on each line;
// the target is 20 times that for the worst case, a rotation hold on all three lines.
#include <benchmark/benchmark.h>

#include <memory>

#include "simulator/engine/SignEngine.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"
#include "testsupport/TestImage.h"

namespace orb {
namespace {

struct Sign {
    testing::TestImage image;
    testing::TempDir dir;
    SignFonts fonts;
    std::unique_ptr<MemoryImageSource> source;
    std::unique_ptr<SignEngine> engine;

    Sign() {
        image.header(38, 10, 0);
        testing::writeTestFonts(dir.path().string());
        std::string failed;
        fonts.loadFonts(dir.path().string(), failed);
        source = std::make_unique<MemoryImageSource>(image.bytes);
        engine = std::make_unique<SignEngine>(*source, fonts);
        engine->start(0, {2026, 12, 6, 14, 5, 0});
        // A busy picture over the whole sign.
        PlanePair& w = engine->workingPair();
        for (int y = 0; y < 160; ++y)
            for (int x = 0; x < 608; ++x)
                if ((x * 7 + y * 3) % 5 == 0) w.red.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
};

// Three lines of 3, 3 and 4 modules, each running the effect; one iteration steps every line once.
void runOnThreeLines(benchmark::State& state, EffectPhase phase, int code) {
    Sign sign;
    const int starts[3] = {0, 48, 96}, rows[3] = {48, 48, 64};
    for (int line = 1; line <= 3; ++line)
        sign.engine->startEffect(line, phase, code, 3, starts[line - 1], rows[line - 1]);
    for (auto _ : state) {
        for (int line = 1; line <= 3; ++line) {
            sign.engine->stepEffect(line);
            if (sign.engine->effectState(line).done)
                sign.engine->startEffect(line, phase, code, 3, starts[line - 1], rows[line - 1]);
        }
    }
    state.counters["line_ticks"] = benchmark::Counter(3, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RotationOnThreeLines(benchmark::State& state) {
    runOnThreeLines(state, EffectPhase::Hold, 3);
}
void BM_ZoomOnThreeLines(benchmark::State& state) {
    runOnThreeLines(state, EffectPhase::Hold, 5);
}
void BM_EntryOnThreeLines(benchmark::State& state) {
    runOnThreeLines(state, EffectPhase::Entry, 4);
}
BENCHMARK(BM_RotationOnThreeLines);
BENCHMARK(BM_ZoomOnThreeLines);
BENCHMARK(BM_EntryOnThreeLines);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
