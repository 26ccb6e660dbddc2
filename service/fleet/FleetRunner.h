#pragma once
// The runner that talks to the signs of the network: tasks (a push, a settings command, a health
// check) on a fixed set of worker threads, at most maxLinks links at once and one exchange at a
// time per link key (a serial device or a TCP peer), each sign's tasks in the order they came.
// Every task opens its own link and runs its action through the editor's sign commands; failures
// are tried again after a growing pause; what happens goes to the listener.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "editor/core/ProgramReadBack.h"
#include "image/LocalDateTime.h"
#include "service/fleet/SignAction.h"
#include "service/fleet/SignAddress.h"

namespace orb {

struct FleetSettings {
    int maxLinks = 8;  // worker threads, and so links open at once; at least 1
    int tries = 3;     // attempts of a task that may be retried; at least 1
    int firstRetryMs = 2000;
    double retryFactor = 2.0;  // each pause is this many times the one before
    int maxRetryMs = 60000;
};

enum class TaskState { Queued, Running, Retrying, Done, Failed, Cancelled };
enum class SignHealth { Online, Unreachable, OtherModel, Differs };

struct SignTask {
    uint64_t id = 0;  // unique among the tasks not yet ended (HealthScheduler's are 2^62 and up)
    int64_t signId = 0;
    SignAddress address;
    SignAction action;
    bool retry = true;  // checks are not retried
};

struct TaskReport {
    uint64_t taskId = 0;
    int64_t signId = 0;
    TaskState state = TaskState::Queued;
    int attempt = 0;          // 1 for the first; 0 for a task cancelled before it ran
    int done = 0, total = 0;  // progress steps of a push: the frames sent, then the read-back queries
    // The protocol layer's message on failure ("전송 실패 했습니다", ...); the command's own on
    // success ("전송 완료 했습니다"); for a holding check that differs, what differs.
    std::string message;
    bool memoryTouched = false;               // a memory write was sent: what the sign holds is now unknown
    std::optional<LocalDateTime> appliedAt;   // local time SignApply was acknowledged (push/size/window)
    std::optional<LocalDateTime> answeredAt;  // the sign's last answer in this task
    std::optional<SignHealth> health;         // what this exchange showed of the sign; none when
                                              // nothing was sent (cancelled, or a value refused)
    std::shared_ptr<const ProgramReadBack> pulled;  // a pull's program, with its Done report
};
// A task's reports, in order: Running (attempt 1), progress and memoryTouched as Running, then
// Done, Failed, Cancelled, or Retrying and Running again with the next attempt. Queued is never
// reported: a task is queued from submit() on. Fields once set stay set (memoryTouched,
// appliedAt, answeredAt); progress starts again with each attempt.

class FleetListener {
  public:
    virtual ~FleetListener() = default;
    // From one runner thread, in order, never while the runner's lock is held: quick; the
    // listener may call back into the runner.
    virtual void onTask(const TaskReport&) = 0;
};

// What the health scheduler needs of a runner.
class TaskSink {
  public:
    virtual ~TaskSink() = default;
    virtual void submit(SignTask task) = 0;
    virtual bool busy(int64_t signId) const = 0;
    // The task is queued, running or waiting to be tried again.
    virtual bool pending(uint64_t taskId) const = 0;
};

class PlanCache;

class FleetRunner final : public TaskSink {
  public:
    // Injected: tests and --testing-clock drive it. Called from the worker threads.
    using LocalClock = std::function<LocalDateTime()>;

    FleetRunner(FleetSettings settings, FleetListener& listener, LocalClock clock);
    // Stops: a running task stops after its frame in flight; what was queued is dropped. Nothing
    // is reported of either (as after a crash, the service runs them again when it next starts);
    // reports already made are delivered first.
    ~FleetRunner() override;
    FleetRunner(const FleetRunner&) = delete;
    FleetRunner& operator=(const FleetRunner&) = delete;

    // Runs when a worker, the task's link key and its sign are free, after the sign's earlier
    // tasks. A task whose id is pending already is ignored.
    void submit(SignTask task) override;
    // Queued or waiting to be tried again: dropped, reported Cancelled. Running: stops after the
    // frame in flight (a settings command or check, a few frames, runs to its end). False for a
    // task that is not known or has ended.
    bool cancel(uint64_t taskId);
    // A task has started on the sign and not ended (running, or waiting to be tried again).
    bool busy(int64_t signId) const override;
    bool pending(uint64_t taskId) const override;

  private:
    struct Entry;
    using EntryPtr = std::shared_ptr<Entry>;
    using Clock = std::chrono::steady_clock;

    void work();
    void deliver();
    // The next task a worker can take, or nothing; WAKE is lowered to the next retry time, MORE
    // says whether another one could be taken beside it.
    EntryPtr pick(Clock::time_point now, Clock::time_point& wake, bool& more);
    void runAttempt(Entry& e);
    void finish(const EntryPtr& e, TaskState state);
    void retryLater(const EntryPtr& e);
    // Hands a report to the deliverer thread; any thread, with or without the lock.
    void post(const TaskReport& report);

    const FleetSettings settings_;
    FleetListener& listener_;
    const LocalClock clock_;
    std::unique_ptr<PlanCache> plans_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;  // workers: a task may have become runnable
    std::list<EntryPtr> tasks_;     // every task not ended, in submission order
    std::unordered_map<uint64_t, EntryPtr> byId_;
    std::unordered_set<std::string> keysInUse_;
    std::unordered_map<int64_t, int> started_;  // signs with a started task: how many (0 or 1)
    std::unordered_set<int64_t> seen_;          // pick()'s scratch
    bool stopping_ = false;

    std::mutex reportMutex_;
    std::condition_variable reportWake_;
    std::deque<TaskReport> reports_;
    bool reportsEnd_ = false;

    std::vector<std::thread> workers_;
    std::thread deliverer_;
};

const char* toText(TaskState state);    // "queued", "running", ...
const char* toText(SignHealth health);  // "online", "unreachable", "other-model", "differs"

}  // namespace orb
