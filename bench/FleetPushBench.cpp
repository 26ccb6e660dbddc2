// The sign network's runner at scale, over loopback TCP.
//   bench_fleet_push [--signs N] [--links L]
//     The 643-frame benchmark program pushed, verified, to one signemu and then to N (default 100)
//     signemu processes at most L (default 16) links at once: wall times and their ratio.
//     The target is under 15 s for 100 signs.
//   bench_fleet_push --health [--signs N] [--seconds S]
//     N (default 1,000) signs, each model-checked every 10 s and holding-checked every 60 s by the
//     health scheduler, answered by responders in a child process: the share of a core the runner
//     and the scheduler use, and their resident memory. The target is under 5 % and 200 MB.
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/fleet/FleetRunner.h"
#include "service/fleet/HealthScheduler.h"
#include "sign/SignResponder.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace {

using namespace orb;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Counts the tasks that ended, and how.
class Tally final : public FleetListener {
  public:
    void onTask(const TaskReport& r) override {
        if (r.state != TaskState::Done && r.state != TaskState::Failed && r.state != TaskState::Cancelled)
            return;
        {
            std::lock_guard lock(mutex_);
            ++ended_;
            if (r.state == TaskState::Done) ++done_;
            if (r.state != TaskState::Done && lastFailure_.empty()) lastFailure_ = r.message;
        }
        changed_.notify_all();
    }
    void waitFor(int ended) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return ended_ >= ended; });
    }
    int done() const {
        std::lock_guard lock(mutex_);
        return done_;
    }
    int ended() const {
        std::lock_guard lock(mutex_);
        return ended_;
    }
    std::string lastFailure() const {
        std::lock_guard lock(mutex_);
        return lastFailure_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    int ended_ = 0, done_ = 0;
    std::string lastFailure_;
};

SignAddress loopback(uint16_t port) {
    SignAddress a;
    a.tcp = true;
    a.host = "127.0.0.1";
    a.port = port;
    return a;
}

// Pushes to every sign at once; the wall time, or a negative one when a push failed.
double pushAll(const PushProgram& push, const std::vector<uint16_t>& ports, int links) {
    FleetSettings settings;
    settings.maxLinks = links;
    settings.tries = 1;
    Tally tally;
    const auto start = Clock::now();
    {
        FleetRunner runner(settings, tally, currentLocalTime);
        for (size_t i = 0; i < ports.size(); ++i)
            runner.submit({i + 1, static_cast<int64_t>(i), loopback(ports[i]), push, false});
        tally.waitFor(static_cast<int>(ports.size()));
    }
    const double seconds = secondsSince(start);
    if (tally.done() != static_cast<int>(ports.size())) {
        std::printf("  %d of %zu pushes failed: %s\n", static_cast<int>(ports.size()) - tally.done(),
                    ports.size(), tally.lastFailure().c_str());
        return -seconds;
    }
    return seconds;
}

int benchPush(int signs, int links) {
    testing::TempDir dir;
    auto store = std::make_shared<ItemStore>();
    testing::writeTransferProgram(dir, *store);
    const PushProgram push{store, store->itemCount(), 6, 1};

    // The signs start side by side: each waits for its port to be printed.
    std::vector<std::unique_ptr<testing::ChildProcess>> emus(static_cast<size_t>(signs));
    std::vector<std::thread> starters;
    for (int t = 0; t < 8; ++t)
        starters.emplace_back([&, t] {
            for (int i = t; i < signs; i += 8)
                emus[static_cast<size_t>(i)] = std::make_unique<testing::ChildProcess>(
                    std::vector<std::string>{SIGNEMU_PATH, "--tcp", "127.0.0.1:0"});
        });
    for (std::thread& t : starters) t.join();
    std::vector<uint16_t> ports;
    for (const auto& e : emus) ports.push_back(static_cast<uint16_t>(e->port()));

    const double one = pushAll(push, {ports[0]}, 1);
    std::printf("1 sign: %.2f s (643 frames and their read-back)\n", one);
    const double all = pushAll(push, ports, links);
    std::printf("%d signs, %d links at once: %.2f s, %.1f times one sign's push\n", signs, links, all,
                all / one);
    return one > 0 && all > 0 ? 0 : 1;
}

// --- The health scheduler ---

// Answers on COUNT loopback ports, each connection with a responder of its own (from a pool: a
// responder keeps 32 MiB of memory); the ports go to OUT. Ends when STOP is readable.
[[noreturn]] void serveSigns(int count, int out, int stop) {
    std::vector<pollfd> fds{{stop, POLLIN, 0}};
    std::vector<uint16_t> ports;
    for (int i = 0; i < count; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) ::_exit(1);
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
        ports.push_back(ntohs(a.sin_port));
        fds.push_back({fd, POLLIN, 0});
    }
    const size_t listeners = fds.size();
    // Made before the ports are told: zeroing a responder's 32 MiB while checks wait would make them
    // miss the reply limit. The runner has at most 8 links open.
    std::vector<std::unique_ptr<SignResponder>> pool, byClient;  // byClient: beside fds past the listeners
    for (int i = 0; i < 10; ++i) pool.push_back(std::make_unique<SignResponder>());
    if (::write(out, ports.data(), ports.size() * 2) != static_cast<ssize_t>(ports.size() * 2)) ::_exit(1);
    std::vector<uint8_t> answer;
    std::vector<std::string> log;
    for (;;) {
        if (::poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) ::_exit(0);
        for (size_t i = fds.size(); i-- > listeners;) {
            if (!fds[i].revents) continue;
            uint8_t in[1024];
            const ssize_t n = ::read(fds[i].fd, in, sizeof in);
            auto& sign = byClient[i - listeners];
            answer.clear();
            log.clear();
            if (n > 0 && sign->feed({in, static_cast<size_t>(n)}, Arrival::Continuing, answer, log).keep &&
                ::write(fds[i].fd, answer.data(), answer.size()) == static_cast<ssize_t>(answer.size()))
                continue;
            ::close(fds[i].fd);
            sign->reconnected();
            pool.push_back(std::move(sign));
            fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
            byClient.erase(byClient.begin() + static_cast<std::ptrdiff_t>(i - listeners));
        }
        for (size_t i = 1; i < listeners; ++i) {
            if (!fds[i].revents) continue;
            const int client = ::accept4(fds[i].fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0) continue;
            if (pool.empty()) pool.push_back(std::make_unique<SignResponder>());
            byClient.push_back(std::move(pool.back()));
            pool.pop_back();
            fds.push_back({client, POLLIN, 0});
        }
    }
}

double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

int benchHealth(int signs, int seconds) {
    int portPipe[2], stopPipe[2];
    if (::pipe(portPipe) != 0 || ::pipe(stopPipe) != 0) return 1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(portPipe[0]);
        ::close(stopPipe[1]);
        serveSigns(signs, portPipe[1], stopPipe[0]);
    }
    ::close(portPipe[1]);
    ::close(stopPipe[0]);
    std::vector<uint16_t> ports(static_cast<size_t>(signs));
    size_t got = 0;
    while (got < ports.size() * 2) {
        const ssize_t n =
            ::read(portPipe[0], reinterpret_cast<char*>(ports.data()) + got, ports.size() * 2 - got);
        if (n <= 0) return 1;
        got += static_cast<size_t>(n);
    }

    // What the signs should hold: a program of no items, so the holding check reads the count.
    auto nothing = std::make_shared<ProgramPlan>();
    Tally tally;
    FleetRunner runner(FleetSettings{}, tally, currentLocalTime);
    HealthScheduler scheduler(runner, {10'000, 60'000});
    for (int i = 0; i < signs; ++i)
        scheduler.setSign({i + 1, loopback(ports[static_cast<size_t>(i)]), nothing});
    scheduler.start();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const int endedBefore = tally.ended(), doneBefore = tally.done();
    const double cpuBefore = cpuSeconds();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = cpuSeconds() - cpuBefore, wall = secondsSince(start);
    const int ended = tally.ended() - endedBefore, done = tally.done() - doneBefore;
    scheduler.stop();
    std::printf("%d signs over %.1f s: %d checks (%d answered), %.2f %% of a core, %.1f MB resident\n", signs,
                wall, ended, done, 100.0 * cpu / wall, residentMb());
    if (done != ended) std::printf("  a check that failed: %s\n", tally.lastFailure().c_str());
    ::close(stopPipe[1]);
    ::waitpid(child, nullptr, 0);
    return done > 0 && done == ended ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool health = false;
    int signs = -1, links = 16, seconds = 30;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--health")
            health = true;
        else if (a == "--signs" && i + 1 < argc)
            signs = std::atoi(argv[++i]);
        else if (a == "--links" && i + 1 < argc)
            links = std::atoi(argv[++i]);
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::atoi(argv[++i]);
        else
            return std::fprintf(stderr,
                                "usage: %s [--signs N] [--links L] | --health [--signs N] [--seconds S]\n",
                                argv[0]),
                   2;
    }
    if (health) return benchHealth(signs > 0 ? signs : 1000, std::max(1, seconds));
    return benchPush(signs > 0 ? signs : 100, std::max(1, links));
}
