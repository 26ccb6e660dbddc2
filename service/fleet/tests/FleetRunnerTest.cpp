// The runner against signemu and against peers that are no sign, over loopback TCP and a
// pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "editor/core/ProgramVerify.h"
#include "editor/tests/SentProgram.h"
#include "service/fleet/FleetRunner.h"
#include "service/fleet/tests/FleetFixtures.h"
#include "testsupport/Fifo.h"

namespace orb {
namespace {

using testing::BadPeer;
using testing::Recorder;
using testing::SignEmu;
using testing::TempDir;

// The sign's memory file holds what orbctl build writes, at every address the program uses.
void expectExampleIn(SignEmu& sign, const TempDir& dir) {
    sign.process->stop();
    const testing::SentProgram sent =
        testing::compareSentProgram(sign.memory, EXAMPLE_PROJECT, dir.file("image"));
    EXPECT_EQ(sent.problem, "");
    EXPECT_GT(sent.compared, 5000u);
}

// Where two memory files differ over the ranges the example program uses; empty when nowhere.
std::string differenceOverPlan(const std::string& a, const std::string& b) {
    const PushProgram push = testing::examplePush();
    ProgramPlan plan;
    ProgramImage first, second;
    if (planProgram(*push.store, push.itemCount, push.width, push.height, plan).result != PlanResult::Ok ||
        ProgramImage::open(a, FileMode::ReadOnly, first) != IoResult::Ok ||
        ProgramImage::open(b, FileMode::ReadOnly, second) != IoResult::Ok)
        return "cannot plan the example or open the memory files";
    for (const ProgramWrite& w : plan.writes) {
        const SignRange range = signRange(w);
        std::vector<uint8_t> x(range.bytes.size()), y(range.bytes.size());
        if (first.read(range.address, x) != IoResult::Ok || second.read(range.address, y) != IoResult::Ok ||
            x != y)
            return "differs at " + std::to_string(range.address);
    }
    return "";
}

// The first and last position in the report sequence of each task.
std::map<uint64_t, std::pair<size_t, size_t>> spans(const std::vector<TaskReport>& reports) {
    std::map<uint64_t, std::pair<size_t, size_t>> out;
    for (size_t i = 0; i < reports.size(); ++i) {
        auto [it, added] = out.try_emplace(reports[i].taskId, i, i);
        it->second.second = i;
    }
    return out;
}

TEST(FleetRunner, PushesVerifiedToSeveralSignsAtOnce) {
    constexpr int kSigns = 3;
    std::vector<std::unique_ptr<TempDir>> dirs;
    std::vector<std::unique_ptr<SignEmu>> signs;
    for (int i = 0; i < kSigns; ++i) {
        dirs.push_back(std::make_unique<TempDir>());
        signs.push_back(std::make_unique<SignEmu>(*dirs.back(), std::vector<std::string>{}));
    }
    Recorder recorder;
    {
        FleetRunner runner(testing::quickSettings(kSigns), recorder, testing::testClock());
        const PushProgram push = testing::examplePush();
        for (int i = 0; i < kSigns; ++i) runner.submit(testing::task(100 + i, i, addressOf(*signs[i]), push));
        for (int i = 0; i < kSigns; ++i) {
            const TaskReport end = recorder.end(100 + i);
            EXPECT_EQ(end.state, TaskState::Done) << end.message;
            EXPECT_EQ(end.message, "전송 완료 했습니다");
            EXPECT_TRUE(end.memoryTouched);
            ASSERT_TRUE(end.appliedAt && end.answeredAt && end.health);
            EXPECT_EQ(end.appliedAt->second, testing::kTestNow.second);
            EXPECT_EQ(*end.health, SignHealth::Online);
            EXPECT_GT(end.total, 0);
            EXPECT_EQ(end.done, end.total);
            EXPECT_FALSE(runner.busy(i));
            EXPECT_FALSE(runner.pending(100 + i));
            // Progress grows on the way, and the first memory write is told before the end. (A
            // busy machine can make signemu save its memory past the reply limit: the try that
            // counts is the last.)
            std::vector<TaskReport> reports = recorder.of(100 + i);
            std::erase_if(reports, [&](const TaskReport& r) { return r.attempt != end.attempt; });
            ASSERT_GE(reports.size(), 4u);
            EXPECT_EQ(reports.front().state, TaskState::Running);
            EXPECT_TRUE(
                std::is_sorted(reports.begin(), reports.end(),
                               [](const TaskReport& a, const TaskReport& b) { return a.done < b.done; }));
            EXPECT_TRUE(std::any_of(reports.begin(), reports.end() - 1, [](const TaskReport& r) {
                return r.memoryTouched && r.done > 0 && r.done < r.total;
            }));
        }
    }
    // The first sign holds what orbctl build writes; the others hold what the first holds.
    expectExampleIn(*signs[0], *dirs[0]);
    for (int i = 1; i < kSigns; ++i) {
        signs[i]->process->stop();
        EXPECT_EQ(differenceOverPlan(signs[0]->memory, signs[i]->memory), "") << i;
    }
}

TEST(FleetRunner, ASignThatStoresOtherBytesFailsAfterItsTriesWithTheCheckMessage) {
    TempDir dir;
    SignEmu sign(dir, {"--corrupt-from", "3"}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(2, 3), recorder, testing::testClock());
    runner.submit(testing::task(1, 1, addressOf(sign), testing::examplePush()));
    const TaskReport end = recorder.end(1);
    EXPECT_EQ(end.state, TaskState::Failed);
    EXPECT_EQ(end.attempt, 3);
    EXPECT_EQ(end.message.rfind("전송 확인 실패: ", 0), 0u) << end.message;
    EXPECT_TRUE(end.memoryTouched);
    EXPECT_EQ(end.health, SignHealth::Online);  // it answered everything
    const std::vector<TaskReport> reports = recorder.of(1);
    EXPECT_EQ(std::count_if(reports.begin(), reports.end(),
                            [](const TaskReport& r) { return r.state == TaskState::Retrying; }),
              2);
    EXPECT_TRUE(std::none_of(reports.begin(), reports.end(),
                             [](const TaskReport& r) { return r.state == TaskState::Done; }));
}

TEST(FleetRunner, ASignThatComesUpDuringTheBackOffIsDone) {
    const uint16_t port = testing::freePort();
    Recorder recorder;
    FleetSettings settings = testing::quickSettings(2, 4);  // pauses of 1.5, 3 and 6 s
    settings.firstRetryMs = 1500;
    settings.maxRetryMs = 6000;
    FleetRunner runner(settings, recorder, testing::testClock());
    runner.submit(testing::task(1, 1, testing::tcpAddress(port), testing::examplePush()));
    const TaskReport first =
        recorder.waitFor(1, [](const TaskReport& r) { return r.state == TaskState::Retrying; });
    EXPECT_EQ(first.message, "전광판과의 연결상태를 확인해주세요!...");
    EXPECT_EQ(first.health, SignHealth::Unreachable);
    EXPECT_FALSE(first.memoryTouched);
    EXPECT_TRUE(runner.busy(1));  // waiting for its next try
    testing::ChildProcess emu({SIGNEMU_PATH, "--tcp", "127.0.0.1:" + std::to_string(port)});
    const TaskReport end = recorder.end(1);
    EXPECT_EQ(end.state, TaskState::Done) << end.message;
    EXPECT_GE(end.attempt, 2);  // the second, unless signemu was slow to start
    EXPECT_EQ(end.health, SignHealth::Online);
}

TEST(FleetRunner, CancelDropsAQueuedTaskAndStopsARunningOneAfterItsFrame) {
    TempDir a, b;
    SignEmu slow(a, {"--delay", "20"}, false, false), other(b, {}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(1), recorder, testing::testClock());
    runner.submit(testing::task(1, 1, addressOf(slow), testing::examplePush()));
    runner.submit(testing::task(2, 2, addressOf(other), testing::examplePush()));
    recorder.waitFor(1, [](const TaskReport& r) { return r.done > 0; });
    EXPECT_TRUE(runner.busy(1));
    EXPECT_FALSE(runner.busy(2));  // queued, not started
    EXPECT_TRUE(runner.pending(2));
    EXPECT_TRUE(runner.cancel(2));
    EXPECT_TRUE(runner.cancel(1));

    const TaskReport queued = recorder.end(2);
    EXPECT_EQ(queued.state, TaskState::Cancelled);
    EXPECT_EQ(queued.attempt, 0);
    EXPECT_EQ(recorder.of(2).size(), 1u);
    const TaskReport running = recorder.end(1);
    EXPECT_EQ(running.state, TaskState::Cancelled);
    EXPECT_EQ(running.attempt, 1);  // not tried again
    EXPECT_TRUE(running.memoryTouched);
    EXPECT_FALSE(running.appliedAt);
    EXPECT_FALSE(runner.cancel(1));  // ended
    EXPECT_FALSE(runner.cancel(77));
    slow.process->stop();
    other.process->stop();
    EXPECT_EQ(slow.logText().find("apply"), std::string::npos);
    EXPECT_EQ(other.logText(), "");
}

TEST(FleetRunner, CancelEndsTheWaitForTheNextTryAndStoppingDoesNotWaitForIt) {
    Recorder recorder;
    FleetSettings patient = testing::quickSettings(2);
    patient.firstRetryMs = patient.maxRetryMs = 600'000;
    const auto start = std::chrono::steady_clock::now();
    {
        FleetRunner runner(patient, recorder, testing::testClock());
        const SignAddress nobody = testing::tcpAddress(testing::freePort());
        runner.submit(testing::task(1, 1, nobody, CheckModel{}));
        runner.submit(testing::task(2, 2, nobody, CheckModel{}));
        const auto retrying = [](const TaskReport& r) { return r.state == TaskState::Retrying; };
        recorder.waitFor(1, retrying);
        recorder.waitFor(2, retrying);
        EXPECT_TRUE(runner.busy(1));
        EXPECT_TRUE(runner.cancel(1));
        const TaskReport end = recorder.end(1);
        EXPECT_EQ(end.state, TaskState::Cancelled);
        EXPECT_EQ(end.attempt, 1);
        EXPECT_EQ(end.message, "전광판과의 연결상태를 확인해주세요!...");
        EXPECT_FALSE(runner.busy(1));
    }  // task 2 still waits ten minutes for its next try
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
    EXPECT_FALSE(testing::hasEnded(recorder.of(2).back().state));  // left as it was, not reported
}

TEST(FleetRunner, OneExchangePerLinkKeyAndEachSignsTasksInOrder) {
    TempDir a, b;
    SignEmu shared(a, {}, false, false), second(b, {}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(4), recorder, testing::testClock());
    // Three signs behind one address (one serial device, one TCP peer): one at a time.
    for (uint64_t id : {1, 2, 3})
        runner.submit(testing::task(id, int64_t(id), addressOf(shared), testing::examplePush()));
    // One sign whose link changed between two tasks: the second waits for the first.
    runner.submit(testing::task(4, 9, addressOf(second), testing::examplePush()));
    runner.submit(testing::task(5, 9, addressOf(shared), CheckModel{}));
    for (uint64_t id : {1, 2, 3, 4, 5}) EXPECT_EQ(recorder.end(id).state, TaskState::Done) << id;

    const auto span = spans(recorder.all());
    const auto apart = [&](uint64_t x, uint64_t y) {
        return span.at(x).second < span.at(y).first || span.at(y).second < span.at(x).first;
    };
    for (auto [x, y] : {std::pair{1, 2}, {1, 3}, {2, 3}, {1, 5}, {2, 5}, {3, 5}})
        EXPECT_TRUE(apart(x, y)) << x << y;
    EXPECT_LT(span.at(4).second, span.at(5).first);
}

TEST(FleetRunner, PeersThatAreNoSignFailWithTheProtocolsMessageWhileAGoodSignIsDone) {
    BadPeer garbage(BadPeer::Kind::Garbage), closes(BadPeer::Kind::ClosesAtOnce),
        silent(BadPeer::Kind::Silent);
    TempDir a, b;
    SignEmu good(a, {}, false, false), otherModel(b, {"--model", "Lumen"}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(6, 2), recorder, testing::testClock());
    const PushProgram push = testing::examplePush();
    runner.submit(testing::task(1, 1, testing::tcpAddress(garbage.port()), push));
    runner.submit(testing::task(2, 2, testing::tcpAddress(closes.port()), push));
    runner.submit(testing::task(3, 3, testing::tcpAddress(silent.port()), push));
    runner.submit(testing::task(4, 4, testing::tcpAddress(testing::freePort()), push));
    runner.submit(testing::task(5, 5, addressOf(otherModel), push));
    runner.submit(testing::task(6, 6, addressOf(good), push));

    EXPECT_EQ(recorder.end(6).state, TaskState::Done);
    for (uint64_t id : {1, 2, 3, 4}) {
        const TaskReport end = recorder.end(id);
        EXPECT_EQ(end.state, TaskState::Failed) << id;
        EXPECT_EQ(end.attempt, 2) << id;
        EXPECT_EQ(end.message, "전광판과의 연결상태를 확인해주세요!...") << id;
        EXPECT_EQ(end.health, SignHealth::Unreachable) << id;
        EXPECT_FALSE(end.memoryTouched) << id;
        EXPECT_FALSE(end.answeredAt) << id;
    }
    const TaskReport other = recorder.end(5);
    EXPECT_EQ(other.state, TaskState::Failed);
    EXPECT_EQ(other.attempt, 1);  // another model is not tried again
    EXPECT_EQ(other.message, "전광판모델이 다릅니다");
    EXPECT_EQ(other.health, SignHealth::OtherModel);
    EXPECT_TRUE(other.answeredAt);
    // The silent peer cost its two waits of the reply limit, and held up nobody else.
    const auto span = spans(recorder.all());
    EXPECT_LT(span.at(6).second, span.at(3).second);
}

TEST(FleetRunner, SettingsCommandsSendTheirFramesAndOutOfRangeValuesAreRefused) {
    TempDir dir;
    SignEmu sign(dir, {}, false, false);
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(1), recorder, testing::testClock());
    const SignAddress at = addressOf(sign);
    runner.submit(testing::task(1, 1, at, SetSize{12, 2}));
    runner.submit(testing::task(2, 1, at, SetClockNow{}));
    runner.submit(testing::task(3, 1, at, SetOnOff{true, {7, 30}, {22, 0}}));
    runner.submit(testing::task(4, 1, at, SetDisplayWindow{1}));
    runner.submit(testing::task(5, 1, at, SetBrightness{9}));
    runner.submit(testing::task(6, 1, at, SetSize{41, 2}));
    runner.submit(testing::task(7, 1, at, SetBrightness{10}));
    const std::pair<uint64_t, const char*> messages[] = {{1, "규격 적용OK..."},
                                                         {2, "시각설정 완료"},
                                                         {3, "ON/OFF 적용OK..."},
                                                         {4, "표출시간설정 OK..."},
                                                         {5, "밝기설정 OK..."}};
    for (const auto& [id, message] : messages) {
        const TaskReport end = recorder.end(id);
        EXPECT_EQ(end.state, TaskState::Done) << id;
        EXPECT_EQ(end.message, message);
        EXPECT_EQ(end.health, SignHealth::Online);
        EXPECT_FALSE(end.memoryTouched);  // the program's items are left alone
        EXPECT_EQ(end.appliedAt.has_value(), id == 1 || id == 4) << id;
    }
    for (uint64_t id : {6, 7}) {
        const TaskReport end = recorder.end(id);
        EXPECT_EQ(end.state, TaskState::Failed);
        EXPECT_EQ(end.attempt, 1);
        EXPECT_FALSE(end.health);
    }
    EXPECT_EQ(recorder.end(6).message, "a sign is 5 to 40 modules wide and 1 to 8 high");
    const std::string log = sign.logText();
    for (const char* sent : {"write 2 bytes at 0x00004008", "clock 2026-03-14 09:26:53",
                             "on/off 1 07:30 22:00", "write 1 bytes at 0x00004012", "brightness 9"})
        EXPECT_NE(log.find(sent), std::string::npos) << sent;
    EXPECT_EQ(log.find("brightness 10"), std::string::npos);
}

TEST(FleetRunner, SerialLinksPushOverALineAndRefuseWhatIsNoSerialLine) {
    TempDir dir;
    SignEmu sign(dir, {}, true);
    testing::Fifo fifo(dir.file("fifo"));
    testing::writeFileBytes(dir.file("plain"), {1});
    Recorder recorder;
    FleetRunner runner(testing::quickSettings(4, 1), recorder, testing::testClock());
    const auto serial = [](const std::string& device) {
        SignAddress a;
        a.device = device;
        return a;
    };
    runner.submit(testing::task(1, 1, serial(sign.device), testing::examplePush()));
    runner.submit(testing::task(2, 2, serial(fifo.path()), CheckModel{}));
    runner.submit(testing::task(3, 3, serial(dir.path().string()), CheckModel{}));
    runner.submit(testing::task(4, 4, serial(dir.file("plain")), CheckModel{}));
    EXPECT_EQ(recorder.end(1).state, TaskState::Done) << recorder.end(1).message;
    const std::pair<uint64_t, std::string> refused[] = {
        {2, fifo.path() + ": a FIFO, not a serial line"},
        {3, dir.path().string() + ": a folder, not a serial line"},
        {4, dir.file("plain") + ": a regular file, not a serial line"}};
    for (const auto& [id, message] : refused) {
        const TaskReport end = recorder.end(id);
        EXPECT_EQ(end.state, TaskState::Failed);
        EXPECT_EQ(end.message, message);
        EXPECT_EQ(end.health, SignHealth::Unreachable);
    }
    expectExampleIn(sign, dir);
}

}  // namespace
}  // namespace orb
