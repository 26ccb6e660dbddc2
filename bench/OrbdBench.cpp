// orbd as a whole, with its database, HTTP layer, job runner and health checks, over loopback.
//   bench_orbd --health [--signs N] [--seconds S]
//     N (default 1,000) signs registered through the API, each model-checked every 10 s and
//     holding-checked every 60 s, answered by responders in a child process: orbd's share of a
//     core and its resident memory, read from /proc. The target is under 5 % and 200 MB.
//   bench_orbd --list [--signs N] [--pushed P]
//     N (default 1,000) signs registered, P (default 100) of them signemu processes; while the
//     643-frame program is pushed to those P, the list of signs is read again and again through
//     one kept-alive connection: its median, 99th percentile and slowest time. The target for
//     the 99th percentile is under 50 ms.
//   bench_orbd --live [--signs N] [--streams V | --shared] [--seconds S]
//     N (default 20) signemu processes pushed a moving program, then V (default 20) live frame
//     streams open at once over them, read for S (default 60) seconds: orbd's share of a core and
//     the bytes and events each stream received a second. The targets are under 20 % of a core
//     and under 50 kB/s a stream. With --shared the N signs' views share one stream, as on the
//     console's signs page, and the figures are per view.
//   bench_orbd --takeover [--signs N]
//     N (default 100) signs answered by responders, in two groups; a text takeover of both groups
//     is made through the API and read back until every sign's acknowledgement is done (its
//     read-back matched): the time from the request to the last acknowledgement. The target is
//     under 5 s.
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/SignResponders.h"
#include "bundle/ProgramBundle.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"

namespace {

using namespace orb;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor seconds a process has used so far, in user mode and in the kernel.
struct CpuSeconds {
    double user = 0, system = 0;
    double total() const { return user + system; }
};

CpuSeconds cpuSecondsOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');  // the name may hold spaces
    if (close == std::string::npos) return {};
    std::istringstream fields(text.substr(close + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;  // state up to cmajflt
    unsigned long user = 0, system = 0;
    fields >> user >> system;
    const auto tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    return {static_cast<double>(user) / tick, static_cast<double>(system) / tick};
}

double residentMbOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    return 0;
}

// orbd on a data folder of its own, with an admin and a token; the checks' periods set before it
// starts (they are read once).
class OrbdUnderTest {
  public:
    // EXTRA: further options of orbd.
    OrbdUnderTest(const testing::TempDir& dir, int checkSeconds, int holdingSeconds, std::string extra = {})
        : dir_(dir), extra_(std::move(extra)) {
        const std::string data = " --data " + dir.file("data");
        testing::runCommand("echo 'bench password' | " ORBD_PATH + data + " user add admin --role admin");
        token_ = testing::runCommand(ORBD_PATH + data + " token add admin").output.substr(0, 64);
        start();
        call("PATCH", "/api/v1/settings",
             json{{"check_seconds", checkSeconds}, {"holding_check_seconds", holdingSeconds}}.dump());
        process_->stop();
        start();
    }

    pid_t pid() const { return process_->pid(); }
    int port() const { return process_->port(); }
    const std::string& token() const { return token_; }
    void stopServer() { process_->stop(); }
    bool ok() const { return status_ >= 200 && status_ < 300; }

    json call(const std::string& method, const std::string& path, const std::string& body = {},
              const std::string& type = "application/json") {
        httplib::Request req;
        req.method = method;
        req.path = path;
        req.headers = {{"Authorization", "Bearer " + token_}};
        if (!body.empty()) {
            req.body = body;
            req.headers.emplace("Content-Type", type);
        }
        const httplib::Result r = client_->send(req);
        status_ = r ? r->status : 0;
        return r ? json::parse(r->body, nullptr, false) : json();
    }

    // Registers a sign on a loopback port; its id, or 0.
    int64_t addSign(int index, uint16_t port, int width, int height) {
        const json made = call("POST", "/api/v1/signs",
                               json{{"name", "sign " + std::to_string(index)},
                                    {"link", "tcp:127.0.0.1:" + std::to_string(port)},
                                    {"groups", {index % 2 ? "odd" : "even"}},
                                    {"width", width},
                                    {"height", height}}
                                   .dump());
        return ok() ? made.value("id", int64_t{0}) : 0;
    }

  private:
    void start() {
        // Its log to a file: the shell execs orbd, so the pid is orbd's.
        process_ = std::make_unique<testing::ChildProcess>(std::vector<std::string>{
            "/bin/sh", "-c",
            "exec " ORBD_PATH " --data '" + dir_.file("data") + "' --listen 127.0.0.1:0 " + extra_ + " 2>>'" +
                dir_.file("orbd.log") + "'"});
        client_ = std::make_unique<httplib::Client>("127.0.0.1", process_->port());
        client_->set_keep_alive(true);
        client_->set_read_timeout(60, 0);
    }

    const testing::TempDir& dir_;
    std::string extra_;
    std::string token_;
    std::unique_ptr<testing::ChildProcess> process_;
    std::unique_ptr<httplib::Client> client_;
    int status_ = 0;
};

int benchHealth(int signs, int seconds) {
    testing::SignResponders responders(signs);
    if (responders.ports().size() != static_cast<size_t>(signs)) return 1;
    testing::TempDir dir;
    OrbdUnderTest orbd(dir, 10, 60);
    const auto adding = Clock::now();
    for (int i = 0; i < signs; ++i)
        if (!orbd.addSign(i, responders.ports()[static_cast<size_t>(i)], 6, 1)) return 1;
    std::printf("%d signs added through the API in %.1f s\n", signs, secondsSince(adding));
    // Every sign checked once before the count starts.
    std::this_thread::sleep_for(std::chrono::seconds(12));
    const CpuSeconds before = cpuSecondsOf(orbd.pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const CpuSeconds after = cpuSecondsOf(orbd.pid());
    const double wall = secondsSince(start);
    const json list = orbd.call("GET", "/api/v1/signs");
    const long online = std::count_if(list.begin(), list.end(),
                                      [](const json& s) { return s.value("state", "") == "online"; });
    std::printf(
        "orbd, %d signs over %.1f s: %.2f %% of a core (%.2f %% in the kernel), %.1f MB resident; "
        "%ld online\n",
        signs, wall, 100.0 * (after.total() - before.total()) / wall,
        100.0 * (after.system - before.system) / wall, residentMbOf(orbd.pid()), online);
    return online == signs ? 0 : 1;
}

// The percentile P (0 to 100) of sorted TIMES.
double percentile(const std::vector<double>& times, double p) {
    if (times.empty()) return 0;
    const size_t i = static_cast<size_t>(p / 100.0 * static_cast<double>(times.size() - 1) + 0.5);
    return times[std::min(i, times.size() - 1)];
}

int benchList(int signs, int pushed) {
    testing::SignResponders responders(signs - pushed);
    std::vector<std::unique_ptr<testing::ChildProcess>> emus(static_cast<size_t>(pushed));
    std::vector<std::thread> starters;
    for (int t = 0; t < 8; ++t)
        starters.emplace_back([&, t] {
            for (int i = t; i < pushed; i += 8)
                emus[static_cast<size_t>(i)] = std::make_unique<testing::ChildProcess>(
                    std::vector<std::string>{SIGNEMU_PATH, "--tcp", "127.0.0.1:0"});
        });
    for (std::thread& t : starters) t.join();

    testing::TempDir dir;
    OrbdUnderTest orbd(dir, 60, 3600);
    json targets = json::array();
    for (int i = 0; i < signs; ++i) {
        const bool emu = i < pushed;
        const auto port = static_cast<uint16_t>(emu ? emus[static_cast<size_t>(i)]->port()
                                                    : responders.ports()[static_cast<size_t>(i - pushed)]);
        const int64_t id = orbd.addSign(i, port, 6, 1);
        if (!id) return 1;
        if (emu) targets.push_back(id);
    }
    ItemStore store;
    testing::writeTransferProgram(dir, store);
    std::vector<uint8_t> zip;
    if (!writeBundle(store, zip).ok()) return 1;
    const json program = orbd.call("POST", "/api/v1/programs?name=bench", std::string(zip.begin(), zip.end()),
                                   "application/zip");
    if (!orbd.ok()) return 1;

    // The list on its own first, for comparison.
    std::vector<double> idle;
    for (int i = 0; i < 100; ++i) {
        const auto asked = Clock::now();
        orbd.call("GET", "/api/v1/signs");
        idle.push_back(secondsSince(asked) * 1000.0);
    }
    std::sort(idle.begin(), idle.end());
    std::printf("list of %d signs, no push running: median %.1f ms, p99 %.1f ms\n", signs,
                percentile(idle, 50), percentile(idle, 99));

    const auto start = Clock::now();
    const json job =
        orbd.call("POST", "/api/v1/jobs",
                  json{{"action", "push"}, {"program", program["id"]}, {"signs", targets}}.dump());
    if (!orbd.ok()) return 1;
    const std::string jobPath = "/api/v1/jobs/" + std::to_string(job["id"].get<int64_t>());
    std::vector<double> times;
    std::string state = "queued";
    while (state == "queued" || state == "running") {
        for (int i = 0; i < 10; ++i) {
            const auto asked = Clock::now();
            const json list = orbd.call("GET", "/api/v1/signs");
            times.push_back(secondsSince(asked) * 1000.0);
            if (!orbd.ok() || list.size() != static_cast<size_t>(signs)) return 1;
        }
        state = orbd.call("GET", jobPath).value("state", "");
    }
    const double pushSeconds = secondsSince(start);
    std::sort(times.begin(), times.end());
    std::printf(
        "list of %d signs read %zu times during a %d-sign push (%s, %.1f s): median %.1f ms, "
        "p99 %.1f ms, slowest %.1f ms\n",
        signs, times.size(), pushed, state.c_str(), pushSeconds, percentile(times, 50), percentile(times, 99),
        times.back());
    return state == "done" ? 0 : 1;
}

int benchTakeover(int signs) {
    testing::SignResponders responders(signs);
    if (responders.ports().size() != static_cast<size_t>(signs)) return 1;
    testing::TempDir dir;
    OrbdUnderTest orbd(dir, 60, 3600);
    for (int i = 0; i < signs; ++i)
        if (!orbd.addSign(i, responders.ports()[static_cast<size_t>(i)], 6, 1)) return 1;
    // Every sign checked once, as a running network's are.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto start = Clock::now();
    const json made = orbd.call(
        "POST", "/api/v1/takeovers",
        json{{"text", "긴급 안내: 대피하십시오"}, {"colour", "빨강색"}, {"groups", {"even", "odd"}}}.dump());
    if (!orbd.ok()) return 1;
    const std::string path = "/api/v1/takeovers/" + std::to_string(made["id"].get<int64_t>());
    long done = 0, failed = 0;
    while (secondsSince(start) < 60) {
        const json t = orbd.call("GET", path);
        done = failed = 0;
        for (const json& a : t["acks"]) {
            done += a.value("state", "") == "done";
            failed += a.value("state", "") == "failed";
        }
        if (done + failed == signs) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double seconds = secondsSince(start);
    std::printf("a text takeover reached %ld of %d signs, verified, in %.2f s (%ld failed)\n", done, signs,
                seconds, failed);
    return done == signs ? 0 : 1;
}

// Signemu processes, started eight at a time.
std::vector<std::unique_ptr<testing::ChildProcess>> startEmus(int count) {
    std::vector<std::unique_ptr<testing::ChildProcess>> emus(static_cast<size_t>(count));
    std::vector<std::thread> starters;
    for (int t = 0; t < 8; ++t)
        starters.emplace_back([&, t] {
            for (int i = t; i < count; i += 8)
                emus[static_cast<size_t>(i)] = std::make_unique<testing::ChildProcess>(
                    std::vector<std::string>{SIGNEMU_PATH, "--tcp", "127.0.0.1:0"});
        });
    for (std::thread& t : starters) t.join();
    return emus;
}

// Pushes the moving bench program to TARGETS; whether every push was done.
bool pushBenchProgram(const testing::TempDir& dir, OrbdUnderTest& orbd, const json& targets) {
    ItemStore store;
    testing::writeTransferProgram(dir, store);
    std::vector<uint8_t> zip;
    if (!writeBundle(store, zip).ok()) return false;
    const json program = orbd.call("POST", "/api/v1/programs?name=bench", std::string(zip.begin(), zip.end()),
                                   "application/zip");
    if (!orbd.ok()) return false;
    const json job =
        orbd.call("POST", "/api/v1/jobs",
                  json{{"action", "push"}, {"program", program["id"]}, {"signs", targets}}.dump());
    if (!orbd.ok()) return false;
    const std::string jobPath = "/api/v1/jobs/" + std::to_string(job["id"].get<int64_t>());
    std::string state = "queued";
    while (state == "queued" || state == "running") {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        state = orbd.call("GET", jobPath).value("state", "");
    }
    return state == "done";
}

// What one stream received.
struct StreamCount {
    std::atomic<uint64_t> bytes{0}, events{0};
    std::atomic<int> status{0};
};

int benchLive(int signs, int streams, int seconds, bool shared) {
    auto emus = startEmus(signs);
    testing::TempDir dir;
    std::filesystem::create_directories(dir.file("fonts"));
    testing::writeTestFonts(dir.file("fonts"));
    OrbdUnderTest orbd(dir, 60, 3600, "--fonts '" + dir.file("fonts") + "'");
    json targets = json::array();
    for (int i = 0; i < signs; ++i) {
        const int64_t id = orbd.addSign(i, static_cast<uint16_t>(emus[static_cast<size_t>(i)]->port()), 6, 1);
        if (!id) return 1;
        targets.push_back(id);
    }
    if (!pushBenchProgram(dir, orbd, targets)) return std::fprintf(stderr, "the push failed\n"), 1;

    std::string all;
    for (const json& id : targets) all += (all.empty() ? "" : ",") + std::to_string(id.get<int64_t>());
    if (shared) streams = 1;
    std::vector<StreamCount> counts(static_cast<size_t>(streams));
    std::atomic<bool> stop{false};
    std::vector<std::thread> readers;
    for (int v = 0; v < streams; ++v)
        readers.emplace_back([&, v] {
            httplib::Client client("127.0.0.1", orbd.port());
            client.set_read_timeout(60, 0);
            StreamCount& count = counts[static_cast<size_t>(v)];
            const auto sign = targets[static_cast<size_t>(v % signs)].get<int64_t>();
            const auto r = client.Get(
                shared ? "/api/v1/frames?signs=" + all : "/api/v1/signs/" + std::to_string(sign) + "/frames",
                {{"Authorization", "Bearer " + orbd.token()}},
                [&](const httplib::Response& res) {
                    count.status = res.status;
                    return true;
                },
                [&](const char* data, size_t length) {
                    count.bytes += length;
                    for (size_t at = 0;
                         (at = std::string_view(data, length).find("event: ", at)) != std::string_view::npos;
                         ++at)
                        ++count.events;
                    return !stop;
                });
            (void)r;
        });
    // Every stream open and past its first frame before the count starts.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::vector<uint64_t> bytesBefore, eventsBefore;
    for (const StreamCount& c : counts) {
        bytesBefore.push_back(c.bytes);
        eventsBefore.push_back(c.events);
    }
    const CpuSeconds before = cpuSecondsOf(orbd.pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const CpuSeconds after = cpuSecondsOf(orbd.pid());
    const double wall = secondsSince(start);
    double most = 0, total = 0, events = 0;
    int open = 0;
    for (size_t v = 0; v < counts.size(); ++v) {
        const double rate = static_cast<double>(counts[v].bytes - bytesBefore[v]) / wall;
        most = std::max(most, rate);
        total += rate;
        events += static_cast<double>(counts[v].events - eventsBefore[v]) / wall;
        open += counts[v].status == 200;
        if (counts[v].status != 200)
            std::fprintf(stderr, "stream %zu: status %d\n", v, counts[v].status.load());
    }
    stop = true;
    const int views = shared ? signs : streams;
    if (shared)
        std::printf(
            "one stream of %d signs' frames (%s) over %.1f s: orbd %.2f %% of a core (%.2f %% in the "
            "kernel), "
            "%.1f MB resident; per view %.1f kB/s, %.1f events/s\n",
            signs, open ? "open" : "refused", wall, 100.0 * (after.total() - before.total()) / wall,
            100.0 * (after.system - before.system) / wall, residentMbOf(orbd.pid()), total / views / 1000.0,
            events / views);
    else
        std::printf(
            "%d live frame streams (%d open) on %d playing signs over %.1f s: orbd %.2f %% of a core (%.2f "
            "%% in "
            "the "
            "kernel), %.1f MB resident; per stream %.1f kB/s on average (at most %.1f kB/s), %.1f events/s\n",
            streams, open, signs, wall, 100.0 * (after.total() - before.total()) / wall,
            100.0 * (after.system - before.system) / wall, residentMbOf(orbd.pid()), total / streams / 1000.0,
            most / 1000.0, events / streams);
    std::fflush(stdout);
    // Each stream ends at its next event once the server is gone.
    orbd.stopServer();
    for (std::thread& t : readers) t.join();
    return open == streams ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    enum class Mode { None, Health, List, Live, Takeover } mode = Mode::None;
    int signs = 1000, pushed = 100, seconds = 60, streams = 20;
    bool signsGiven = false, shared = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--health")
            mode = Mode::Health;
        else if (a == "--list")
            mode = Mode::List;
        else if (a == "--live")
            mode = Mode::Live;
        else if (a == "--shared")
            shared = true;
        else if (a == "--takeover")
            mode = Mode::Takeover;
        else if (a == "--signs" && i + 1 < argc)
            signs = std::atoi(argv[++i]), signsGiven = true;
        else if (a == "--streams" && i + 1 < argc)
            streams = std::atoi(argv[++i]);
        else if (a == "--pushed" && i + 1 < argc)
            pushed = std::atoi(argv[++i]);
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::atoi(argv[++i]);
        else
            mode = Mode::None;
    }
    if (mode == Mode::Live && !signsGiven) signs = 20;
    if (mode == Mode::None || signs < 1 || pushed < 1 || (mode == Mode::List && pushed > signs) ||
        seconds < 1 || streams < 1)
        return std::fprintf(
                   stderr,
                   "usage: %s --health [--signs N] [--seconds S] | --list [--signs N] [--pushed P] | "
                   "--live [--signs N] [--streams V | --shared] [--seconds S] | --takeover [--signs N]\n",
                   argv[0]),
               2;
    if (mode == Mode::Takeover) return benchTakeover(signsGiven ? signs : 100);
    if (mode == Mode::Live) return benchLive(signs, streams, seconds, shared);
    return mode == Mode::Health ? benchHealth(signs, seconds) : benchList(signs, pushed);
}
