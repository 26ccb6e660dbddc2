// signemu: a stand-in for the sign, over TCP or a pseudo-terminal.
//   signemu (--tcp HOST:PORT | --pty PATH) [--memory FILE] [--model NAME] [--log FILE]
//           [--line-rate BPS] [--no-answer-after N] [--bad-sum-after N] [--no-etx]
//           [--delay MS [--delay-frame K]] [--close-after N] [--corrupt-write K] [--idle-timeout MS]
// Serves one client at a time. Port 0 takes a free port; the address is printed on stdout.
// Never blocks in a write: a client that does not read its answers is dropped, a silent client
// gives way after the idle time when another one is waiting, and SIGTERM ends it in any state.
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "image/DecimalNumber.h"
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
    uint32_t idleMs = 3000;  // a silent client is dropped after this long when another one waits
    ResponderFaults faults;
};

int usage() {
    std::fputs(
        "usage: signemu (--tcp HOST:PORT | --pty PATH) [--memory FILE] [--model NAME] [--log FILE]\n"
        "               [--line-rate BPS] [--no-answer-after N] [--bad-sum-after N] [--no-etx]\n"
        "               [--delay MS [--delay-frame K]] [--close-after N] [--corrupt-write K]\n"
        "               [--idle-timeout MS]\n",
        stderr);
    return 2;
}

// A numeric option's value in low..high; otherwise a message and false.
template <typename T>
bool numberIn(const std::string& option, const char* text, uint64_t low, uint64_t high, T& into) {
    const std::optional<uint64_t> v = text ? parseDecimal(text, low, high) : std::nullopt;
    if (!v) {
        std::fprintf(stderr, "signemu: %s\n", rangeMessage(option, low, high).c_str());
        return false;
    }
    into = static_cast<T>(*v);
    return true;
}

constexpr uint64_t kMaxCount = INT32_MAX;
constexpr uint64_t kMaxLineRate = 4'000'000;  // bits per second
constexpr uint64_t kMaxDelayMs = 3'600'000;

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return true;
        };
        auto number = [&](auto& into, uint64_t low, uint64_t high) {
            return numberIn(a, i + 1 < argc ? argv[++i] : nullptr, low, high, into);
        };
        bool ok = true;
        if (a == "--tcp")
            ok = next(o.tcp);
        else if (a == "--pty")
            ok = next(o.pty);
        else if (a == "--memory")
            ok = next(o.memory);
        else if (a == "--model")
            ok = next(o.model);
        else if (a == "--log")
            ok = next(o.log);
        else if (a == "--line-rate")
            ok = number(o.lineRate, 0, kMaxLineRate);
        else if (a == "--no-answer-after")
            ok = number(o.faults.noAnswerAfter, 0, kMaxCount);
        else if (a == "--bad-sum-after")
            ok = number(o.faults.badSumAfter, 0, kMaxCount);
        else if (a == "--no-etx")
            o.faults.noEtx = true;
        else if (a == "--delay")
            ok = number(o.faults.delayMs, 0, kMaxDelayMs);
        else if (a == "--delay-frame")
            ok = number(o.faults.delayFrame, 0, kMaxCount);
        else if (a == "--close-after")
            ok = number(o.faults.closeAfter, 0, kMaxCount);
        else if (a == "--corrupt-write")
            ok = number(o.faults.corruptWrite, 0, kMaxCount);
        else if (a == "--idle-timeout")
            ok = number(o.idleMs, 0, kMaxDelayMs);
        else
            ok = false;
        if (!ok) return false;
    }
    return o.tcp.empty() != o.pty.empty();
}

class Emulator {
  public:
    explicit Emulator(const Options& o) : options_(o), sign_(o.model, o.faults) {
        if (!o.log.empty()) log_.open(o.log, std::ios::app);
    }

    // Answers what came in, after the delay a fault asks for.
    ResponderTurn receive(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
        std::vector<std::string> lines;
        const int appliesBefore = sign_.applies();
        ResponderTurn turn = sign_.feed(in, out, lines);
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
    if (!parse(argc, argv, options)) return usage();
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    std::string host;
    uint16_t port = 0;
    if (!options.tcp.empty() && !parseHostPort(options.tcp, host, port)) return usage();
    Emulator emulator(options);
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
    server.serve(
        [&](std::span<const uint8_t> in, std::vector<uint8_t>& out) { return emulator.receive(in, out); },
        [&] { emulator.reconnected(); });
    const int result = 0;
    emulator.saveMemory();
    if (emulator.saveFailed()) return 1;
    return result;
}
