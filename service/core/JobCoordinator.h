#pragma once
// Runs the stored jobs on the signs through the fleet's runner, and the health checks through its
// scheduler, and records what they show:
//  - a sign is recorded as holding a program only on a push's Done (its read-back matched), or a
//    pull's whose stored version builds exactly what was read, in the same transaction as the
//    job's sign; as holding "unknown" as soon as a report says its memory was written to;
//  - the settings a sign acknowledged, with the time;
//  - what each exchange showed of the sign (its state and last answer; changes audited).
// At start the unfinished jobs are run again: a sign whose push was interrupted holds "unknown"
// until a push or read-back says otherwise.
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "service/core/ServiceSettings.h"
#include "service/core/SignNetwork.h"
#include "service/fleet/FleetRunner.h"
#include "service/fleet/HealthScheduler.h"

namespace orb {

class JobCoordinator final : public FleetListener {
  public:
    // SETTINGS give the runner's links, tries and delays and the check periods (read once).
    JobCoordinator(SignNetwork& network, const ServiceSettings& settings);
    // Stops the checks and the runner (what runs stops after its frame; it is run again at the
    // next start).
    ~JobCoordinator() override;
    JobCoordinator(const JobCoordinator&) = delete;
    JobCoordinator& operator=(const JobCoordinator&) = delete;

    // Hooks itself into the network's job and sign events, resumes the unfinished jobs and
    // starts the health checks of every sign.
    void start();
    void stop();

    // Submits the job's queued signs.
    void submitJob(int64_t job);
    // The job's running signs stop after their frame in flight; none of it is submitted again.
    void cancelJob(int64_t job);
    // The sign's link or what it holds changed: its checks follow.
    void watchSign(int64_t sign);
    void forgetSign(int64_t sign);

    void onTask(const TaskReport& report) override;

  private:
    struct Task {
        int64_t job = 0;
        int64_t sign = 0;
        JobAction action = JobAction::Push;
        JobParams params;
        std::string user;              // who made the job
        bool memoryForgotten = false;  // the holding was cleared for this task
        bool progressWritten = false;  // later progress is deferred
    };
    struct Plan {
        std::shared_ptr<const ItemStore> store;
        int itemCount = 0;
    };

    // Writes that only move a running sign's progress or a sign's last answer on are gathered
    // and written together at most once a second: a hundred signs in a push would otherwise each
    // commit, and wait for the disk, while the API waits to read.
    struct Deferred {
        std::map<uint64_t, std::pair<int64_t, JobSignRecord>> progress;  // by task: its job and sign
        std::map<int64_t, std::string> answers;                          // by sign
        std::unordered_map<int64_t, SignState> states;                   // as last written, by sign
        int64_t writtenMs = 0;
    };

    void resume();
    // The action a job's parameters ask of SIGN; false with MESSAGE when it cannot be made.
    bool actionFor(const JobRecord& job, const SignRecord& sign, SignAction& action, std::string& message);
    std::shared_ptr<const ItemStore> programStore(int64_t program, int version, int& itemCount);
    std::shared_ptr<const ProgramPlan> expectedPlan(const SignRecord& sign);
    void recordHealth(const TaskReport& report);
    // Writes what was deferred, when a second has passed since the last time or when NOW.
    void writeDeferred(bool now);
    void deferProgress(const Task& task, const TaskReport& report);
    void dropDeferredProgress(uint64_t taskId);
    void recordJobReport(Task task, const TaskReport& report);
    SignSettingsRecord settingsGiven(const Task& task, const std::string& at) const;
    // A pull's program stored as a version; the sign held to it only when the version builds
    // exactly what was read. Fills SIGN's end and ALSO.
    void keepPulled(const Task& task, const ProgramReadBack& pulled, const std::string& at,
                    JobSignRecord& sign, std::function<DbStatus()>& also);
    // Ends a sign of a job at once (a link that cannot be used, a program that cannot be read).
    void failSign(int64_t job, int64_t sign, const std::string& message);
    Actor service() const { return net_.actor("orbd"); }

    SignNetwork& net_;
    ServiceSettings settings_;
    std::mutex mutex_;
    std::unordered_map<uint64_t, Task> tasks_;
    uint64_t nextTaskId_ = 1;
    std::unordered_set<int64_t> cancelled_;             // jobs cancelled while this runs
    std::map<std::pair<int64_t, int>, Plan> programs_;  // item stores read from the database
    std::map<std::tuple<int64_t, int, int, int>, std::shared_ptr<const ProgramPlan>> plans_;
    std::unique_ptr<FleetRunner> runner_;
    std::mutex healthMutex_;  // health_ is reset while the runner may still report
    std::unique_ptr<HealthScheduler> health_;
    std::mutex deferredMutex_;
    Deferred deferred_;
};

}  // namespace orb
