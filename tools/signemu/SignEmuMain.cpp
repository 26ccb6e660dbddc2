// signemu: a stand-in for the sign, over TCP or a pseudo-terminal.
//   signemu (--tcp HOST:PORT | --pty PATH) [--memory FILE] [--model NAME] [--log FILE]
//           [--line-rate BPS] [--no-answer-after N] [--bad-sum-after N] [--no-etx]
//           [--delay MS [--delay-frame K]] [--close-after N] [--corrupt-write K] [--idle-timeout MS]
// Serves one client at a time. Port 0 takes a free port; the address is printed on stdout.
// Never blocks in a write: a client that does not read its answers is dropped, a silent client
// gives way after the idle time when another one is waiting, and SIGTERM ends it in any state.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/CommandLine.h"
#include "link/TcpLink.h"
#include "sign/SignMemoryFile.h"
#include "sign/SignResponder.h"

namespace {

using namespace orb;

volatile sig_atomic_t stopping = 0;
void onSignal(int) {
    stopping = 1;
}

struct Options {
    std::string tcp, pty, memory, model = "LEDSign", log;
    uint32_t lineRate = 0;   // bits per second the pseudo-terminal is paced at; 0: no pacing
    uint32_t idleMs = 3000;  // a silent client is dropped after this long when another one waits
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
    app.add_option("--memory", o.memory, "keep the sign's memory in FILE across runs")->type_name("FILE");
    app.add_option("--model", o.model, "the model name the sign answers with")->type_name("NAME");
    app.add_option("--log", o.log, "log every frame to FILE")->type_name("FILE");
    addNumber(app, "--line-rate", o.lineRate, 0, kMaxLineRate, "pace the pseudo-terminal at BPS bits/s")
        ->type_name("BPS");
    addNumber(app, "--idle-timeout", o.idleMs, 0, kMaxDelayMs,
              "drop a silent client after MS when another one waits")
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
    return parseCommandLine(app, argc, argv);
}

using Clock = std::chrono::steady_clock;

// Answers not yet taken by a client that does not read are dropped past this.
constexpr size_t kMaxQueued = 256 * 1024;
constexpr int kTickMs = 200;  // the longest any wait goes without looking at `stopping`

// Sleeps for ms, in ticks; false when stopping.
bool pause(uint64_t ms) {
    const auto until = Clock::now() + std::chrono::milliseconds(ms);
    while (!stopping && Clock::now() < until) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(kTickMs)));
    }
    return !stopping;
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
        if (turn.delayMs > 0 && !pause(static_cast<uint64_t>(turn.delayMs))) turn.keep = false;
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

// Answers waiting to go out on a non-blocking descriptor.
class OutQueue {
  public:
    void add(const std::vector<uint8_t>& bytes) { bytes_.insert(bytes_.end(), bytes.begin(), bytes.end()); }
    bool empty() const { return bytes_.empty(); }
    bool overflowing() const { return bytes_.size() > kMaxQueued; }
    void clear() { bytes_.clear(); }
    // Writes what the descriptor takes now; false when it is broken.
    bool flush(int fd) {
        while (!bytes_.empty()) {
            const ssize_t n = ::write(fd, bytes_.data(), bytes_.size());
            if (n > 0) {
                bytes_.erase(bytes_.begin(), bytes_.begin() + n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
        return true;
    }

  private:
    std::vector<uint8_t> bytes_;
};

bool setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

// Waits for input on fd; false when stopping.
bool waitReadable(int fd) {
    pollfd p{fd, POLLIN, 0};
    while (!stopping) {
        const int r = ::poll(&p, 1, kTickMs);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
    }
    return false;
}

bool someoneWaiting(int server) {
    pollfd p{server, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

// One client, until it leaves, misbehaves or we stop.
void serveClient(int client, int server, const Options& o, Emulator& emulator) {
    std::vector<uint8_t> in(4096), out;
    OutQueue queue;
    auto heard = Clock::now();
    while (!stopping) {
        pollfd p{client, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r < 0 && errno != EINTR) return;
        if (r > 0 && (p.revents & POLLOUT) && !queue.flush(client)) return;
        if (r > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            const ssize_t n = ::read(client, in.data(), in.size());
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return;
            if (n < 0) continue;
            heard = Clock::now();
            out.clear();
            const ResponderTurn turn = emulator.receive({in.data(), size_t(n)}, out);
            queue.add(out);
            if (!queue.flush(client) || !turn.keep || queue.overflowing()) return;
        }
        if (Clock::now() - heard > std::chrono::milliseconds(o.idleMs) && someoneWaiting(server)) return;
    }
}

int serveTcp(const Options& o, Emulator& emulator) {
    std::string host;
    uint16_t port = 0;
    parseHostPort(o.tcp, host, port);  // checked with the command line
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        std::fprintf(stderr, "signemu: cannot resolve %s\n", host.c_str());
        return 1;
    }
    const int server = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(server, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (server < 0 || ::bind(server, found->ai_addr, found->ai_addrlen) != 0 ||
        ::listen(server, SOMAXCONN) != 0) {
        std::fprintf(stderr, "signemu: cannot listen on %s: %s\n", o.tcp.c_str(), std::strerror(errno));
        ::freeaddrinfo(found);
        return 1;
    }
    ::freeaddrinfo(found);
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    ::getsockname(server, reinterpret_cast<sockaddr*>(&bound), &length);
    const uint16_t actual =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<sockaddr_in*>(&bound)->sin_port);
    std::printf("signemu: listening on %s:%u\n", host.c_str(), actual);
    std::fflush(stdout);

    while (waitReadable(server)) {
        const int client = ::accept4(server, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (client < 0) continue;
        ::setsockopt(client, IPPROTO_TCP, 1 /* TCP_NODELAY */, &one, sizeof one);
        emulator.reconnected();
        serveClient(client, server, o, emulator);
        ::close(client);
    }
    ::close(server);
    return 0;
}

int servePty(const Options& o, Emulator& emulator) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0 || !setNonBlocking(master)) {
        std::fprintf(stderr, "signemu: cannot make a pseudo-terminal\n");
        return 1;
    }
    const std::string slave = ::ptsname(master);
    // Our own open end keeps the master readable while no client has the line open.
    const int keep = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    ::tcgetattr(keep, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(keep, TCSANOW, &t);
    ::unlink(o.pty.c_str());
    if (::symlink(slave.c_str(), o.pty.c_str()) != 0) {
        std::fprintf(stderr, "signemu: cannot link %s to %s\n", o.pty.c_str(), slave.c_str());
        return 1;
    }
    std::printf("signemu: serving on %s (%s)\n", o.pty.c_str(), slave.c_str());
    std::fflush(stdout);

    // Paced like a serial line: each byte takes 10 bit times (start, 8 data, stop).
    auto lineTime = [&](size_t bytes) {
        if (o.lineRate) pause(bytes * 10'000ull / o.lineRate);
    };
    std::vector<uint8_t> in(4096), out;
    OutQueue queue;
    while (!stopping) {
        pollfd p{master, short(POLLIN | (queue.empty() ? 0 : POLLOUT)), 0};
        const int r = ::poll(&p, 1, kTickMs);
        if (r < 0 && errno != EINTR) break;
        if (r > 0 && (p.revents & POLLOUT)) queue.flush(master);
        if (r <= 0 || !(p.revents & POLLIN)) continue;
        const ssize_t n = ::read(master, in.data(), in.size());
        if (n <= 0) continue;
        lineTime(static_cast<size_t>(n));
        out.clear();
        if (!emulator.receive({in.data(), size_t(n)}, out).keep)
            emulator.reconnected();  // a line cannot close
        queue.add(out);
        queue.flush(master);
        lineTime(out.size());
        if (queue.overflowing()) {
            // Nobody reads the line: what it holds is lost, as on a serial line with no listener.
            ::tcflush(keep, TCIFLUSH);
            queue.clear();
        }
    }
    ::unlink(o.pty.c_str());
    ::close(keep);
    ::close(master);
    return 0;
}

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
    const int result = options.tcp.empty() ? servePty(options, emulator) : serveTcp(options, emulator);
    emulator.saveMemory();
    if (emulator.saveFailed()) return 1;
    return result;
}
