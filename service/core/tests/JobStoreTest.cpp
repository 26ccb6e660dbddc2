// Jobs as stored: one unfinished job per sign, each sign's progress, the job's state following
// its signs, cancelling.
#include "service/core/JobStore.h"

#include <gtest/gtest.h>

#include "service/core/tests/StoreFixture.h"

namespace orb {
namespace {

using JobStoreTest = testing::StoreFixture;

JobSignRecord signAt(int64_t sign, JobState state, std::string message = {}) {
    return {sign, state, 1, 0, 0, std::move(message), {}};
}

TEST_F(JobStoreTest, ASignHeldByAnUnfinishedJobFailsAtOnceInTheNextOne) {
    const int64_t a = addSign("a"), b = addSign("b");
    const int64_t program = addProgram("menu");
    int64_t first = 0, second = 0;
    std::vector<HeldSign> held;
    JobParams push;
    push.program = program;
    push.version = 1;
    ASSERT_EQ(store.jobs.create(JobAction::Push, push, "signs a", {a}, actor(), first, held), DbStatus::Ok);
    EXPECT_TRUE(held.empty());
    ASSERT_EQ(store.jobs.create(JobAction::Push, push, "signs a, b", {a, b, b}, actor(), second, held),
              DbStatus::Ok);
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].sign, a);
    EXPECT_EQ(held[0].job, first);
    JobRecord job;
    ASSERT_EQ(store.jobs.get(second, job), DbStatus::Ok);
    ASSERT_EQ(job.signs.size(), 2u);
    EXPECT_EQ(job.signs[0].state, JobState::Failed);
    EXPECT_EQ(job.signs[0].message, "held by job " + std::to_string(first));
    EXPECT_EQ(job.signs[1].state, JobState::Queued);
    EXPECT_EQ(job.params.program, program);

    // Nothing left to run: nothing stored.
    int64_t third = 0;
    JobParams brightness;
    brightness.level = 3;
    EXPECT_EQ(store.jobs.create(JobAction::Brightness, brightness, "signs a", {a}, actor(), third, held),
              DbStatus::Conflict);
    std::vector<JobRecord> all;
    ASSERT_EQ(store.jobs.list({}, all), DbStatus::Ok);
    EXPECT_EQ(all.size(), 2u);
    // A job's program version cannot be deleted while the job is unfinished.
    std::vector<std::string> unused;
    EXPECT_EQ(store.programs.remove(program, actor(), unused), DbStatus::Conflict);
}

TEST_F(JobStoreTest, TheJobsStateFollowsItsSigns) {
    const int64_t a = addSign("a"), b = addSign("b");
    int64_t id = 0;
    std::vector<HeldSign> held;
    JobParams size;
    size.width = 8;
    size.height = 2;
    ASSERT_EQ(store.jobs.create(JobAction::Size, size, "all", {a, b}, actor(), id, held), DbStatus::Ok);
    bool ended = false;
    ASSERT_EQ(store.jobs.updateSign(id, signAt(a, JobState::Running), actor("orbd"), ended), DbStatus::Ok);
    JobRecord job;
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.state, JobState::Running);
    EXPECT_TRUE(job.started.has_value());
    SignRecord sign;
    ASSERT_EQ(store.signs.get(a, sign), DbStatus::Ok);
    EXPECT_EQ(sign.state, SignState::Busy);
    EXPECT_EQ(sign.busyJob, id);
    // Progress written in a batch: steps only, and only for the attempt still running.
    JobSignRecord step = signAt(a, JobState::Running);
    step.done = 5, step.total = 9;
    JobSignRecord stale = signAt(b, JobState::Running);
    stale.done = 7;
    ASSERT_EQ(store.jobs.recordProgress({{id, step}, {id, stale}}, actor("orbd")), DbStatus::Ok);
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.signs[0].done, 5);
    EXPECT_EQ(job.signs[0].total, 9);
    EXPECT_EQ(job.signs[1].done, 0);  // b was not running
    step.attempt = 2;
    step.done = 8;
    ASSERT_EQ(store.jobs.recordProgress({{id, step}}, actor("orbd")), DbStatus::Ok);
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.signs[0].done, 5);

    ASSERT_EQ(store.jobs.updateSign(id, signAt(a, JobState::Done), actor("orbd"), ended), DbStatus::Ok);
    EXPECT_FALSE(ended);
    ASSERT_EQ(
        store.jobs.updateSign(id, signAt(b, JobState::Failed, "전송 실패 했습니다"), actor("orbd"), ended),
        DbStatus::Ok);
    EXPECT_TRUE(ended);
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.state, JobState::Failed);
    EXPECT_EQ(job.signs[1].message, "전송 실패 했습니다");
    EXPECT_EQ(job.params.width, 8);
    // A finished sign stays as it ended.
    EXPECT_EQ(store.jobs.updateSign(id, signAt(b, JobState::Done), actor("orbd"), ended), DbStatus::NotFound);
    ASSERT_EQ(store.jobs.recordProgress({{id, stale}}, actor("orbd")), DbStatus::Ok);
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.signs[1].done, 0);
    ASSERT_EQ(store.signs.get(a, sign), DbStatus::Ok);
    EXPECT_EQ(sign.state, SignState::Unknown);
    EXPECT_FALSE(sign.busyJob.has_value());
}

TEST_F(JobStoreTest, CancellingEndsTheQueuedSignsAndNamesTheRunningOnes) {
    const int64_t a = addSign("a"), b = addSign("b");
    int64_t id = 0;
    std::vector<HeldSign> held;
    ASSERT_EQ(store.jobs.create(JobAction::Clock, {}, "all", {a, b}, actor(), id, held), DbStatus::Ok);
    bool ended = false;
    ASSERT_EQ(store.jobs.updateSign(id, signAt(a, JobState::Running), actor("orbd"), ended), DbStatus::Ok);
    std::vector<int64_t> running;
    ASSERT_EQ(store.jobs.cancel(id, actor(), running), DbStatus::Ok);
    EXPECT_EQ(running, std::vector<int64_t>{a});
    JobRecord job;
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.state, JobState::Running);
    EXPECT_EQ(job.signs[1].state, JobState::Cancelled);
    std::vector<JobRecord> open;
    ASSERT_EQ(store.jobs.unfinished(open), DbStatus::Ok);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].signs.size(), 2u);

    ASSERT_EQ(store.jobs.updateSign(id, signAt(a, JobState::Cancelled), actor("orbd"), ended), DbStatus::Ok);
    EXPECT_TRUE(ended);
    ASSERT_EQ(store.jobs.get(id, job), DbStatus::Ok);
    EXPECT_EQ(job.state, JobState::Cancelled);
    EXPECT_EQ(store.jobs.cancel(id, actor(), running), DbStatus::Conflict);
    EXPECT_EQ(store.jobs.cancel(999, actor(), running), DbStatus::NotFound);
}

}  // namespace
}  // namespace orb
