// The calendar acting on signemu signs, with the test moving the service's clock: at each day's
// boundary every sign's memory holds the day's compiled program as the program writer lays it
// out, nothing is pushed when nothing differs, a sign unreachable across a boundary gets its
// program, settings and clock when it answers again, a designated day changes what is pushed, and
// a brightness step at sunset is sent on the minute of the sign's own place.
#include "service/core/CalendarScheduler.h"

#include <gtest/gtest.h>

#include "service/core/tests/CalendarFixture.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/SignEmu.h"

namespace orb {
namespace {

using testing::bytesOf;
using testing::sentence;
using testing::SignEmu;
using testing::TempDir;

constexpr uint8_t kWeekdays = 0x1F;      // Monday to Friday
constexpr uint8_t kWeekend = 0x60;       // Saturday and Sunday
const CalendarDate kFriday{2027, 1, 8};  // then Saturday 9th .. Wednesday 13th

class CalendarSchedulerTest : public testing::CalendarFixture {
  protected:
    int64_t addSign(const SignEmu& emu, const std::string& name) {
        return CalendarFixture::addSign(emu.port(), name, {"front"});
    }

    void addEntry(int64_t program, uint8_t weekdays, std::optional<int> start = {},
                  std::optional<int> end = {}, int priority = 0, HolidayRule holidays = HolidayRule::Any) {
        CalendarEntry e;
        e.program = program;
        e.targets.groups = {"front"};
        e.weekdays = weekdays;
        e.start = start, e.end = end;
        e.priority = priority;
        e.holidays = holidays;
        ASSERT_EQ(store.calendar.createEntry(e, actor()), DbStatus::Ok);
    }

    static std::string memoryDiffers(const SignEmu& emu, const ItemStore& store, int itemCount) {
        ProgramImage memory;
        if (ProgramImage::open(emu.memory, FileMode::ReadOnly, memory) != IoResult::Ok)
            return "no memory file";
        return CalendarFixture::memoryDiffers(memory, store, itemCount);
    }

    std::string holdsDay(const SignEmu& emu, int64_t id, const CalendarDate& day) {
        ProgramImage memory;
        if (ProgramImage::open(emu.memory, FileMode::ReadOnly, memory) != IoResult::Ok)
            return "no memory file";
        return CalendarFixture::holdsDay(memory, id, compiledDay(id, day));
    }
};

TEST_F(CalendarSchedulerTest, EachDayIsPushedAtItsBoundaryAndAReturningSignCatchesUp) {
    TempDir dirA, dirB;
    SignEmu emuA(dirA, {});
    auto emuB = std::make_unique<SignEmu>(dirB, std::vector<std::string>{});
    const uint16_t portB = emuB->port();
    const int64_t a = addSign(emuA, "a"), b = addSign(*emuB, "b");
    // A sign no entry names: left as its operators set it.
    TempDir dirC;
    SignEmu emuC(dirC, {});
    const int64_t c = CalendarFixture::addSign(emuC.port(), "c", {"aside"});
    // Weekdays all day; the weekend from 22:00 to 02:00, over the weekday program where they meet.
    addEntry(addProgram("weekday", {sentence("WEEKDAY")}), kWeekdays);
    addEntry(addProgram("weekend", {sentence("WEEKEND"), sentence("PARTY")}), kWeekend, 22 * 60, 2 * 60, 1);
    OnOffPlan onOff;
    onOff.targets.groups = {"front"};
    onOff.rules = {{{}, {}, kWeekdays, HolidayRule::Any, true, 6 * 60, 23 * 60}};
    ASSERT_EQ(store.calendar.createPlan(onOff, actor()), DbStatus::Ok);
    BrightnessPlan bright;
    bright.targets.groups = {"front"};
    bright.steps = {{TimeAnchor::Clock, 7 * 60, 10}, {TimeAnchor::Clock, 20 * 60, 4}};
    ASSERT_EQ(store.calendar.createPlan(bright, actor()), DbStatus::Ok);
    start();

    for (int d = 0; d < 5; ++d) {
        const CalendarDate day = kFriday.plusDays(d);
        if (d == 3) {
            // Monday: b was off over the boundary.
            setClock(day, 0, 0);
            EXPECT_GE(scheduler->tick(), 1);
            waitForJobs();
            EXPECT_EQ(holdsDay(emuA, a, day), "") << day.text();
            EXPECT_EQ(sign(b).state, SignState::Unreachable);
            settle();
            // Back at 09:00 with what it held.
            setClock(day, 9, 0, 0);
            emuB->process = std::make_unique<testing::ChildProcess>(std::vector<std::string>{
                SIGNEMU_PATH, "--tcp", "127.0.0.1:" + std::to_string(portB), "--memory", emuB->memory});
            waitForState(b, SignState::Online);
            settle();
            const SignRecord r = sign(b);
            EXPECT_EQ(holdsDay(*emuB, b, day), "");
            EXPECT_EQ(r.settings.brightness, 9);
            EXPECT_EQ(r.settings.onTime, "06:00");
            EXPECT_EQ(r.settings.onOffEnabled, true);
            EXPECT_EQ(r.settings.windowMode, 1);  // the compiled windows play only in mode 1
            ASSERT_TRUE(r.settings.clockAt.has_value());
            EXPECT_EQ(r.settings.clockAt->substr(0, 16), day.text() + "T09:00");
            continue;
        }
        setClock(day, 0, 0);
        // One tick at the boundary pushes at most the day's program.
        scheduler->tick();
        waitForJobs();
        EXPECT_EQ(holdsDay(emuA, a, day), "") << day.text();
        EXPECT_EQ(holdsDay(*emuB, b, day), "") << day.text();
        settle();
        // During the day the settings follow; programs only go ahead where nothing visible changes.
        setClock(day, 12, 0);
        settle();
        if (d == 2) {
            // Sunday noon: b goes off.
            emuB->process->stop();
            waitForState(b, SignState::Unreachable);
        }
    }
    // Tuesday and Wednesday compile the same: no push on Wednesday.
    const CalendarDate wednesday = kFriday.plusDays(5);
    const int pushes = jobCount(JobAction::Push);
    setClock(wednesday, 0, 0);
    settle();
    // The daily clock setting from the quiet minute.
    setClock(wednesday, settings.clockMinute / 60, settings.clockMinute % 60 + 5, 0);
    settle();
    ASSERT_TRUE(sign(a).settings.clockAt.has_value());
    EXPECT_EQ(sign(a).settings.clockAt->substr(0, 13), wednesday.text() + "T03");
    setClock(wednesday, 12, 0);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), pushes);
    EXPECT_EQ(holdsDay(emuA, a, kFriday.plusDays(5)), "");
    EXPECT_EQ(sign(a).settings.brightness, 9);
    EXPECT_NE(sign(c).settings.windowMode, 1);
    EXPECT_NE(sign(c).holding.kind, SignHolding::Program);
}

TEST_F(CalendarSchedulerTest, ADayThatDoesNotFitIsPushedPeriodByPeriod) {
    TempDir signDir;
    SignEmu emu(signDir, {});
    const int64_t id = addSign(emu, "a");
    std::vector<ItemRecord> many, more;
    for (int i = 0; i < 60; ++i) many.push_back(sentence("A" + std::to_string(i)));
    for (int i = 0; i < 60; ++i) more.push_back(sentence("B" + std::to_string(i)));
    addEntry(addProgram("many", many), kEveryDay);
    addEntry(addProgram("more", more), kEveryDay, 12 * 60, 18 * 60, 1);
    start();
    const CompiledDay day = compiledDay(id, kFriday);
    ASSERT_TRUE(day.fallback);
    ASSERT_EQ(day.periods.size(), 3u);
    const int hours[] = {0, 12, 18};
    for (size_t i = 0; i < 3; ++i) {
        setClock(kFriday, hours[i], 0);
        settle();
        const SignRecord r = sign(id);
        ProgramVersionRecord v;
        ASSERT_EQ(store.programs.version(r.holding.program, r.holding.version, v), DbStatus::Ok);
        EXPECT_EQ(v.store, bytesOf(day.periods[i].store)) << "period " << i;
    }
    EXPECT_EQ(memoryDiffers(emu, day.periods[2].store, static_cast<int>(day.periods[2].items.size())), "");
    // Said once for the day.
    std::vector<AuditRecord> rows;
    AuditFilter filter;
    filter.action = "calendar.fallback";
    ASSERT_EQ(store.audit.query(filter, rows), DbStatus::Ok);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].detail, day.message);
}

TEST_F(CalendarSchedulerTest, AFailedPushIsMadeAgainOnlyAfterAWhile) {
    TempDir signDir;
    SignEmu emu(signDir, {"--corrupt-from", "3"}, false, false);
    const int64_t id = addSign(emu, "bad");
    addEntry(addProgram("weekday", {sentence("WEEKDAY")}), kEveryDay);
    start();
    setClock(kFriday, 8, 0);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), 1);
    EXPECT_NE(sign(id).holding.kind, SignHolding::Program);
    setClock(kFriday, 8, 5);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), 1);
    setClock(kFriday, 8, 11);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), 2);
}

TEST_F(CalendarSchedulerTest, ADesignatedDayChangesWhatIsPushedAtOnce) {
    TempDir signDir;
    SignEmu emu(signDir, {});
    const int64_t id = addSign(emu, "a");
    addEntry(addProgram("weekday", {sentence("WEEKDAY")}), kEveryDay);
    const int64_t closed = addProgram("closed", {sentence("CLOSED")});
    addEntry(closed, kEveryDay, {}, {}, 1, HolidayRule::Only);
    start();
    setClock(kFriday, 8, 0);
    settle();
    EXPECT_EQ(holdsDay(emu, id, kFriday), "");
    const int pushes = jobCount(JobAction::Push);

    NetworkCalendar calendar(store);
    DesignatedRecord company;
    ASSERT_TRUE(calendar.addDesignatedDay(kFriday.text(), "창립기념일", false, actor(), company).ok());
    std::vector<DayPlan> plan;
    ASSERT_TRUE(calendar.planOf(id, kFriday, kFriday, plan).ok());
    EXPECT_EQ(plan.at(0).holiday, "창립기념일");
    ASSERT_EQ(plan.at(0).periods.size(), 1u);
    EXPECT_EQ(plan.at(0).periods[0].program, closed);
    setClock(kFriday, 8, 1);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), pushes + 1);
    EXPECT_EQ(holdsDay(emu, id, kFriday), "");

    // Removed again: the ordinary day comes back.
    ASSERT_TRUE(calendar.removeDesignatedDay(company.id, actor()).ok());
    setClock(kFriday, 8, 2);
    settle();
    EXPECT_EQ(jobCount(JobAction::Push), pushes + 2);
    EXPECT_EQ(holdsDay(emu, id, kFriday), "");
    EXPECT_EQ(calendar.holidays()->nameOn(kFriday), "");
}

TEST_F(CalendarSchedulerTest, ABrightnessStepAtSunsetIsSentOnItsMinuteWhereTheSignStands) {
    TempDir signDir;
    SignEmu emu(signDir, {}, false, false);
    const int64_t id = addSign(emu, "a");
    const SignCoordinates busan{35.18, 129.08};
    SignPatch moved;
    moved.coordinates = busan;
    ASSERT_TRUE(net->updateSign(id, moved, actor()).ok());
    BrightnessPlan plan;
    plan.targets.signs = {id};
    plan.steps = {{TimeAnchor::Clock, 6 * 60, 10}, {TimeAnchor::Sunset, 0, 3}};
    ASSERT_EQ(store.calendar.createPlan(plan, actor()), DbStatus::Ok);
    start();
    const CalendarDate day{2027, 1, 11};
    // As the plan rounds it.
    const auto sunsetAt = [&day](const GeoLocation& where) {
        return static_cast<int>(std::lround(*sunTimes(day, where).sunset / 60));
    };
    const int sunset = sunsetAt({busan.latitude, busan.longitude});
    ASSERT_NE(sunset, sunsetAt(GeoLocation{}));  // Seoul's
    setClock(day, sunset / 60 - 1, sunset % 60);
    settle();
    EXPECT_EQ(sign(id).settings.brightness, 9);
    const int before = jobCount(JobAction::Brightness);
    setClock(day, (sunset - 1) / 60, (sunset - 1) % 60, 59);
    settle();
    EXPECT_EQ(jobCount(JobAction::Brightness), before);
    setClock(day, sunset / 60, sunset % 60, 0);
    settle();
    EXPECT_EQ(jobCount(JobAction::Brightness), before + 1);
    const SignRecord r = sign(id);
    EXPECT_EQ(r.settings.brightness, 2);
    ASSERT_TRUE(r.settings.brightnessAt.has_value());
    EXPECT_EQ(r.settings.brightnessAt->substr(11, 5), minuteText(sunset));
}

}  // namespace
}  // namespace orb
