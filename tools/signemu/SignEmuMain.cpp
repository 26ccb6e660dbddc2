// signemu: a stand-in for the sign, over TCP or a pseudo-terminal.
//   signemu (--tcp HOST:PORT | --pty PATH) [--memory FILE] [--model NAME] [--log FILE]
//           [--line-rate BPS] [--no-answer-after N] [--bad-sum-after N] [--no-etx]
//           [--delay MS [--delay-frame K]] [--close-after N] [--corrupt-write K] [--corrupt-from K]
//           [--idle-timeout MS]
// Serves one client at a time. Port 0 takes a free port; the address is printed on stdout.
// Never blocks in a write: a client that does not read its answers is dropped, a client without a
// whole frame for the idle time gives way when another one is waiting, and SIGTERM ends it in any
// state. A memory file is loaded at start and kept (made when missing); one that is not a
// writable regular file of 32 MiB, or a log that cannot be opened, ends it at once with exit 2.
#include <signal.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "link/TcpLink.h"
#include "sign/SignLinkServer.h"
#include "sign/SignMemoryFile.h"
#include "sign/SignResponder.h"

namespace {

using namespace orb;

std::atomic<bool> stopping{false};
void onSignal(int) {
    stopping = true;
}

struct Options {
    std::string tcp, pty, memory, model = "LEDSign", log;
    uint32_t lineRate = 0;   // bits per second the pseudo-terminal is paced at; 0: no pacing
    uint32_t idleMs = 3000;  // a client without a whole frame is dropped after this long when another waits
    ResponderFaults faults;
};

constexpr uint64_t kMaxCount = INT32_MAX;
constexpr uint64_t kMaxLineRate = 4'000'000;  // bits per second
constexpr uint64_t kMaxDelayMs = 3'600'000;

// The options into o; the exit code when the run ends with the command line.
std::optional<int> parse(int argc, char** argv, Options& o) {
    CLI::App app("A stand-in for the sign, over TCP or a pseudo-terminal; serves one client at a time.",
                 "signemu");
    setUpCommandLine(app);
    CLI::Option_group* where = app.add_option_group("Link", "where the sign listens, one of");
    where->add_option("--tcp", o.tcp, "listen on HOST:PORT (port 0: a free one, printed on stdout)")
        ->type_name("HOST:PORT")
        ->check([](const std::string& text) {
            std::string host;
            uint16_t port = 0;
            return parseHostPort(text, host, port) ? std::string() : "needs HOST:PORT";
        });
    where->add_option("--pty", o.pty, "make a pseudo-terminal and link it as PATH")->type_name("PATH");
    where->require_option(1);
    app.add_option("--memory", o.memory,
                   "keep the sign's memory in FILE across runs (loaded at start, made when missing)")
        ->type_name("FILE");
    app.add_option("--model", o.model, "the model name the sign answers with")->type_name("NAME");
    app.add_option("--log", o.log, "log every frame to FILE")->type_name("FILE");
    addNumber(app, "--line-rate", o.lineRate, 0, kMaxLineRate, "pace the pseudo-terminal at BPS bits/s")
        ->type_name("BPS");
    addNumber(app, "--idle-timeout", o.idleMs, 0, kMaxDelayMs,
              "drop a client that sent no whole frame for MS when another one waits")
        ->type_name("MS");
    CLI::Option_group* faults = app.add_option_group("Faults", "misbehave on purpose, for tests");
    addNumber(*faults, "--no-answer-after", o.faults.noAnswerAfter, 0, kMaxCount,
              "stay silent after N answers");
    addNumber(*faults, "--bad-sum-after", o.faults.badSumAfter, 0, kMaxCount,
              "a wrong checksum after N answers");
    faults->add_flag("--no-etx", o.faults.noEtx, "answers without their end byte");
    addNumber(*faults, "--delay", o.faults.delayMs, 0, kMaxDelayMs, "wait MS before answering")
        ->type_name("MS");
    addNumber(*faults, "--delay-frame", o.faults.delayFrame, 0, kMaxCount, "only the K-th frame is delayed")
        ->type_name("K");
    addNumber(*faults, "--close-after", o.faults.closeAfter, 0, kMaxCount, "hang up after N frames");
    addNumber(*faults, "--corrupt-write", o.faults.corruptWrite, 0, kMaxCount,
              "corrupt the K-th memory write")
        ->type_name("K");
    addNumber(*faults, "--corrupt-from", o.faults.corruptFrom, 0, kMaxCount,
              "corrupt every memory write from the K-th on")
        ->type_name("K");
    return parseCommandLine(app, argc, argv);
}

class Emulator {
  public:
    explicit Emulator(const Options& o) : options_(o), sign_(o.model, o.faults) {}

    // Takes up the memory file and opens the log before anything is served; the message of what
    // cannot be used.
    std::string start() {
        if (!options_.log.empty()) {
            log_.open(options_.log, std::ios::app);
            if (!log_) return "cannot open the log " + options_.log + ": " + std::strerror(errno);
        }
        if (options_.memory.empty()) return {};
        std::vector<uint8_t> saved;
        const MemoryFileResult r = openMemoryFile(options_.memory, SignResponder::kMemoryBytes, saved);
        if (r == MemoryFileResult::Ok) sign_.loadMemory(saved);
        if (r == MemoryFileResult::Ok || r == MemoryFileResult::Created) return {};
        return memoryFileRefusal(options_.memory, r, SignResponder::kMemoryBytes);
    }

    // Answers what came in, after the delay a fault asks for.
    ResponderTurn receive(std::span<const uint8_t> in, Arrival arrival, std::vector<uint8_t>& out) {
        std::vector<std::string> lines;
        const int appliesBefore = sign_.applies();
        ResponderTurn turn = sign_.feed(in, arrival, out, lines);
        for (const std::string& l : lines) log_ << l << '\n';
        log_.flush();
        if (sign_.applies() != appliesBefore) saveMemory();
        if (turn.delayMs > 0 && !pauseUnlessStopped(static_cast<uint64_t>(turn.delayMs), stopping))
            turn.keep = false;
        return turn;
    }
    void reconnected() { sign_.reconnected(); }

    void saveMemory() {
        if (options_.memory.empty()) return;
        std::string error;
        if (saveMemoryFile(options_.memory, sign_.memory(), error) == MemoryFileResult::Ok) return;
        std::fprintf(stderr, "signemu: cannot save the memory to %s: %s\n", options_.memory.c_str(),
                     error.c_str());
        saveFailed_ = true;
    }
    bool saveFailed() const { return saveFailed_; }

  private:
    const Options& options_;
    SignResponder sign_;
    std::ofstream log_;
    bool saveFailed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const std::optional<int> ended = parse(argc, argv, options)) return *ended;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    Emulator emulator(options);
    // Files that cannot be used are the command line's fault: refused before anything is served.
    if (const std::string refused = emulator.start(); !refused.empty()) {
        std::fprintf(stderr, "signemu: %s\n", refused.c_str());
        return 2;
    }
    LinkServerOptions link{options.tcp, options.pty, options.lineRate, options.idleMs};
    SignLinkServer server(link, stopping);
    std::string error;
    if (!server.open(error)) {
        std::fprintf(stderr, "signemu: %s\n", error.c_str());
        return 1;
    }
    std::printf("signemu: %s %s\n", options.tcp.empty() ? "serving on" : "listening on",
                server.address().c_str());
    std::fflush(stdout);
    server.serve([&](std::span<const uint8_t> in, Arrival arrival,
                     std::vector<uint8_t>& out) { return emulator.receive(in, arrival, out); },
                 [&] { emulator.reconnected(); });
    emulator.saveMemory();
    return emulator.saveFailed() ? 1 : 0;
}
