// Frames per second of a program transfer to signemu, over loopback TCP and over a
// pseudo-terminal, and over a pseudo-terminal paced like a 57,600 bps line (compared with what
// such a line can carry: each frame and its six-byte answer, ten bits a byte). The verified runs
// add the read-back of every range written, in queries of 512 bytes.
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/core/ProgramVerify.h"
#include "editor/core/ProgramWriter.h"
#include "editor/core/SignCommands.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

struct Program {
    testing::TempDir dir;
    ItemStore store;
    Program() { testing::writeTransferProgram(dir, store); }
};

void transfer(benchmark::State& state, bool pty, uint32_t lineRate, bool verify = false,
              bool readBackOnly = false) {
    static Program program;
    testing::TempDir dir;
    std::vector<std::string> argv = {SIGNEMU_PATH, pty ? "--pty" : "--tcp",
                                     pty ? dir.file("tty") : "127.0.0.1:0"};
    if (lineRate) argv.insert(argv.end(), {"--line-rate", std::to_string(lineRate)});
    testing::ChildProcess emu(argv);
    SerialPort serial;
    TcpLink tcp;
    SignLink link;
    if (pty) {
        serial.open({dir.file("tty"), 1, 57600});
        link.useSerial(serial);
    } else {
        tcp.setPeer("127.0.0.1", static_cast<uint16_t>(emu.port()));
        link.useTcp(tcp);
    }
    // What crosses the line in one transfer: every frame and its answer.
    ProgramPlan plan;
    planProgram(program.store, program.store.itemCount(), 6, 1, plan);
    int frames = 3;  // the model check, the count write and SignApply
    double lineBytes = 12 + 14 + 14 + 6 + 6 + 6;
    for (const ProgramWrite& w : plan.writes) {
        if (w.kind == ProgramWrite::Kind::ImageHeader) continue;
        for (size_t at = 0; at < w.bytes.size(); at += 512, ++frames)
            lineBytes += static_cast<double>(std::min<size_t>(512, w.bytes.size() - at) + 12 + 6);
    }
    if (readBackOnly) {
        // The read-back alone, of a program sent once before.
        if (!transferProgram(link, program.store, TransferOptions{}).ok)
            state.SkipWithError("transfer failed");
        for (auto _ : state)
            if (!verifyProgram(link, plan, {}, nullptr).ok) state.SkipWithError("read-back failed");
        return;
    }
    TransferOptions options;
    options.verify = verify;
    for (auto _ : state) {
        const CommandOutcome r = transferProgram(link, program.store, options);
        if (!r.ok) state.SkipWithError(r.message.c_str());
    }
    state.counters["frames"] = benchmark::Counter(frames, benchmark::Counter::kIsIterationInvariantRate);
    if (lineRate) {
        state.counters["line_bytes"] =
            benchmark::Counter(lineBytes, benchmark::Counter::kIsIterationInvariantRate);
        state.counters["line_capacity"] = lineRate / 10.0;
    }
}

void BM_TransferTcp(benchmark::State& state) {
    transfer(state, false, 0);
}
void BM_TransferPty(benchmark::State& state) {
    transfer(state, true, 0);
}
void BM_TransferPty57600(benchmark::State& state) {
    transfer(state, true, 57600);
}
void BM_TransferTcpVerified(benchmark::State& state) {
    transfer(state, false, 0, true);
}
void BM_TransferPtyVerified(benchmark::State& state) {
    transfer(state, true, 0, true);
}
void BM_ReadBackTcp(benchmark::State& state) {
    transfer(state, false, 0, true, true);
}
void BM_ReadBackPty(benchmark::State& state) {
    transfer(state, true, 0, true, true);
}
BENCHMARK(BM_TransferTcp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBackTcp)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadBackPty)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransferTcpVerified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransferPty)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransferPtyVerified)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransferPty57600)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
