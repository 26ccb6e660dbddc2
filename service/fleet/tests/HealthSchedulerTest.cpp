// The health scheduler on a clock the test turns, submitting to a sink that only records.
#include "service/fleet/HealthScheduler.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace orb {
namespace {

class RecordingSink final : public TaskSink {
  public:
    void submit(SignTask task) override {
        std::lock_guard lock(mutex);
        tasks.push_back(std::move(task));
    }
    bool busy(int64_t signId) const override {
        std::lock_guard lock(mutex);
        return busySigns.count(signId) != 0;
    }
    bool pending(uint64_t taskId) const override {
        std::lock_guard lock(mutex);
        return pendingTasks.count(taskId) != 0;
    }
    size_t count() const {
        std::lock_guard lock(mutex);
        return tasks.size();
    }

    mutable std::mutex mutex;
    std::vector<SignTask> tasks;
    std::set<int64_t> busySigns;
    std::set<uint64_t> pendingTasks;
};

struct Scheduled {
    RecordingSink sink;
    int64_t now = 1'000'000;
    HealthScheduler scheduler{sink, {10'000, 60'000}, [this] { return now; }};

    void addSigns(int64_t from, int64_t to, bool withPlan = false) {
        for (int64_t id = from; id <= to; ++id) {
            SignAddress a;
            a.tcp = true, a.host = "10.0.0.1", a.port = static_cast<uint16_t>(id);
            scheduler.setSign({id, a, withPlan ? std::make_shared<ProgramPlan>() : nullptr});
        }
    }
    // Turns the clock on by STEP up to MS later; the checks submitted, by sign.
    std::map<int64_t, int> run(int64_t ms, int64_t step, size_t* mostAtOnce = nullptr) {
        std::map<int64_t, int> checks;
        for (int64_t end = now + ms; now < end;) {
            now += step;
            const size_t before = sink.tasks.size();
            scheduler.runDue();
            for (size_t i = before; i < sink.tasks.size(); ++i) ++checks[sink.tasks[i].signId];
            if (mostAtOnce) *mostAtOnce = std::max(*mostAtOnce, sink.tasks.size() - before);
        }
        return checks;
    }
};

TEST(HealthScheduler, ChecksEverySignOncePerPeriodSpreadOverIt) {
    Scheduled s;
    s.addSigns(1, 100);
    size_t mostAtOnce = 0;
    for (int period = 0; period < 3; ++period) {
        const auto checks = s.run(10'000, 100, &mostAtOnce);
        EXPECT_EQ(checks.size(), 100u) << period;
        for (const auto& [sign, n] : checks) EXPECT_EQ(n, 1) << sign;
    }
    EXPECT_LE(mostAtOnce, 3u);  // a hundred signs over a hundred steps of the period
    for (const SignTask& t : s.sink.tasks) {
        EXPECT_TRUE(HealthScheduler::isHealthTask(t.id));
        EXPECT_FALSE(t.retry);
        EXPECT_TRUE(std::holds_alternative<CheckModel>(t.action));
        EXPECT_EQ(t.address.port, t.signId);
    }
    std::set<uint64_t> ids;
    for (const SignTask& t : s.sink.tasks) ids.insert(t.id);
    EXPECT_EQ(ids.size(), s.sink.tasks.size());
}

TEST(HealthScheduler, PassesOverBusySignsAndChecksThatHaveNotEnded) {
    Scheduled s;
    s.addSigns(1, 10);
    s.sink.busySigns = {3};
    auto checks = s.run(10'000, 50);
    EXPECT_EQ(checks.size(), 9u);
    EXPECT_EQ(checks.count(3), 0u);
    // Sign 4's check does not end: no second one is sent beside it.
    for (const SignTask& t : s.sink.tasks)
        if (t.signId == 4) s.sink.pendingTasks.insert(t.id);
    s.sink.busySigns.clear();
    checks = s.run(10'000, 50);
    EXPECT_EQ(checks.size(), 9u);
    EXPECT_EQ(checks.count(4), 0u);
    EXPECT_EQ(checks[3], 1);
    // Nothing is owed for the turns passed over.
    s.sink.pendingTasks.clear();
    checks = s.run(10'000, 50);
    EXPECT_EQ(checks.size(), 10u);
    for (const auto& [sign, n] : checks) EXPECT_EQ(n, 1) << sign;
}

TEST(HealthScheduler, TheHoldingCheckComesAtItsOwnSlowerPeriod) {
    Scheduled s;
    s.addSigns(1, 20, true);
    s.addSigns(21, 30, false);
    s.run(120'000, 100);
    std::map<int64_t, int> holding, model;
    for (const SignTask& t : s.sink.tasks)
        ++(std::holds_alternative<CheckHolding>(t.action) ? holding : model)[t.signId];
    for (int64_t id = 1; id <= 20; ++id) {
        EXPECT_EQ(holding[id], 2) << id;
        // A model check due in the same turn as a holding check is answered by it.
        EXPECT_GE(model[id], 10) << id;
        EXPECT_LE(model[id], 12) << id;
    }
    for (int64_t id = 21; id <= 30; ++id) {
        EXPECT_EQ(holding.count(id), 0u);
        EXPECT_EQ(model[id], 12) << id;
    }
}

TEST(HealthScheduler, RemovedSignsAreNoLongerChecked) {
    Scheduled s;
    s.addSigns(1, 5);
    s.scheduler.removeSign(2);
    s.addSigns(5, 5);  // set again: still one check a period
    EXPECT_EQ(s.scheduler.signs(), 4u);
    const auto checks = s.run(20'000, 100);
    EXPECT_EQ(checks.count(2), 0u);
    EXPECT_EQ(checks.at(5), 2);
}

TEST(HealthScheduler, ItsThreadSubmitsOnTheRealClock) {
    RecordingSink sink;
    HealthScheduler scheduler(sink, {100, 0});
    SignAddress a;
    scheduler.setSign({1, a, nullptr});
    scheduler.start();
    for (int i = 0; i < 300 && sink.count() < 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    scheduler.stop();
    EXPECT_GE(sink.count(), 2u);
}

}  // namespace
}  // namespace orb
