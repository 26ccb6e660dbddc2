#include "simulator/headless/HeadlessSign.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <thread>

#include "image/DecimalNumber.h"
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

}  // namespace

bool wantsVirtualSign(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "--sign") return true;
    return false;
}

bool takeSignOptions(std::vector<std::string>& args, SignOptions& o, std::string& error) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--sign" || a == "--memory") {
            if (!hasValue) return error = a + " needs a value", false;
            (a == "--sign" ? o.link : o.memory) = args[++i];
        } else if (a == "--wait-apply") {
            const auto n = hasValue ? parseDecimal(args[++i], 0, kMaxApplies) : std::nullopt;
            if (!n) return error = rangeMessage(a, 0, kMaxApplies), false;
            o.waitApply = static_cast<int>(*n);
        } else if (a == "--zoom") {
            const auto n = hasValue ? parseDecimal(args[++i], 1, 8) : std::nullopt;
            if (!n) return error = rangeMessage(a, 1, 8), false;
            o.zoom = static_cast<int>(*n);
        } else {
            rest.push_back(a);
        }
    }
    LinkServerOptions link;
    if (!parseLinkName(o.link, link)) return error = "--sign needs tcp:HOST:PORT or pty:PATH", false;
    args.swap(rest);
    return true;
}

int runHeadlessSign(const std::vector<std::string>& given, const std::atomic<bool>& interrupted) {
    std::vector<std::string> args = given;
    SignOptions so;
    HeadlessOptions o;
    std::string error;
    if (!takeSignOptions(args, so, error) || !parseHeadlessOptions(args, o, error, false)) {
        std::fprintf(stderr, "Glimmer: %s\n", error.c_str());
        return 2;
    }
    SignFonts fonts;
    std::string failed;
    if (!fonts.loadFonts(o.fonts.empty() ? defaultFontFolder() : o.fonts, failed)) {
        std::cerr << fonts.failureMessage(failed) << "\n폰트파일없음\n실행할수 없습니다\n";
        return 1;
    }
    LinkServerOptions link;
    parseLinkName(so.link, link);
    // Everything the link brings is taken at virtual time 0, so the program starts there.
    VirtualSignHost host(fonts, link, so.memory,
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
