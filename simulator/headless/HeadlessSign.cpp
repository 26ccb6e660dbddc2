#include "simulator/headless/HeadlessSign.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "cli/CommandLine.h"
#include "sign/VirtualSignHost.h"
#include "simulator/headless/HeadlessRun.h"

namespace orb {

namespace {

struct SignAsPlayer : HeadlessPlayer {
    explicit SignAsPlayer(VirtualSign& s) : sign(s) {}
    void pass(uint64_t nowMs, const LocalDateTime& now) override { sign.pass(nowMs, now); }
    uint64_t nextDeadline() const override { return sign.nextDeadline(); }
    const PlanePair& frame() const override { return sign.frame(); }
    const SignGeometry& geometry() const override { return sign.geometry(); }
    VirtualSign& sign;
};

constexpr uint64_t kMaxApplies = 1000;
constexpr uint64_t kMaxIdleMs = 3'600'000;

std::atomic<bool> interrupted{false};
void onSignal(int) {
    interrupted = true;
}

}  // namespace

CLI::Option_group* addSignOptions(CLI::App& app, SignOptions& o) {
    CLI::Option_group* g = app.add_option_group("Virtual sign", "a sign on a link instead of an image");
    g->add_option_function<std::string>(
         "--sign",
         [&o](const std::string& text) {
             if (!parseLinkName(text, o.server))
                 throw CLI::ValidationError("--sign needs tcp:HOST:PORT or pty:PATH");
             o.link = text;
         },
         "be a sign that answers on this link and plays what it is sent")
        ->type_name("tcp:HOST:PORT|pty:PATH");
    g->add_option("--memory", o.memory, "keep the sign's memory in this file across runs")->type_name("FILE");
    addNumber(*g, "--idle-timeout", o.server.idleMs, 0, kMaxIdleMs,
              "drop a client that sent no whole frame for MS when another one waits")
        ->type_name("MS");
    addNumber(*g, "--wait-apply", o.waitApply, 0, kMaxApplies,
              "headless: serve until this many SignApply frames have come (0: play at once)");
    return g;
}

int runHeadlessSign(const SignOptions& so, const HeadlessOptions& o) {
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
    std::string error;
    SignFonts fonts;
    if (!loadHeadlessFonts(o, fonts)) return 1;
    // Everything the link brings is taken at virtual time 0, so the program starts there.
    VirtualSignHost host(fonts, so.server, so.memory,
                         [&] { return std::pair<uint64_t, LocalDateTime>(0, o.now); });
    if (const std::string refused = host.loadMemory(); !refused.empty())
        std::fprintf(stderr, "Glimmer: %s\n", refused.c_str());
    if (so.waitApply > 0) {
        if (!host.open(error)) {
            std::fprintf(stderr, "Glimmer: %s\n", error.c_str());
            return 1;
        }
        std::printf("Glimmer: listening on %s\n", host.address().c_str());
        std::fflush(stdout);
        std::atomic<bool> served{false};
        std::thread watch([&] {
            while (!interrupted && !served) std::this_thread::sleep_for(std::chrono::milliseconds(50));
            host.stop();
        });
        host.serve([&] {
            std::lock_guard lock(host.mutex());
            if (host.sign().responder().applies() >= so.waitApply) host.stop();
        });
        served = true;
        watch.join();
        if (interrupted) return 1;
    }
    SignAsPlayer player(host.sign());
    const int result = playHeadless(o, player);
    fonts.releaseFonts();
    return result;
}

}  // namespace orb
