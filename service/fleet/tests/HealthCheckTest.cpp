// The health checks as the runner carries them out, against signemu.
#include <gtest/gtest.h>

#include "service/fleet/FleetRunner.h"
#include "service/fleet/tests/FleetFixtures.h"

namespace orb {
namespace {

using testing::Recorder;
using testing::SignEmu;
using testing::TempDir;

std::shared_ptr<const ProgramPlan> examplePlan() {
    const PushProgram push = testing::examplePush();
    auto plan = std::make_shared<ProgramPlan>();
    EXPECT_EQ(planProgram(*push.store, push.itemCount, push.width, push.height, *plan).result,
              PlanResult::Ok);
    return plan;
}

TEST(HealthCheck, TellsOnlineUnreachableAndOtherModel) {
    TempDir a, b;
    SignEmu good(a, {}, false, false), other(b, {"--model", "Lumen"}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(), recorder, testing::testClock());
    runner.submit(testing::task(1, 1, addressOf(good), CheckModel{}, false));
    runner.submit(testing::task(2, 2, testing::tcpAddress(testing::freePort()), CheckModel{}, false));
    runner.submit(testing::task(3, 3, addressOf(other), CheckModel{}, false));
    const TaskReport online = recorder.end(1), unreachable = recorder.end(2), otherModel = recorder.end(3);
    EXPECT_EQ(online.state, TaskState::Done);
    EXPECT_EQ(online.health, SignHealth::Online);
    ASSERT_TRUE(online.answeredAt);
    EXPECT_EQ(online.answeredAt->minute, testing::kTestNow.minute);
    EXPECT_EQ(unreachable.state, TaskState::Failed);
    EXPECT_EQ(unreachable.attempt, 1);
    EXPECT_EQ(unreachable.health, SignHealth::Unreachable);
    EXPECT_FALSE(unreachable.answeredAt);
    EXPECT_EQ(otherModel.health, SignHealth::OtherModel);
    EXPECT_EQ(otherModel.message, "전광판모델이 다릅니다");
    // The cheapest frame: the model string alone.
    good.process->stop();
    EXPECT_EQ(good.logText(), "frame 1: read 8 bytes at 0x00004000\n");
}

TEST(HealthCheck, HoldingComparesTheCountAndTheItemTable) {
    TempDir dir;
    SignEmu sign(dir, {}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(1), recorder, testing::testClock());
    const std::shared_ptr<const ProgramPlan> expected = examplePlan();
    const SignAddress at = addressOf(sign);

    runner.submit(testing::task(1, 1, at, CheckHolding{expected}, false));
    const TaskReport empty = recorder.end(1);
    EXPECT_EQ(empty.state, TaskState::Done);
    EXPECT_EQ(empty.health, SignHealth::Differs);
    EXPECT_EQ(empty.message,
              "the sign holds 0 items, not " + std::to_string(expected->imageHeader.itemCount));

    runner.submit(testing::task(2, 1, at, testing::examplePush()));
    runner.submit(testing::task(3, 1, at, CheckHolding{expected}, false));
    ASSERT_EQ(recorder.end(2).state, TaskState::Done);
    EXPECT_EQ(recorder.end(3).health, SignHealth::Online);

    // A plan whose third item differs by one byte of its header.
    auto other = std::make_shared<ProgramPlan>(*expected);
    for (ProgramWrite& w : other->writes)
        if (w.kind == ProgramWrite::Kind::ItemHeader && w.item == 2) w.bytes[header::kEffects] ^= 1;
    runner.submit(testing::task(4, 1, at, CheckHolding{other}, false));
    const TaskReport differs = recorder.end(4);
    EXPECT_EQ(differs.health, SignHealth::Differs);
    EXPECT_EQ(differs.message, "item 3 of the sign's item table differs");

    // Without a plan, the model check alone.
    runner.submit(testing::task(5, 1, at, CheckHolding{}, false));
    EXPECT_EQ(recorder.end(5).health, SignHealth::Online);
}

}  // namespace
}  // namespace orb
