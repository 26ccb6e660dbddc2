// Takeovers acting on signemu signs, with the test moving the service's clock: a text reaches
// every sign of a group in one verified job and each acknowledgement is recorded with its time;
// a sign that was down gets it when it answers; the end gives each sign its calendar back, or to a
// sign outside the calendar its program and display-window mode; an `until` past midnight ends on
// its minute, also across a restart of the service core.
#include <gtest/gtest.h>

#include <thread>

#include "image/ProgramImage.h"
#include "service/core/CalendarScheduler.h"
#include "service/core/JobCoordinator.h"
#include "service/core/NetworkCalendar.h"
#include "service/core/NetworkTakeover.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/ItemBuilder.h"
#include "testsupport/SignEmu.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using nlohmann::json;
using testing::SignEmu;
using testing::TempDir;

const CalendarDate kFriday{2027, 1, 8};

std::vector<uint8_t> bytesOf(const ItemStore& store) {
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)),
              IoResult::Ok);
    return bytes;
}

ItemStore storeOf(const std::vector<uint8_t>& bytes) {
    ItemStore s;
    EXPECT_EQ(s.writeAll(std::span<const uint8_t, ItemStore::kFileSize>(bytes.data(), ItemStore::kFileSize)),
              IoResult::Ok);
    return s;
}

class TakeoverSchedulerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Auth::initialise());
        settings.tries = 2;
        settings.firstRetryMs = 20;
        settings.maxRetryMs = 100;
        settings.checkSeconds = 1;
        settings.holdingCheckSeconds = 7200;
        open();
    }
    void TearDown() override { close(); }

    // The service core on the data folder, as orbd runs it.
    void open() {
        store = std::make_unique<ServiceStore>();
        std::string error;
        ASSERT_TRUE(store->open(dir.file("data"), clock, error)) << error;
        auth = std::make_unique<Auth>(store->users, store->audit, clock, fastAuthSettingsForTests());
        net = std::make_unique<SignNetwork>(*store, *auth, clock);
        jobs = std::make_unique<JobCoordinator>(*net, settings);
        jobs->start();
        scheduler = std::make_unique<CalendarScheduler>(*net, settings);
    }
    void close() {
        scheduler.reset();
        jobs.reset();
        net.reset();
        auth.reset();
        store.reset();
    }

    Actor actor() const { return {"operator", toIsoText(clock.now())}; }

    int64_t addSign(const SignEmu& emu, const std::string& name, const std::string& group = "front") {
        SignInput in;
        in.name = name;
        in.link = "tcp:127.0.0.1:" + std::to_string(emu.port());
        in.groups = {group};
        int64_t id = 0;
        EXPECT_TRUE(net->createSign(in, actor(), id).ok());
        return id;
    }

    // A one-item program of TEXT.
    int64_t addProgram(const std::string& text) {
        ItemStore s;
        s.writeRecord(0, testing::ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
                             .kind(1, ContentKind::Sentence)
                             .text(1, text, 0x0040)
                             .item);
        ProgramVersionInput in{"{}", bytesOf(s), 1, {}};
        int64_t program = 0;
        EXPECT_EQ(store->programs.add(text, in, actor(), program), DbStatus::Ok);
        return program;
    }
    // A program of TEXT and a calendar entry putting it on the group every day.
    int64_t addCalendar(const std::string& text) {
        const int64_t program = addProgram(text);
        CalendarEntry e;
        e.program = program;
        e.targets.groups = {"front"};
        EXPECT_EQ(store->calendar.createEntry(e, actor()), DbStatus::Ok);
        return program;
    }

    Takeover start(const json& body) {
        Takeover t;
        const ServiceResult r = NetworkTakeover(*net).create(body, actor(), t);
        EXPECT_TRUE(r.ok()) << r.message;
        return t;
    }
    Takeover takeover(int64_t id) {
        Takeover t;
        EXPECT_EQ(store->takeovers.get(id, t), DbStatus::Ok);
        return t;
    }

    void setClock(const CalendarDate& d, int hour, int minute, int second = 30) {
        const LocalTimestamp to{{d.year, d.month, d.day, hour, minute, second}, 0};
        clock.advance(toMillis(to) - clock.nowMillis());
    }

    void waitForJobs() {
        for (int i = 0; i < 3000; ++i) {
            std::vector<JobRecord> open;
            if (store->jobs.unfinished(open) == DbStatus::Ok && open.empty()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ADD_FAILURE() << "jobs did not finish";
    }
    int settle() {
        int made = 0;
        for (int i = 0; i < 20; ++i) {
            const int n = scheduler->tick();
            waitForJobs();
            if (n == 0) break;
            made += n;
        }
        return made;
    }

    SignRecord sign(int64_t id) {
        SignRecord r;
        EXPECT_EQ(store->signs.get(id, r), DbStatus::Ok);
        return r;
    }
    void waitForState(int64_t id, SignState state) {
        for (int i = 0; i < 1000 && sign(id).state != state; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(sign(id).state, state);
    }

    // Where the sign's memory or its recorded holding differ from version VERSION of PROGRAM, or
    // from the compiled calendar day when PROGRAM is 0; "" when neither does.
    std::string holds(const SignEmu& emu, int64_t id, int64_t program, int version = 1) {
        const SignRecord r = sign(id);
        if (r.holding.kind != SignHolding::Program) return "no program recorded";
        std::vector<uint8_t> want;
        int items = 0;
        if (program) {
            ProgramVersionRecord v;
            if (store->programs.version(program, version, v) != DbStatus::Ok) return "no such version";
            want = v.store, items = v.itemCount;
        } else {
            CompiledDay day;
            if (!NetworkCalendar(*store).compiledOf(id, kFriday, day).ok()) return "no compiled day";
            want = bytesOf(day.store), items = static_cast<int>(day.items.size());
        }
        ProgramVersionRecord held;
        if (store->programs.version(r.holding.program, r.holding.version, held) != DbStatus::Ok ||
            held.store != want)
            return "another program recorded";
        ProgramImage memory;
        ProgramPlan plan;
        if (ProgramImage::open(emu.memory, FileMode::ReadOnly, memory) != IoResult::Ok)
            return "no memory file";
        if (planProgram(storeOf(want), items, 6, 1, plan).result != PlanResult::Ok) return "no plan";
        for (const ProgramWrite& w : plan.writes) {
            const uint64_t skip = w.kind == ProgramWrite::Kind::ImageHeader ? 2 : 0;
            std::vector<uint8_t> got(w.bytes.size() - skip);
            if (memory.read(w.address + skip, got) != IoResult::Ok ||
                !std::equal(got.begin(), got.end(), w.bytes.begin() + static_cast<std::ptrdiff_t>(skip)))
                return "memory differs at " + std::to_string(w.address);
        }
        return "";
    }

    // An operator's job on sign ID, run to its end.
    void operate(int64_t id, JobAction action, const JobParams& params) {
        JobRequest request;
        request.action = action;
        request.params = params;
        request.signs = {id};
        JobCreated created;
        ASSERT_TRUE(net->createJob(request, actor(), created).ok());
        waitForJobs();
    }

    size_t audited(const std::string& action) {
        AuditFilter filter;
        filter.action = action;
        std::vector<AuditRecord> out;
        EXPECT_EQ(store->audit.query(filter, out), DbStatus::Ok);
        return out.size();
    }

    TempDir dir;
    ServiceClock clock{LocalTimestamp{{2027, 1, 8, 8, 0, 0}, 0}, 1};
    ServiceSettings settings;
    std::unique_ptr<ServiceStore> store;
    std::unique_ptr<Auth> auth;
    std::unique_ptr<SignNetwork> net;
    std::unique_ptr<JobCoordinator> jobs;
    std::unique_ptr<CalendarScheduler> scheduler;
};

TEST_F(TakeoverSchedulerTest, ATextReachesTheGroupInOneJobAndTheCalendarComesBack) {
    TempDir dirA, dirB, dirC;
    SignEmu emuA(dirA, {}), emuC(dirC, {});
    auto emuB = std::make_unique<SignEmu>(dirB, std::vector<std::string>{});
    const uint16_t portB = emuB->port();
    const int64_t a = addSign(emuA, "a"), b = addSign(*emuB, "b"), c = addSign(emuC, "c");
    addCalendar("MENU");
    setClock(kFriday, 8, 0);
    settle();
    ASSERT_EQ(holds(emuA, a, 0), "");
    // b goes down before the takeover.
    emuB->process->stop();
    waitForState(b, SignState::Unreachable);

    const Takeover t = start({{"text", "FIRE EXIT"}, {"colour", "빨강색"}, {"groups", {"front"}}});
    setClock(kFriday, 8, 1);
    EXPECT_EQ(scheduler->tick(), 1);  // one job for the signs that answer
    waitForJobs();
    settle();
    EXPECT_EQ(holds(emuA, a, t.program), "");
    EXPECT_EQ(holds(emuC, c, t.program), "");
    Takeover now = takeover(t.id);
    ASSERT_EQ(now.acks.size(), 3u);
    for (const TakeoverAck& ack : now.acks) {
        if (ack.sign == b) {
            EXPECT_EQ(ack.state, AckState::Pending);
            continue;
        }
        EXPECT_EQ(ack.state, AckState::Done) << ack.sign;
        ASSERT_TRUE(ack.at.has_value());
        EXPECT_EQ(ack.at->substr(0, 16), "2027-01-08T08:01");
    }

    // b answers again and gets it.
    setClock(kFriday, 8, 5);
    emuB->process = std::make_unique<testing::ChildProcess>(std::vector<std::string>{
        SIGNEMU_PATH, "--tcp", "127.0.0.1:" + std::to_string(portB), "--memory", emuB->memory});
    waitForState(b, SignState::Online);
    settle();
    EXPECT_EQ(holds(*emuB, b, t.program), "");
    now = takeover(t.id);
    EXPECT_EQ(now.acks[1].state, AckState::Done);
    EXPECT_EQ(now.acks[1].at->substr(0, 16), "2027-01-08T08:05");
    EXPECT_EQ(audited("takeover.ack"), 3u);

    // The plan shows it from the minute it was made.
    std::vector<DayPlan> plan;
    ASSERT_TRUE(NetworkCalendar(*store).planOf(a, kFriday, kFriday, plan).ok());
    ASSERT_EQ(plan[0].periods.size(), 2u);
    EXPECT_EQ(plan[0].periods[1].span, (MinuteSpan{8 * 60, kDayMinutes}));
    EXPECT_EQ(plan[0].periods[1].takeover, t.id);
    EXPECT_EQ(plan[0].periods[1].program, t.program);

    setClock(kFriday, 9, 0);
    Takeover ended;
    ASSERT_TRUE(NetworkTakeover(*net).end(t.id, actor(), ended).ok());
    EXPECT_EQ(NetworkTakeover(*net).end(t.id, actor(), ended).outcome, Outcome::Conflict);
    settle();
    EXPECT_EQ(holds(emuA, a, 0), "");
    EXPECT_EQ(holds(*emuB, b, 0), "");
    EXPECT_EQ(holds(emuC, c, 0), "");
    EXPECT_EQ(audited("takeover.restore"), 3u);
    EXPECT_EQ(audited("takeover.end"), 1u);
}

TEST_F(TakeoverSchedulerTest, UntilPastMidnightEndsOnItsMinuteAcrossARestart) {
    TempDir signDir;
    SignEmu emu(signDir, {});
    const int64_t id = addSign(emu, "a");
    addCalendar("MENU");
    const int64_t notice = addCalendar("NOTICE");  // its entry is newer: it is the calendar's
    ASSERT_EQ(store->calendar.removeEntry(2, actor()), DbStatus::Ok);
    setClock(kFriday, 23, 50);
    settle();
    ASSERT_EQ(holds(emu, id, 0), "");
    const Takeover t = start({{"program", notice}, {"signs", {id}}, {"until", "2027-01-09T00:20:00"}});
    settle();
    EXPECT_EQ(holds(emu, id, notice), "");
    EXPECT_EQ(takeover(t.id).acks[0].state, AckState::Done);

    // Friday from 23:50 and Saturday to 00:20.
    std::vector<DayPlan> plan;
    ASSERT_TRUE(NetworkCalendar(*store).planOf(id, kFriday, kFriday.plusDays(1), plan).ok());
    EXPECT_EQ(plan[0].periods.back().span, (MinuteSpan{23 * 60 + 50, kDayMinutes}));
    EXPECT_EQ(plan[0].periods.back().takeover, t.id);
    EXPECT_EQ(plan[1].periods.front().span, (MinuteSpan{0, 20}));
    EXPECT_EQ(plan[1].periods.front().takeover, t.id);
    EXPECT_EQ(plan[1].periods.at(1).takeover, 0);

    // The service core stops and starts again on the same folder.
    close();
    setClock(kFriday.plusDays(1), 0, 10);
    open();
    const int64_t pushes = [&] {
        std::vector<JobRecord> all;
        EXPECT_EQ(store->jobs.list({}, all), DbStatus::Ok);
        return static_cast<int64_t>(all.size());
    }();
    EXPECT_EQ(settle(), 0);
    EXPECT_TRUE(takeover(t.id).activeAt(toIsoText(clock.now())));
    setClock(kFriday.plusDays(1), 0, 19, 59);
    EXPECT_EQ(settle(), 0);
    EXPECT_EQ(holds(emu, id, notice), "");

    setClock(kFriday.plusDays(1), 0, 20, 0);
    EXPECT_GE(settle(), 1);
    const Takeover ended = takeover(t.id);
    EXPECT_EQ(ended.ended, "2027-01-09T00:20:00.000");
    EXPECT_EQ(ended.endedBy, "orbd");
    EXPECT_EQ(holds(emu, id, 0), "");
    EXPECT_EQ(sign(id).holding.verified.substr(0, 16), "2027-01-09T00:20");
    std::vector<JobRecord> all;
    ASSERT_EQ(store->jobs.list({}, all), DbStatus::Ok);
    EXPECT_GT(static_cast<int64_t>(all.size()), pushes);
    EXPECT_EQ(audited("takeover.restore"), 1u);
}

// A sign no calendar names gets back what its operator gave it, also after a notice over another:
// its program, then its mode.
TEST_F(TakeoverSchedulerTest, ASignOutsideTheCalendarGetsItsProgramAndWindowModeBack) {
    TempDir signDir;
    SignEmu emu(signDir, {});
    const int64_t id = addSign(emu, "side", "side");
    const int64_t own = addProgram("OWN"), notice = addProgram("NOTICE");
    JobParams push, window;
    push.program = own, push.version = 1;
    operate(id, JobAction::Push, push);
    window.mode = 1;
    operate(id, JobAction::Window, window);
    ASSERT_EQ(sign(id).settings.windowMode, 1);
    setClock(kFriday, 9, 0);
    EXPECT_EQ(settle(), 0);

    const Takeover t = start({{"program", notice}, {"signs", {id}}, {"until", nullptr}});
    settle();
    EXPECT_EQ(holds(emu, id, notice), "");
    EXPECT_EQ(sign(id).settings.windowMode, 0);
    // A second notice over the first: what follows both is still what the sign held before them.
    const int64_t second = addProgram("SECOND");
    const Takeover over = start({{"program", second}, {"signs", {id}}, {"until", nullptr}});
    settle();
    EXPECT_EQ(holds(emu, id, second), "");

    Takeover ended;
    ASSERT_TRUE(NetworkTakeover(*net).end(t.id, actor(), ended).ok());
    settle();
    EXPECT_EQ(holds(emu, id, second), "");
    ASSERT_TRUE(NetworkTakeover(*net).end(over.id, actor(), ended).ok());
    EXPECT_GE(settle(), 2);
    EXPECT_EQ(holds(emu, id, own), "");
    EXPECT_EQ(sign(id).settings.windowMode, 1);
    EXPECT_EQ(settle(), 0);
}

}  // namespace
}  // namespace orb
