// The sign network's runner at scale, over loopback TCP.
//   bench_fleet_push [--signs N] [--links L]
//     The 643-frame benchmark program pushed, verified, to one signemu and then to N (default 100)
//     signemu processes at most L (default 16) links at once: wall times and their ratio.
//     The target is under 15 s for 100 signs.
//   bench_fleet_push --health [--signs N] [--seconds S]
//     N (default 1,000) signs, each model-checked every 10 s and holding-checked every 60 s by the
//     health scheduler, answered by responders in a child process: the share of a core the runner
//     and the scheduler use, and their resident memory. The target is under 5 % and 200 MB.
#include <sys/resource.h>
#include <unistd.h>

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

#include "bench/SignResponders.h"
#include "service/fleet/FleetRunner.h"
#include "service/fleet/HealthScheduler.h"
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
    testing::SignResponders responders(signs);
    const std::vector<uint16_t>& ports = responders.ports();
    if (ports.size() != static_cast<size_t>(signs)) return 1;

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
