// orbd's sign list under load, over loopback HTTP.
//   bench_sign_list [--signs N] [--push P]
//     orbd with N (default 1,000) registered signs, P (default 100) of them signemu processes that
//     the 643-frame benchmark program is pushed to, verified; the others name a closed loopback
//     port, so their health checks fail at once. GET /api/v1/signs is timed one request after
//     another, first with orbd idle, then while the push runs: p50, p99 and the slowest, and the
//     push's wall time. The target is a p99 under 50 ms during the push.
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "bundle/ProgramBundle.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace {

using namespace orb;
using nlohmann::json;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class Api {
  public:
    Api(int port, std::string token) : client_("127.0.0.1", port), token_(std::move(token)) {
        client_.set_read_timeout(60, 0);
        client_.set_keep_alive(true);
    }
    // The answer's status, its body in BODY.
    int call(const std::string& method, const std::string& path, const std::string& in,
             const std::string& type, std::string& body) {
        httplib::Request req;
        req.method = method;
        req.path = path;
        req.headers = {{"Authorization", "Bearer " + token_}};
        if (!in.empty()) {
            req.body = in;
            req.headers.emplace("Content-Type", type);
        }
        const httplib::Result r = client_.send(req);
        if (!r) return 0;
        body = r->body;
        return r->status;
    }
    json call(const std::string& method, const std::string& path, const json& in = nullptr) {
        std::string body;
        call(method, path, in.is_null() ? std::string() : in.dump(), "application/json", body);
        return json::parse(body, nullptr, false);
    }

  private:
    httplib::Client client_;
    std::string token_;
};

struct Latencies {
    std::vector<double> ms;
    size_t bytes = 0;

    void print(const char* what) {
        std::sort(ms.begin(), ms.end());
        if (ms.empty()) return (void)std::printf("%s: no requests\n", what);
        const auto at = [&](double share) {
            return ms[std::min(ms.size() - 1, size_t(share * double(ms.size())))];
        };
        std::printf("%s: %zu requests of %zu bytes, p50 %.1f ms, p99 %.1f ms, slowest %.1f ms\n", what,
                    ms.size(), bytes, at(0.5), at(0.99), ms.back());
    }
};

// Lists the signs until DONE says stop; each request's time.
template <class Done>
Latencies timeList(Api& api, Done done) {
    Latencies out;
    while (!done()) {
        std::string body;
        const auto start = Clock::now();
        if (api.call("GET", "/api/v1/signs", {}, {}, body) != 200) break;
        out.ms.push_back(msSince(start));
        out.bytes = body.size();
    }
    return out;
}

std::vector<std::unique_ptr<testing::ChildProcess>> startSigns(int count) {
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

int bench(int signs, int pushed) {
    testing::TempDir dir;
    const std::string data = " --data " + dir.file("data");
    if (testing::runCommand("echo 'bench password' | " ORBD_PATH + data + " user add bench --role admin")
            .status != 0)
        return std::fprintf(stderr, "cannot add a user\n"), 1;
    const testing::Outcome token = testing::runCommand(ORBD_PATH + data + " token add bench");
    if (token.status != 0) return std::fprintf(stderr, "cannot add a token\n"), 1;
    testing::ChildProcess orbd({ORBD_PATH, "--data", dir.file("data"), "--listen", "127.0.0.1:0"});
    Api api(orbd.port(), token.output.substr(0, 64));

    const auto emus = startSigns(pushed);
    for (int i = 0; i < signs; ++i) {
        const bool real = i < pushed;
        const std::string port = real ? std::to_string(emus[static_cast<size_t>(i)]->port()) : "1";
        const json made = api.call("POST", "/api/v1/signs",
                                   {{"name", "sign " + std::to_string(i)},
                                    {"link", "tcp:127.0.0.1:" + port},
                                    {"groups", {real ? "pushed" : "idle"}}});
        if (!made.contains("id"))
            return std::fprintf(stderr, "cannot add a sign: %s\n", made.dump().c_str()), 1;
    }
    ItemStore store;
    testing::writeTransferProgram(dir, store);
    std::vector<uint8_t> zip;
    if (!writeBundle(store, zip).ok()) return std::fprintf(stderr, "cannot bundle the program\n"), 1;
    std::string body;
    if (api.call("POST", "/api/v1/programs?name=bench", std::string(zip.begin(), zip.end()),
                 "application/zip", body) != 201)
        return std::fprintf(stderr, "cannot upload the program: %s\n", body.c_str()), 1;
    const int64_t program = json::parse(body)["id"];

    const auto idleStart = Clock::now();
    timeList(api, [&] { return msSince(idleStart) > 5000; }).print("idle");

    const auto pushStart = Clock::now();
    const json job =
        api.call("POST", "/api/v1/jobs", {{"action", "push"}, {"program", program}, {"groups", {"pushed"}}});
    if (!job.contains("id")) return std::fprintf(stderr, "cannot push: %s\n", job.dump().c_str()), 1;
    Api watcher(orbd.port(), token.output.substr(0, 64));
    std::string state;
    auto lastLook = Clock::now();
    Latencies during = timeList(api, [&] {
        if (msSince(lastLook) < 500) return false;
        lastLook = Clock::now();
        state = watcher.call("GET", "/api/v1/jobs/" + std::to_string(job["id"].get<int64_t>()))
                    .value("state", "");
        return state == "done" || state == "failed" || state == "cancelled";
    });
    const double pushMs = msSince(pushStart);
    during.print("during the push");
    std::printf("%d signs registered; the push to %d signs %s in %.1f s\n", signs, pushed, state.c_str(),
                pushMs / 1000);
    return state == "done" ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    int signs = 1000, pushed = 100;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--signs" && i + 1 < argc)
            signs = std::atoi(argv[++i]);
        else if (a == "--push" && i + 1 < argc)
            pushed = std::atoi(argv[++i]);
        else
            return std::fprintf(stderr, "usage: %s [--signs N] [--push P]\n", argv[0]), 2;
    }
    pushed = std::clamp(pushed, 1, 1000);
    return bench(std::max(signs, pushed), pushed);
}
