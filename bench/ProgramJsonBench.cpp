// A program as JSON and back: the largest program the format holds (100 three-line items, every
// line a sentence of 511 bytes in which each character has its own colours, so every character
// is a run of its own), and the 100-item program of the build benchmark.
#include <benchmark/benchmark.h>

#include "editor/core/ProgramJson.h"
#include "image/Cp949.h"

namespace orb {
namespace {

ItemStore largestProgram() {
    ItemStore store;
    for (int i = 0; i < ItemStore::kRecords; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::ThreeLines, {2, 3, 3});
        for (int line = 1; line <= 3; ++line) {
            r.header.setKind(line, ContentKind::Sentence);
            r.line(line).setText(std::string(LinePayload::kMaxText, 'A'));
            for (size_t k = 0; k < LinePayload::kMaxText; ++k)
                r.line(line).setAttributeWord(k, static_cast<uint16_t>((k % 2) << 6));
        }
        store.writeRecord(i, r);
    }
    return store;
}

ItemStore buildBenchProgram() {
    ItemStore store;
    for (int i = 0; i < ItemStore::kRecords; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
        const ContentKind kinds[] = {ContentKind::Bitmap, ContentKind::Animation, ContentKind::Sentence};
        r.header.setKind(1, kinds[i % 3]);
        if (i % 3 == 2)
            r.line(1).setText(utf8ToCp949("전광판 문장 " + std::to_string(i)).value(), 0x0040);
        else
            r.line(1).setPath(i % 3 ? "/bench/anim.gif" : "/bench/picture.bmp");
        store.writeRecord(i, r);
    }
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
