// Building a large program into an existing image, against writing the same bytes with plain
// file writes. The program is testsupport/BenchProgram.h's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include "editor/core/LineEncoder.h"
#include "editor/core/ProgramWriter.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

struct Fixture {
    testing::TempDir dir;
    ItemStore store;
    std::string image = dir.file("preview.tmp");

    Fixture() {
        testing::writeBenchProgram(dir, store);
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
