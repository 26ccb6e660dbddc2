#pragma once
// The periodic health checks of the signs: every sign gets the model check every model period and,
// when what it should hold is known, the holding check (which begins with the model check) every
// holding period. Each sign keeps its own place in the period, so checks are spread over it rather
// than sent all at once. A sign a task runs on, or whose last check has not ended, is passed over
// until its next turn. One thread and a queue of deadlines, whatever the number of signs; the
// results go to the runner's listener like any task's.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <queue>
#include <thread>
#include <unordered_map>
#include <vector>

#include "service/fleet/FleetRunner.h"

namespace orb {

struct HealthSettings {
    int64_t modelEveryMs = 10'000;     // 0: never
    int64_t holdingEveryMs = 300'000;  // 0: never
};

struct HealthSign {
    int64_t signId = 0;
    SignAddress address;
    std::shared_ptr<const ProgramPlan> expected;  // null: the model check only
};

class HealthScheduler {
  public:
    // Milliseconds of a steady clock; injected so that tests drive the periods.
    using SteadyClock = std::function<int64_t()>;
    // The ids of the scheduler's tasks: from here up, apart from the ids a service gives its own.
    static constexpr uint64_t kFirstTaskId = uint64_t{1} << 62;
    static bool isHealthTask(uint64_t taskId) { return taskId >= kFirstTaskId; }
    static int64_t steadyMs();

    // SINK outlives the scheduler (stop the scheduler before the runner).
    HealthScheduler(TaskSink& sink, HealthSettings settings, SteadyClock clock = steadyMs);
    ~HealthScheduler();  // stops the thread
    HealthScheduler(const HealthScheduler&) = delete;
    HealthScheduler& operator=(const HealthScheduler&) = delete;

    // Adds the sign, or changes its address or plan; a sign keeps its place in the periods.
    void setSign(HealthSign sign);
    void removeSign(int64_t signId);
    size_t signs() const;

    // Submits the checks due by the clock's now; the milliseconds until the next one is due.
    int64_t runDue();
    // A thread that calls runDue() when a check is due.
    void start();
    void stop();

  private:
    struct Watched {
        HealthSign sign;
        int64_t nextModel = 0, nextHolding = 0;
        uint64_t generation = 0;  // the queue's entries of older generations are stale
        uint64_t lastTask = 0;
    };
    struct Deadline {
        int64_t at;
        int64_t signId;
        uint64_t generation;
        bool operator>(const Deadline& o) const { return at > o.at; }
    };
    // The first time after NOW at the sign's place in a period.
    int64_t nextSlot(int64_t signId, int64_t period, int64_t now) const;
    void schedule(Watched& w);
    void check(Watched& w, int64_t now);

    TaskSink& sink_;
    const HealthSettings settings_;
    const SteadyClock clock_;
    mutable std::mutex mutex_;
    std::unordered_map<int64_t, Watched> watched_;
    std::priority_queue<Deadline, std::vector<Deadline>, std::greater<>> deadlines_;
    uint64_t generations_ = 0;
    uint64_t nextTaskId_ = kFirstTaskId;

    std::condition_variable changed_;
    bool dirty_ = false;  // a sign was set: the thread looks at the deadlines again
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace orb
