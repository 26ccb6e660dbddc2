// Jobs run on signemu signs through the fleet's runner: what each sign holds is recorded only
// after its read-back matched, settings with the time they were acknowledged, a failing sign ends
// with the protocol's message and no record, and an interrupted job runs again after a restart.
#include "service/core/JobCoordinator.h"

#include <gtest/gtest.h>

#include <thread>

#include "bundle/ProgramBundle.h"
#include "service/core/tests/StoreFixture.h"
#include "testsupport/SignEmu.h"

namespace orb {
namespace {

using testing::SignEmu;
using testing::TempDir;

class JobCoordinatorTest : public testing::StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        ASSERT_TRUE(Auth::initialise());
        auth = std::make_unique<Auth>(store.users, store.audit, clock, fastAuthSettingsForTests());
        net = std::make_unique<SignNetwork>(store, *auth, clock);
        settings.maxLinks = 4;
        settings.tries = 2;
        settings.firstRetryMs = 20;
        settings.maxRetryMs = 200;
        settings.checkSeconds = 3600;  // no checks in the way of the jobs
        settings.holdingCheckSeconds = 7200;
    }
    void TearDown() override { jobs.reset(); }

    void startJobs() {
        jobs = std::make_unique<JobCoordinator>(*net, settings);
        jobs->start();
    }

    // A sign on signemu; its id.
    int64_t addSign(const SignEmu& emu, const std::string& name) {
        SignInput in;
        in.name = name;
        in.link = "tcp:127.0.0.1:" + std::to_string(emu.port());
        in.width = 10;
        in.height = 2;
        int64_t id = 0;
        EXPECT_TRUE(net->createSign(in, actor(), id).ok());
        return id;
    }

    // The example project uploaded as a bundle; its id.
    int64_t addExample() {
        ItemStore project;
        EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, project), IoResult::Ok);
        std::vector<uint8_t> zip;
        EXPECT_TRUE(writeBundle(project, zip).ok());
        int64_t id = 0;
        int version = 0;
        std::vector<std::string> warnings;
        const ServiceResult r = net->addProgram(zip, "demo", std::nullopt, actor(), id, version, warnings);
        EXPECT_TRUE(r.ok()) << r.message;
        return id;
    }

    int64_t push(int64_t program, std::vector<int64_t> signs) {
        JobRequest request;
        request.action = JobAction::Push;
        request.params.program = program;
        request.signs = std::move(signs);
        JobCreated created;
        const ServiceResult r = net->createJob(request, actor(), created);
        EXPECT_TRUE(r.ok()) << r.message;
        return created.id;
    }

    // The job once it has finished (a test fails rather than hangs after 60 s).
    JobRecord finishedJob(int64_t id) {
        JobRecord job;
        for (int i = 0; i < 6000; ++i) {
            if (store.jobs.get(id, job) == DbStatus::Ok && finished(job.state)) return job;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "job " << id << " did not finish";
        return job;
    }

    SignRecord sign(int64_t id) {
        SignRecord r;
        EXPECT_EQ(store.signs.get(id, r), DbStatus::Ok);
        return r;
    }

    std::unique_ptr<Auth> auth;
    std::unique_ptr<SignNetwork> net;
    ServiceSettings settings;
    std::unique_ptr<JobCoordinator> jobs;
};

TEST_F(JobCoordinatorTest, APushIsRecordedOnlyWhereItsReadBackMatched) {
    TempDir goodDir, badDir;
    SignEmu good(goodDir, {}, false, false);
    SignEmu bad(badDir, {"--corrupt-from", "3"}, false, false);
    const int64_t a = addSign(good, "good"), b = addSign(bad, "bad");
    const int64_t program = addExample();
    startJobs();
    const JobRecord job = finishedJob(push(program, {a, b}));
    EXPECT_EQ(job.state, JobState::Failed);
    ASSERT_EQ(job.signs.size(), 2u);
    EXPECT_EQ(job.signs[0].state, JobState::Done) << job.signs[0].message;
    EXPECT_EQ(job.signs[1].state, JobState::Failed);
    EXPECT_EQ(job.signs[1].message.rfind("전송 확인 실패: ", 0), 0u) << job.signs[1].message;
    EXPECT_EQ(job.signs[1].attempt, 2);

    const SignRecord held = sign(a);
    EXPECT_EQ(held.holding.kind, SignHolding::Program);
    EXPECT_EQ(held.holding.program, program);
    EXPECT_EQ(held.holding.version, 1);
    EXPECT_EQ(held.holding.since.substr(0, 10), "2025-03-01");
    EXPECT_EQ(held.state, SignState::Online);
    EXPECT_TRUE(held.lastAnswer.has_value());
    EXPECT_EQ(sign(b).holding.kind, SignHolding::Unknown);
}

// Checks that show the state last written only move the last answer on, in a batch written at
// most once a second and when the coordinator stops; a change is written at once, keeping the
// last answer that was still waiting.
TEST_F(JobCoordinatorTest, AnswersOfAnUnchangedStateAreWrittenTogether) {
    SignInput in;
    in.name = "front";
    in.link = "tcp:127.0.0.1:9";
    int64_t id = 0;
    ASSERT_TRUE(net->createSign(in, actor(), id).ok());
    jobs = std::make_unique<JobCoordinator>(*net, settings);  // not started: only these reports
    const auto check = [&](std::optional<SignHealth> health, std::optional<int> second) {
        TaskReport r;
        r.taskId = ~uint64_t{0};  // a health check's
        ASSERT_TRUE(HealthScheduler::isHealthTask(r.taskId));
        r.signId = id;
        r.state = TaskState::Done;
        r.health = health;
        if (second) r.answeredAt = LocalDateTime{2025, 3, 1, 9, 0, *second};
        jobs->onTask(r);
    };
    check(SignHealth::Online, 1);
    EXPECT_EQ(sign(id).state, SignState::Online);
    EXPECT_EQ(sign(id).lastAnswer, "2025-03-01T09:00:01.000");
    check(SignHealth::Online, 2);
    EXPECT_EQ(sign(id).lastAnswer, "2025-03-01T09:00:01.000");  // waits for the batch
    check(SignHealth::Unreachable, std::nullopt);
    EXPECT_EQ(sign(id).state, SignState::Unreachable);
    EXPECT_EQ(sign(id).lastAnswer, "2025-03-01T09:00:02.000");
    check(SignHealth::Online, 3);
    check(SignHealth::Online, 4);
    jobs.reset();
    EXPECT_EQ(sign(id).state, SignState::Online);
    EXPECT_EQ(sign(id).lastAnswer, "2025-03-01T09:00:04.000");
}

TEST_F(JobCoordinatorTest, SettingsAreRecordedWithTheTimeTheSignAcknowledgedThem) {
    TempDir signDir;
    SignEmu emu(signDir, {}, false, false);
    const int64_t id = addSign(emu, "front");
    startJobs();
    JobRequest request;
    request.action = JobAction::Brightness;
    request.params.level = 6;
    request.signs = {id};
    JobCreated created;
    ASSERT_TRUE(net->createJob(request, actor(), created).ok());
    EXPECT_EQ(finishedJob(created.id).state, JobState::Done);
    request.action = JobAction::OnOff;
    request.params.enabled = true;
    request.params.onTime = "07:30";
    request.params.offTime = "22:00";
    ASSERT_TRUE(net->createJob(request, actor(), created).ok());
    EXPECT_EQ(finishedJob(created.id).state, JobState::Done);
    const SignRecord r = sign(id);
    EXPECT_EQ(r.settings.brightness, 6);
    ASSERT_TRUE(r.settings.brightnessAt.has_value());
    EXPECT_EQ(r.settings.brightnessAt->substr(0, 10), "2025-03-01");
    EXPECT_EQ(r.settings.onOffEnabled, true);
    EXPECT_EQ(r.settings.onTime, "07:30");
    EXPECT_FALSE(r.settings.sizeAt.has_value());
}

TEST_F(JobCoordinatorTest, AnInterruptedPushRunsAgainAndTheSignHoldsUnknownMeanwhile) {
    TempDir signDir;
    SignEmu emu(signDir, {}, false, false);
    const int64_t id = addSign(emu, "front");
    const int64_t program = addExample();
    // As a service killed mid-push leaves it: the sign running in the job, and what it held
    // before still recorded.
    ASSERT_EQ(store.signs.recordHolding(
                  id, {SignHolding::Program, program, 1, "2025-02-01T00:00:00.000", "x"}, actor()),
              DbStatus::Ok);
    const int64_t job = push(program, {id});
    bool ended = false;
    ASSERT_EQ(store.jobs.updateSign(job, {id, JobState::Running, 1, 10, 100, {}, {}}, actor("orbd"), ended),
              DbStatus::Ok);
    startJobs();
    const JobRecord done = finishedJob(job);
    EXPECT_EQ(done.state, JobState::Done) << done.signs[0].message;
    const SignRecord r = sign(id);
    EXPECT_EQ(r.holding.kind, SignHolding::Program);
    EXPECT_NE(r.holding.since, "2025-02-01T00:00:00.000");
    // On the way it was recorded as unknown.
    std::vector<AuditRecord> rows;
    AuditFilter filter;
    filter.action = "sign.holds";
    ASSERT_EQ(store.audit.query(filter, rows), DbStatus::Ok);
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[1].detail, "unknown");
}

TEST_F(JobCoordinatorTest, ACancelledPushStopsAndLeavesTheSignUnknown) {
    TempDir signDir;
    SignEmu emu(signDir, {"--delay", "20"}, false, false);
    const int64_t id = addSign(emu, "slow");
    const int64_t program = addExample();
    ASSERT_EQ(store.signs.recordHolding(
                  id, {SignHolding::Program, program, 1, "2025-02-01T00:00:00.000", "x"}, actor()),
              DbStatus::Ok);
    startJobs();
    const int64_t job = push(program, {id});
    // Once its memory is written to, nothing may say the sign holds what it held.
    for (int i = 0; i < 3000 && sign(id).holding.kind == SignHolding::Program; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(sign(id).holding.kind, SignHolding::Unknown);
    ASSERT_TRUE(net->cancelJob(job, actor()).ok());
    const JobRecord ended = finishedJob(job);
    EXPECT_EQ(ended.state, JobState::Cancelled);
    EXPECT_EQ(ended.signs[0].state, JobState::Cancelled);
    EXPECT_LT(ended.signs[0].done, ended.signs[0].total);
    EXPECT_EQ(sign(id).holding.kind, SignHolding::Unknown);
    EXPECT_FALSE(net->cancelJob(job, actor()).ok());
}

}  // namespace
}  // namespace orb
