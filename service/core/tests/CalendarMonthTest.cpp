// A month of the calendar on ten signs answered in-process, the test moving the service's clock
// from boundary to boundary: weekday and weekend programs, a lunch item in its own window, a
// night span passing midnight on one group, a promotion over the weekdays of two weeks, a
// greeting on the holidays of 설날 2027, ON/OFF by weekday and brightness on sunset. At every
// boundary and a few chosen minutes each sign's memory holds its day's compiled program byte for
// byte, its acknowledged ON/OFF and brightness are the plan's, and the engine playing its memory
// shows what the plan says plays then. One sign is off the network over a night and gets its
// program, settings and clock when it answers again. An emergency notice on one group from 23:00
// to 00:30 keeps those signs lit on the notice across midnight, then gives them their day.
#include <gtest/gtest.h>

#include <set>

#include "editor/core/DayTimeline.h"
#include "image/ByteDevice.h"
#include "service/core/NetworkTakeover.h"
#include "service/core/tests/CalendarFixture.h"
#include "service/core/tests/LoopbackSign.h"
#include "service/live/SignPlayback.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::LoopbackSign;
using testing::sentence;
using testing::TempDir;

constexpr uint8_t kWeekdays = 0x1F;
constexpr uint8_t kWeekend = 0x60;
constexpr int kSigns = 10;
const CalendarDate kFirstDay{2027, 1, 25};  // a Monday; 설날 falls on 6 to 8 February
constexpr int kDays = 31;
const CalendarDate kDownDay{2027, 2, 5};  // sign 2 goes off in the evening, back the next morning
constexpr int kDownSign = 2;
const CalendarDate kNoticeDay{2027, 2, 15};  // a Monday; the notice runs from 23:00 to 00:30
constexpr int kNoticeMinute = 23 * 60;

// A sign's memory as a device of the program image, read under the sign's lock.
class SignMemoryView final : public ByteDevice {
  public:
    explicit SignMemoryView(LoopbackSign& sign) : sign_(sign) {}
    uint64_t size() const override { return SignResponder::kMemoryBytes; }
    IoResult read(uint64_t offset, std::span<uint8_t> out) const override {
        if (!inside(offset, out.size())) return IoResult::OutOfRange;
        return sign_.with([&](const SignResponder& r) {
            std::copy_n(r.memory().begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
            return IoResult::Ok;
        });
    }
    IoResult write(uint64_t, std::span<const uint8_t>) override { return IoResult::OutOfRange; }

  private:
    LoopbackSign& sign_;
};

class CalendarMonthTest : public testing::CalendarFixture {
  protected:
    void SetUp() override {
        CalendarFixture::SetUp();
        testing::writeTestFonts(fontDir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(fontDir.path().string(), failed)) << failed;
        for (int i = 0; i < kSigns; ++i) {
            signs.push_back(std::make_unique<LoopbackSign>());
            std::vector<std::string> groups;
            if (i < 4) groups.push_back("north");
            if (i >= 4 && i < 8) groups.push_back("south");
            if (i >= 7) groups.push_back("lobby");  // sign 7 is in two groups
            ids.push_back(addSign(signs.back()->port(), "sign " + std::to_string(i), groups));
        }
    }

    int64_t addWindowedProgram(const std::string& name, const std::vector<ItemRecord>& items) {
        ItemStore s;
        for (size_t i = 0; i < items.size(); ++i) s.writeRecord(static_cast<int>(i), items[i]);
        SettingsBlock block;
        EXPECT_EQ(s.readSettings(block), IoResult::Ok);
        block.setWindowMode(1);
        EXPECT_EQ(s.writeSettings(block), IoResult::Ok);
        ProgramVersionInput in{"{}", testing::bytesOf(s), static_cast<int>(items.size()), {}};
        int64_t id = 0;
        EXPECT_EQ(store.programs.add(name, in, actor(), id), DbStatus::Ok);
        return id;
    }

    void addEntry(int64_t program, std::vector<std::string> groups, uint8_t weekdays, HolidayRule holidays,
                  std::optional<int> start, std::optional<int> end, int priority,
                  std::optional<CalendarDate> from = {}, std::optional<CalendarDate> to = {}) {
        CalendarEntry e;
        e.program = program;
        e.targets.groups = std::move(groups);
        e.weekdays = weekdays;
        e.holidays = holidays;
        e.start = start, e.end = end;
        e.priority = priority;
        e.from = from, e.to = to;
        ASSERT_EQ(store.calendar.createEntry(e, actor()), DbStatus::Ok);
    }

    void makeCalendar() {
        const std::vector<std::string> all{"north", "south", "lobby"};
        const int64_t weekday = addWindowedProgram(
            "weekday", {sentence("WEEKDAY"), testing::ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
                                                 .kind(1, ContentKind::Sentence)
                                                 .text(1, "LUNCH", 0x0040)
                                                 .window({11, 30}, {13, 30})
                                                 .item});
        addEntry(weekday, all, kWeekdays, HolidayRule::Any, {}, {}, 0);
        addEntry(addProgram("weekend", {sentence("WEEKEND")}), all, kWeekend, HolidayRule::Any, {}, {}, 0);
        addEntry(addProgram("night", {sentence("NIGHT")}), {"lobby"}, kEveryDay, HolidayRule::Any, 22 * 60,
                 2 * 60, 1);
        addEntry(addProgram("promotion", {sentence("PROMO")}), {"south"}, kWeekdays, HolidayRule::Except,
                 10 * 60, 16 * 60, 1, CalendarDate{2027, 2, 1}, CalendarDate{2027, 2, 14});
        greeting = addProgram("greeting", {sentence("SEOLLAL")});
        addEntry(greeting, all, kEveryDay, HolidayRule::Only, {}, {}, 2);

        OnOffPlan onOff;
        onOff.targets.groups = {"north", "south"};
        onOff.rules = {{{}, {}, kWeekdays, HolidayRule::Any, true, 6 * 60, 23 * 60 + 30},
                       {{}, {}, kWeekend, HolidayRule::Any, true, 8 * 60, 60}};
        ASSERT_EQ(store.calendar.createPlan(onOff, actor()), DbStatus::Ok);
        BrightnessPlan bright;
        bright.targets.groups = {"north", "lobby"};
        bright.steps = {{TimeAnchor::Clock, 7 * 60, 10}, {TimeAnchor::Sunset, 0, 4}};
        ASSERT_EQ(store.calendar.createPlan(bright, actor()), DbStatus::Ok);
        // Newer: it beats the plan above on sign 7, in both groups.
        BrightnessPlan south;
        south.targets.groups = {"south"};
        south.steps = {{TimeAnchor::Clock, 6 * 60, 8}, {TimeAnchor::Sunset, 30, 3}};
        ASSERT_EQ(store.calendar.createPlan(south, actor()), DbStatus::Ok);
    }

    // The notice on the north group until 00:30 the next day; the signs it reaches.
    int64_t sendNotice() {
        Takeover made;
        const ServiceResult r = NetworkTakeover(*net).create(
            {{"text", "EVACUATE"}, {"colour", "빨강색"}, {"groups", {"north"}},
             {"until", kNoticeDay.plusDays(1).text() + "T00:30:00"}},
            actor(), made);
        EXPECT_TRUE(r.ok()) << r.message;
        plans_.clear();  // the plans now hold it
        return made.id;
    }

    void checkNoticeAcknowledged(int64_t notice) {
        Takeover t;
        ASSERT_EQ(store.takeovers.get(notice, t), DbStatus::Ok);
        ASSERT_EQ(t.acks.size(), 4u);
        for (const TakeoverAck& a : t.acks) {
            EXPECT_EQ(a.state, AckState::Done) << a.name << ": " << a.message;
            EXPECT_TRUE(a.at.has_value()) << a.name;
        }
    }

    // The minutes of DAY at which any sign's plan changes something, and the chosen ones.
    std::set<int> checkMinutes(const CalendarDate& day) {
        std::set<int> minutes{0, 30, 11 * 60 + 30, 12 * 60, 13 * 60 + 30, settings.clockMinute + 1};
        if (day.dayNumber() == kNoticeDay.dayNumber()) minutes.insert(kNoticeMinute);
        for (const int64_t id : ids) {
            const DayPlan& plan = planOf(id, day);
            for (const PlanPeriod& p : plan.periods) minutes.insert(p.span.start);
            for (const MinuteSpan& s : plan.dark) minutes.insert({s.start, s.end % kDayMinutes});
            for (const LevelSpan& l : plan.brightness) minutes.insert(l.span.start);
        }
        return minutes;
    }

    const DayPlan& planOf(int64_t id, const CalendarDate& day) {
        const auto key = std::make_pair(id, day.dayNumber());
        if (!plans_.contains(key)) plans_[key] = dayPlan(id, day);
        return plans_[key];
    }
    const CompiledDay& compiledOf(int64_t id, const CalendarDate& day) {
        const auto key = std::make_pair(id, day.dayNumber());
        if (!compiled_.contains(key)) compiled_[key] = compiledDay(id, day);
        return compiled_[key];
    }

    // Sign I's memory, read where it is (the tests look while no job runs).
    std::shared_ptr<const ProgramImage> memoryOf(int i) {
        return std::make_shared<ProgramImage>(std::make_unique<SignMemoryView>(*signs[i]));
    }

    // The LED rows IMAGE shows at AT, played from a few seconds before.
    std::string rowsAt(std::shared_ptr<const ProgramImage> image, const SignSettings& s,
                       const LocalTimestamp& at) {
        const LocalTimestamp since = fromMillis(toMillis(at) - 10'000);
        SignPlayback playback(std::move(image), s, {since.time, since.millisecond}, fonts, 60'000);
        std::string rows;
        EXPECT_EQ(playback.frameAt({at.time, at.millisecond}, rows), PlaybackResult::Ok);
        return rows;
    }

    // What the plan says sign ID shows at minute M of DAY: its period's program's items whose own
    // window holds M, alone on a sign of 6 x 1 modules, played as rowsAt plays (the same for every
    // minute); dark rows outside the ON/OFF hours.
    std::string expectedRows(int64_t id, const CalendarDate& day, int m, const LocalTimestamp& at) {
        const DayPlan& plan = planOf(id, day);
        std::vector<std::pair<ProgramId, int>> shown;
        const bool dark = std::any_of(plan.dark.begin(), plan.dark.end(),
                                      [m](const MinuteSpan& s) { return s.start <= m && m < s.end; });
        for (const PlanPeriod& p : plan.periods) {
            if (dark || !p.program || m < p.span.start || m >= p.span.end) continue;
            const ItemStore* source = programStore(*p.program);
            SettingsBlock block;
            EXPECT_EQ(source->readSettings(block), IoResult::Ok);
            for (int i = 0; i < source->itemCount(); ++i) {
                ItemRecord r;
                EXPECT_EQ(source->readRecord(i, r), IoResult::Ok);
                if (block.windowMode() != 1 ||
                    insideDailySpan(r.header.windowStart(), r.header.windowEnd(), m))
                    shown.emplace_back(*p.program, i);
            }
        }
        auto [found, added] = expected_.try_emplace(shown);
        if (added) found->second = playedAlone(shown, at);
        return found->second;
    }

    std::string playedAlone(const std::vector<std::pair<ProgramId, int>>& shown, const LocalTimestamp& at) {
        if (shown.empty()) {
            std::string blank;
            for (int row = 0; row < 16; ++row) blank += std::string(96, '.') + "\n";
            return blank;
        }
        ItemStore items;
        for (size_t i = 0; i < shown.size(); ++i) {
            ItemRecord r;
            EXPECT_EQ(programStore(shown[i].first)->readRecord(shown[i].second, r), IoResult::Ok);
            items.writeRecord(static_cast<int>(i), r);
        }
        ProgramPlan built;
        EXPECT_EQ(planProgram(items, static_cast<int>(shown.size()), 6, 1, built).result, PlanResult::Ok);
        auto image = std::make_shared<ProgramImage>();
        ImageSink sink(*image);
        EXPECT_EQ(writeProgram(built, sink), IoResult::Ok);
        return rowsAt(image, SignSettings{}, at);
    }

    // Every check on sign I at minute M of DAY (the clock just past it); EXACT: the sign must hold
    // the day's own program.
    void checkSign(int i, const CalendarDate& day, int m, bool exact) {
        const int64_t id = ids[i];
        const std::string where = "sign " + std::to_string(i) + " " + day.text() + " " + minuteText(m);
        const DayPlan& plan = planOf(id, day);
        const auto memory = memoryOf(i);
        const auto showing = std::find_if(plan.periods.begin(), plan.periods.end(), [m](const PlanPeriod& p) {
            return p.span.start <= m && m < p.span.end;
        });
        const bool notice = showing != plan.periods.end() && showing->takeover != 0;
        if (notice) {
            // The notice's own program, held and recorded.
            const ItemStore* shown = programStore(*showing->program);
            EXPECT_EQ(memoryDiffers(*memory, *shown, shown->itemCount()), "") << where;
            EXPECT_EQ(sign(id).holding.program, *showing->program) << where;
        } else {
            // Otherwise the next day's may have gone ahead where that changes nothing visible (the
            // frames below say so).
            const std::string today = holdsDay(*memory, id, compiledOf(id, day));
            if (exact || !today.empty()) {
                EXPECT_EQ(exact ? today : holdsDay(*memory, id, compiledOf(id, day.plusDays(1))), "") << where;
            }
        }

        SignSettings s;
        int level = -1;
        signs[i]->with([&](const SignResponder& r) {
            s.onOff = r.onOff();
            s.windowMode = r.windowMode();
            s.brightness = level = r.brightness();
            return 0;
        });
        // Lit while the notice shows.
        EXPECT_EQ(s.onOff.enabled, plan.onOff.enabled && !notice) << where;
        if (plan.onOff.enabled && !notice) {
            EXPECT_EQ(s.onOff.onHour * 60 + s.onOff.onMinute, plan.onOff.on) << where;
            EXPECT_EQ(s.onOff.offHour * 60 + s.onOff.offMinute, plan.onOff.off) << where;
        }
        int planned = -1;
        for (const LevelSpan& l : plan.brightness)
            if (l.span.start <= m && m < l.span.end) planned = l.level - 1;
        EXPECT_EQ(level, planned) << where;

        const LocalTimestamp at{{day.year, day.month, day.day, m / 60, m % 60, 20}, 0};
        EXPECT_EQ(rowsAt(memory, s, at), expectedRows(id, day, m, at)) << where;
    }

    // Moves the clock to the minute before M of DAY, then onto M, the scheduler settled at each.
    void crossInto(const CalendarDate& day, int m) {
        const CalendarDate before = m == 0 ? day.plusDays(-1) : day;
        const int b = (m + kDayMinutes - 1) % kDayMinutes;
        setClock(before, b / 60, b % 60, 30);
        settle();
        setClock(day, m / 60, m % 60, 0);
        settle();
    }

    int clockSets(int i) {
        return signs[i]->with([](const SignResponder& r) { return r.clockSets(); });
    }

    TempDir fontDir;
    SignFonts fonts;
    std::vector<std::unique_ptr<LoopbackSign>> signs;
    std::vector<int64_t> ids;
    int64_t greeting = 0;

  private:
    std::map<std::pair<int64_t, int64_t>, DayPlan> plans_;
    std::map<std::pair<int64_t, int64_t>, CompiledDay> compiled_;
    std::map<std::vector<std::pair<ProgramId, int>>, std::string> expected_;
};

TEST_F(CalendarMonthTest, TenSignsFollowTheirCalendarThroughAMonthWithSeollal) {
    makeCalendar();
    start();
    setClock(kFirstDay.plusDays(-1), 12, 0);
    settle();
    bool down = false;
    int64_t notice = 0;
    std::vector<std::string> holidays;
    for (int d = 0; d < kDays; ++d) {
        const CalendarDate day = kFirstDay.plusDays(d);
        if (!planOf(ids[0], day).holiday.empty()) {
            holidays.push_back(day.text());
            // The greeting all day on every sign, over the night span and the promotion.
            for (const int64_t id : ids)
                EXPECT_EQ(planOf(id, day).periods.back().program, greeting) << day.text();
        }
        std::vector<int> setsBefore;
        for (int i = 0; i < kSigns; ++i) setsBefore.push_back(clockSets(i));
        for (const int m : checkMinutes(day)) {
            if (day.dayNumber() == kDownDay.dayNumber() && m >= 20 * 60 && !down) {
                signs[kDownSign]->stop();
                waitForState(ids[kDownSign], SignState::Unreachable);
                down = true;
            }
            crossInto(day, m);
            if (day.dayNumber() == kNoticeDay.dayNumber() && m == kNoticeMinute) {
                notice = sendNotice();
                settle();
                checkNoticeAcknowledged(notice);
            }
            // The notice over, its signs get their day at once.
            const bool noticeEnded = notice != 0 && day.dayNumber() == kNoticeDay.dayNumber() + 1 && m == 30;
            bool returned = false;
            if (down && day.dayNumber() == kDownDay.dayNumber() + 1 && m >= 9 * 60) {
                ASSERT_TRUE(signs[kDownSign]->start());
                waitForState(ids[kDownSign], SignState::Online);
                settle();
                down = false, returned = true;
                // Its clock set on its return.
                const LocalDateTime set =
                    signs[kDownSign]->with([](const SignResponder& r) { return r.clock(); });
                const int64_t gap = clock.nowMillis() - toMillis({set, 0});
                EXPECT_TRUE(gap >= 0 && gap < 120'000) << gap;
            }
            for (int i = 0; i < kSigns; ++i)
                if (!(down && i == kDownSign))
                    checkSign(i, day, m, m == 0 || (returned && i == kDownSign) || (noticeEnded && i < 4));
        }
        // Each sign's clock is set once a day.
        const bool downToday =
            day.dayNumber() - kDownDay.dayNumber() == 0 || day.dayNumber() - kDownDay.dayNumber() == 1;
        for (int i = 0; i < kSigns; ++i) {
            if (!(i == kDownSign && downToday)) {
                EXPECT_EQ(clockSets(i), setsBefore[i] + 1) << day.text() << " sign " << i;
            }
        }
    }
    // 설날 and its substitute day (its Sunday falls on the holiday itself).
    EXPECT_EQ(holidays, (std::vector<std::string>{"2027-02-06", "2027-02-07", "2027-02-08", "2027-02-09"}));
    // The notice ended on its minute, by the service.
    Takeover t;
    ASSERT_EQ(store.takeovers.get(notice, t), DbStatus::Ok);
    EXPECT_EQ(t.ended.value_or("").substr(0, 16), kNoticeDay.plusDays(1).text() + "T00:30");
    EXPECT_EQ(t.endedBy.value_or(""), "orbd");
}

}  // namespace
}  // namespace orb
