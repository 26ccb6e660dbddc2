// A program as JSON and back: the largest program the format holds (100 three-line items, every
// line a sentence of 511 bytes in which each character has its own colours, so every character
// is a run of its own), and the 100-item program of the build benchmark.
#include <benchmark/benchmark.h>

#include "editor/core/ProgramJson.h"
#include "testsupport/BenchProgram.h"

namespace orb {
namespace {

ItemStore largestProgram() {
    ItemStore store;
    testing::writeLargestProgram(store);
    return store;
}

ItemStore buildBenchProgram() {
    ItemStore store;
    testing::writeBenchItems(store, "/bench/picture.bmp", "/bench/anim.gif");
    return store;
}

void exportBench(benchmark::State& state, const ItemStore& store) {
    std::string json;
    for (auto _ : state) {
        exportProgramJson(store, json);
        benchmark::DoNotOptimize(json.data());
    }
    state.counters["json_bytes"] = static_cast<double>(json.size());
}

void importBench(benchmark::State& state, const ItemStore& store) {
    std::string json;
    exportProgramJson(store, json);
    JsonImportOptions options;
    options.fileExists = [](const std::string&) { return true; };
    for (auto _ : state) {
        ItemStore imported;
        benchmark::DoNotOptimize(importProgramJson(json, options, imported).size());
    }
    state.counters["json_bytes"] = static_cast<double>(json.size());
}

void BM_ExportLargest(benchmark::State& state) {
    static const ItemStore store = largestProgram();
    exportBench(state, store);
}
void BM_ImportLargest(benchmark::State& state) {
    static const ItemStore store = largestProgram();
    importBench(state, store);
}
void BM_ExportBuildBenchProgram(benchmark::State& state) {
    static const ItemStore store = buildBenchProgram();
    exportBench(state, store);
}
void BM_ImportBuildBenchProgram(benchmark::State& state) {
    static const ItemStore store = buildBenchProgram();
    importBench(state, store);
}

BENCHMARK(BM_ExportLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportLargest)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportBuildBenchProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportBuildBenchProgram)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
