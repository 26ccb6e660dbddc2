#include "service/fleet/FleetRunner.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "service/fleet/PlanCache.h"
#include "service/fleet/SignExchange.h"

namespace orb {

struct FleetRunner::Entry {
    SignTask task;
    std::string key;
    std::list<EntryPtr>::iterator at;  // in tasks_
    bool running = false;              // a worker has it
    bool started = false;              // it has run at least once: its sign is busy
    std::atomic<bool> cancel{false};
    Clock::time_point due{};  // not before: the pause before the next try
    AttemptEnd end = AttemptEnd::Failed;
    // What was last reported. While running, only its worker touches it; else only under the lock.
    TaskReport report;
    int shownPercent = -1;
};

namespace {

FleetSettings sane(FleetSettings s) {
    s.maxLinks = std::max(1, s.maxLinks);
    s.tries = std::max(1, s.tries);
    s.firstRetryMs = std::max(0, s.firstRetryMs);
    s.maxRetryMs = std::max(s.firstRetryMs, s.maxRetryMs);
    s.retryFactor = std::max(1.0, s.retryFactor);
    return s;
}

// The pause after the given failed attempt (1 for the first).
std::chrono::milliseconds pauseAfter(const FleetSettings& s, int attempt) {
    const double ms = s.firstRetryMs * std::pow(s.retryFactor, attempt - 1);
    return std::chrono::milliseconds(static_cast<int64_t>(std::min<double>(ms, s.maxRetryMs)));
}

}  // namespace

FleetRunner::FleetRunner(FleetSettings settings, FleetListener& listener, LocalClock clock)
    : settings_(sane(settings)),
      listener_(listener),
      clock_(std::move(clock)),
      plans_(std::make_unique<PlanCache>()) {
    deliverer_ = std::thread([this] { deliver(); });
    for (int i = 0; i < settings_.maxLinks; ++i) workers_.emplace_back([this] { work(); });
}

FleetRunner::~FleetRunner() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        for (const EntryPtr& e : tasks_) e->cancel = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
    {
        std::lock_guard lock(reportMutex_);
        reportsEnd_ = true;
    }
    reportWake_.notify_all();
    deliverer_.join();
}

void FleetRunner::submit(SignTask task) {
    auto e = std::make_shared<Entry>();
    e->key = linkKey(task.address);
    e->report.taskId = task.id;
    e->report.signId = task.signId;
    e->task = std::move(task);
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || byId_.count(e->task.id)) return;
        e->at = tasks_.insert(tasks_.end(), e);
        byId_.emplace(e->task.id, e);
    }
    wake_.notify_one();
}

bool FleetRunner::cancel(uint64_t taskId) {
    std::lock_guard lock(mutex_);
    const auto found = byId_.find(taskId);
    if (found == byId_.end()) return false;
    const EntryPtr e = found->second;
    e->cancel = true;
    if (!e->running) finish(e, TaskState::Cancelled);
    return true;
}

bool FleetRunner::busy(int64_t signId) const {
    std::lock_guard lock(mutex_);
    return started_.count(signId) != 0;
}

bool FleetRunner::pending(uint64_t taskId) const {
    std::lock_guard lock(mutex_);
    return byId_.count(taskId) != 0;
}

FleetRunner::EntryPtr FleetRunner::pick(Clock::time_point now, Clock::time_point& wake, bool& more) {
    seen_.clear();
    EntryPtr first;
    more = false;
    for (const EntryPtr& e : tasks_) {
        if (!seen_.insert(e->task.signId).second) continue;  // the sign's earlier task goes first
        if (e->running) continue;
        if (e->due > now) {
            wake = std::min(wake, e->due);
            continue;
        }
        if (keysInUse_.count(e->key) || (first && first->key == e->key)) continue;
        if (first) {
            more = true;
            break;
        }
        first = e;
    }
    return first;
}

void FleetRunner::work() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        auto wake = Clock::time_point::max();
        bool more = false;
        const EntryPtr e = pick(Clock::now(), wake, more);
        if (!e) {
            if (wake == Clock::time_point::max())
                wake_.wait(lock);
            else
                wake_.wait_until(lock, wake);
            continue;
        }
        if (more) wake_.notify_one();  // for a worker that waits
        e->running = true;
        keysInUse_.insert(e->key);
        if (!e->started) started_[e->task.signId] = 1;
        e->started = true;
        ++e->report.attempt;
        e->report.state = TaskState::Running;
        e->report.message.clear();
        e->report.done = e->report.total = 0;  // each try counts from the start
        e->shownPercent = -1;
        post(e->report);

        lock.unlock();
        runAttempt(*e);
        lock.lock();

        e->running = false;
        keysInUse_.erase(e->key);  // this worker looks for what waited on it next
        if (stopping_) break;
        const bool triesLeft = e->task.retry && e->report.attempt < settings_.tries;
        if (e->end == AttemptEnd::Done)
            finish(e, TaskState::Done);
        else if (e->cancel)
            finish(e, TaskState::Cancelled);
        else if (e->end == AttemptEnd::Failed && triesLeft)
            retryLater(e);
        else
            finish(e, TaskState::Failed);
    }
}

void FleetRunner::runAttempt(Entry& e) {
    TaskReport& report = e.report;
    AttemptHooks hooks;
    hooks.cancel = &e.cancel;
    hooks.clock = clock_;
    hooks.progress = [&](int done, int total) {
        report.done = done;
        report.total = total;
        // One report per percent: a push to a hundred signs stays a few thousand reports.
        const int percent = total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 0;
        if (percent == e.shownPercent) return;
        e.shownPercent = percent;
        post(report);
    };
    hooks.touched = [&] {
        if (report.memoryTouched) return;
        report.memoryTouched = true;
        post(report);
    };
    const AttemptResult r = runAction(e.task.address, e.task.action, *plans_, hooks);
    e.end = r.end;
    report.message = r.message;
    report.memoryTouched = report.memoryTouched || r.memoryTouched;
    if (r.health) report.health = r.health;
    if (r.appliedAt) report.appliedAt = r.appliedAt;
    if (r.answeredAt) report.answeredAt = r.answeredAt;
    report.pulled = r.pulled;
}

void FleetRunner::finish(const EntryPtr& e, TaskState state) {
    e->report.state = state;
    post(e->report);
    tasks_.erase(e->at);
    byId_.erase(e->task.id);
    if (e->started) started_.erase(e->task.signId);
    wake_.notify_one();  // the sign's next task may go
}

void FleetRunner::retryLater(const EntryPtr& e) {
    e->due = Clock::now() + pauseAfter(settings_, e->report.attempt);
    e->report.state = TaskState::Retrying;
    post(e->report);
    wake_.notify_one();  // a worker that waits learns the time of the next try
}

void FleetRunner::post(const TaskReport& report) {
    {
        std::lock_guard lock(reportMutex_);
        reports_.push_back(report);
    }
    reportWake_.notify_one();
}

void FleetRunner::deliver() {
    std::unique_lock lock(reportMutex_);
    for (;;) {
        reportWake_.wait(lock, [this] { return !reports_.empty() || reportsEnd_; });
        if (reports_.empty()) return;
        const TaskReport report = std::move(reports_.front());
        reports_.pop_front();
        lock.unlock();
        listener_.onTask(report);
        lock.lock();
    }
}

const char* toText(TaskState state) {
    switch (state) {
        case TaskState::Queued:
            return "queued";
        case TaskState::Running:
            return "running";
        case TaskState::Retrying:
            return "retrying";
        case TaskState::Done:
            return "done";
        case TaskState::Failed:
            return "failed";
        case TaskState::Cancelled:
            return "cancelled";
    }
    return "?";
}

const char* toText(SignHealth health) {
    switch (health) {
        case SignHealth::Online:
            return "online";
        case SignHealth::Unreachable:
            return "unreachable";
        case SignHealth::OtherModel:
            return "other-model";
        case SignHealth::Differs:
            return "differs";
    }
    return "?";
}

}  // namespace orb
