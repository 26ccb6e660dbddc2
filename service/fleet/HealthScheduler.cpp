#include "service/fleet/HealthScheduler.h"

#include <algorithm>
#include <cmath>

namespace orb {

namespace {

constexpr int64_t kNever = INT64_MAX;
constexpr int64_t kLongestSleepMs = 1000;
// The thread's shortest sleep: the checks due within it go out together, so that a thousand signs
// wake it ten times a second rather than a hundred.
constexpr int64_t kTickMs = 100;

// The sign's place in any period, as a fraction: consecutive ids fall far apart (the golden
// ratio's Weyl sequence), so the checks of signs added in a row are spread evenly.
double placeOf(int64_t signId) {
    const double x = static_cast<double>(signId) * 0.6180339887498949;
    return x - std::floor(x);
}

}  // namespace

int64_t HealthScheduler::steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

HealthScheduler::HealthScheduler(TaskSink& sink, HealthSettings settings, SteadyClock clock)
    : sink_(sink), settings_(settings), clock_(std::move(clock)) {}

HealthScheduler::~HealthScheduler() {
    stop();
}

int64_t HealthScheduler::nextSlot(int64_t signId, int64_t period, int64_t now) const {
    if (period <= 0) return kNever;
    const int64_t offset = static_cast<int64_t>(placeOf(signId) * static_cast<double>(period));
    const int64_t base = now - ((now % period) + period) % period;  // the period's start at or before now
    const int64_t slot = base + offset;
    return slot > now ? slot : slot + period;
}

void HealthScheduler::schedule(Watched& w) {
    w.generation = ++generations_;
    deadlines_.push({std::min(w.nextModel, w.nextHolding), w.sign.signId, w.generation});
}

void HealthScheduler::setSign(HealthSign sign) {
    {
        std::lock_guard lock(mutex_);
        const int64_t now = clock_();
        auto [it, added] = watched_.try_emplace(sign.signId);
        Watched& w = it->second;
        const bool hadPlan = !added && w.sign.expected;
        w.sign = std::move(sign);
        if (added) w.nextModel = nextSlot(w.sign.signId, settings_.modelEveryMs, now);
        if (!w.sign.expected)
            w.nextHolding = kNever;
        else if (!hadPlan)
            w.nextHolding = nextSlot(w.sign.signId, settings_.holdingEveryMs, now);
        schedule(w);
        dirty_ = true;
    }
    changed_.notify_all();
}

void HealthScheduler::removeSign(int64_t signId) {
    std::lock_guard lock(mutex_);
    watched_.erase(signId);  // its deadline goes stale
}

size_t HealthScheduler::signs() const {
    std::lock_guard lock(mutex_);
    return watched_.size();
}

void HealthScheduler::check(Watched& w, int64_t now) {
    const bool holding = w.nextHolding <= now;
    // Passed over while a task runs on it or its last check has not ended: its next turn comes.
    if (!sink_.busy(w.sign.signId) && !(w.lastTask && sink_.pending(w.lastTask))) {
        SignTask task;
        task.id = w.lastTask = nextTaskId_++;
        task.signId = w.sign.signId;
        task.address = w.sign.address;
        task.retry = false;
        if (holding)
            task.action = CheckHolding{w.sign.expected};
        else
            task.action = CheckModel{};
        sink_.submit(std::move(task));
    }
    // The holding check answers the model check too.
    w.nextModel = nextSlot(w.sign.signId, settings_.modelEveryMs, now);
    if (holding) w.nextHolding = nextSlot(w.sign.signId, settings_.holdingEveryMs, now);
}

int64_t HealthScheduler::runDue() {
    std::lock_guard lock(mutex_);
    const int64_t now = clock_();
    while (!deadlines_.empty() && deadlines_.top().at <= now) {
        const Deadline d = deadlines_.top();
        deadlines_.pop();
        const auto it = watched_.find(d.signId);
        if (it == watched_.end() || it->second.generation != d.generation) continue;
        check(it->second, now);
        schedule(it->second);
    }
    if (deadlines_.empty()) return kLongestSleepMs;
    return std::clamp<int64_t>(deadlines_.top().at - now, 0, kLongestSleepMs);
}

void HealthScheduler::start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable()) return;
    stopping_ = false;
    thread_ = std::thread([this] {
        for (;;) {
            const int64_t sleepMs = std::max(runDue(), kTickMs);
            std::unique_lock held(mutex_);
            changed_.wait_for(held, std::chrono::milliseconds(sleepMs),
                              [this] { return stopping_ || dirty_; });
            if (stopping_) return;
            dirty_ = false;
        }
    });
}

void HealthScheduler::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
}

}  // namespace orb
