#include "service/calendar/CompiledDay.h"

#include <gtest/gtest.h>

#include <map>

#include "editor/core/DayTimeline.h"
#include "editor/core/PreviewBuild.h"
#include "service/calendar/CalendarJson.h"
#include "service/calendar/PlanResolver.h"
#include "testsupport/ItemBuilder.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/PictureItem.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::ItemBuilder;

constexpr int at(int hour, int minute = 0) {
    return hour * 60 + minute;
}

ItemRecord sentence(const std::string& text, ClockTime start = {}, ClockTime end = {}) {
    return ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
        .kind(1, ContentKind::Sentence)
        .text(1, text, 0x0040)
        .window(start, end)
        .item;
}

ItemStore programOf(const std::vector<ItemRecord>& items, uint8_t windowMode) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i) store.writeRecord(static_cast<int>(i), items[i]);
    SettingsBlock s;
    s.setWindowMode(windowMode);
    s.setOnOffEnabled(true), s.setOnOffTimes(9, 0, 10, 0);  // a program's own ON/OFF does not count
    store.writeSettings(s);
    return store;
}

struct Programs {
    std::map<ProgramId, ItemStore> stores;
    ProgramSource source() const {
        return [this](ProgramId p) {
            const auto found = stores.find(p);
            return found == stores.end() ? nullptr : &found->second;
        };
    }
};

DayPlan dayOf(std::vector<PlanPeriod> periods) {
    DayPlan d;
    d.date = parseCalendarDate("2025-03-04").value();
    d.periods = std::move(periods);
    return d;
}

using Items = std::vector<CompiledItem>;

// At every minute the compiled program plays exactly the items the period's program plays then
// on its own, in its order.
void expectPlaysAsPlanned(const ItemStore& store, const Items& items, const DayPlan& day,
                          const Programs& programs) {
    std::vector<TimelinePeriod> timeline;
    ASSERT_EQ(dayTimeline(store, timeline), IoResult::Ok);
    for (const TimelinePeriod& t : timeline) {
        for (int m = t.start; m < t.end; ++m) {
            std::vector<std::pair<ProgramId, int>> played, expected;
            for (int i : t.items)
                played.push_back(
                    {items.at(static_cast<size_t>(i)).program, items.at(static_cast<size_t>(i)).item});
            for (const PlanPeriod& p : day.periods) {
                if (!p.program || m < p.span.start || m >= p.span.end) continue;
                const ItemStore& program = programs.stores.at(*p.program);
                SettingsBlock s;
                program.readSettings(s);
                for (int i = 0; i < program.itemCount(); ++i) {
                    ItemHeader h;
                    program.readHeader(i, h);
                    if (s.windowMode() == 0 || insideDailySpan(h.windowStart(), h.windowEnd(), m))
                        expected.push_back({*p.program, i});
                }
            }
            ASSERT_EQ(played, expected) << "at minute " << m;
        }
    }
}

void expectPlaysAsPlanned(const CompiledDay& c, const DayPlan& day, const Programs& programs) {
    expectPlaysAsPlanned(c.store, c.items, day, programs);
}

Programs windowedProgram() {
    Programs p;
    p.stores.emplace(10, programOf({sentence("A", {8, 0}, {12, 0}), sentence("B", {22, 0}, {2, 0}),
                                    sentence("C"), sentence("D", {13, 0}, {14, 0})},
                                   1));
    return p;
}

TEST(CompiledDay, EachItemPlaysWhereItsWindowMeetsThePeriod) {
    const Programs programs = windowedProgram();
    const DayPlan day = dayOf({{{0, at(1)}, {}, 0}, {{at(1), at(23)}, 10, 1}, {{at(23), at(24)}, {}, 0}});
    const CompiledDay c = compileDay(day, programs.source(), {});
    EXPECT_FALSE(c.fallback);
    // B's window passes midnight and meets the period twice: two copies.
    EXPECT_EQ(c.items, (Items{{10, 0, {8, 0}, {12, 0}},
                              {10, 1, {1, 0}, {2, 0}},
                              {10, 1, {22, 0}, {23, 0}},
                              {10, 2, {1, 0}, {23, 0}},
                              {10, 3, {13, 0}, {14, 0}}}));
    expectPlaysAsPlanned(c, day, programs);
}

TEST(CompiledDay, AWholeDayKeepsTheItemsOwnWindows) {
    const Programs programs = windowedProgram();
    const DayPlan day = dayOf({{{0, at(24)}, 10, 1}});
    const CompiledDay c = compileDay(day, programs.source(), {});
    EXPECT_EQ(c.items, (Items{{10, 0, {8, 0}, {12, 0}},
                              {10, 1, {22, 0}, {2, 0}},
                              {10, 2, {0, 0}, {0, 0}},
                              {10, 3, {13, 0}, {14, 0}}}));
    expectPlaysAsPlanned(c, day, programs);
}

TEST(CompiledDay, AProgramPlayedAlwaysFillsItsPeriodsJoinedAcrossMidnight) {
    Programs programs;
    programs.stores.emplace(20, programOf({sentence("E", {8, 0}, {9, 0}), sentence("F")}, 0));
    // The early hours spilled from yesterday's evening span, and tonight's.
    const DayPlan day = dayOf({{{0, at(2)}, 20, 1}, {{at(2), at(18)}, {}, 0}, {{at(18), at(24)}, 20, 1}});
    const CompiledDay c = compileDay(day, programs.source(), {});
    EXPECT_EQ(c.items, (Items{{20, 0, {18, 0}, {2, 0}}, {20, 1, {18, 0}, {2, 0}}}));
    expectPlaysAsPlanned(c, day, programs);
}

TEST(CompiledDay, OverlappingEntriesCutTheOverriddenProgramAroundTheWinner) {
    Programs programs;
    programs.stores.emplace(10, programOf({sentence("G"), sentence("H")}, 1));
    programs.stores.emplace(20, programOf({sentence("I")}, 1));
    programs.stores.emplace(30, programOf({sentence("J", {21, 0}, {3, 0})}, 1));
    const auto make = [](EntryId id, ProgramId program, int start, int end, int priority) {
        CalendarEntry e;
        e.id = e.created = id, e.program = program, e.priority = priority, e.start = start, e.end = end;
        e.targets.signs = {1};
        return e;
    };
    // Inside (a higher priority), across the end (a newer one), and the same program again.
    const std::vector<CalendarEntry> entries = {make(1, 10, at(8), at(20), 0), make(2, 20, at(12), at(13), 1),
                                                make(3, 30, at(19), at(22), 0),
                                                make(4, 10, at(22), at(23), 0)};
    const HolidayCalendar holidays;
    const CalendarDate d = parseCalendarDate("2025-03-04").value();
    const DayPlan day = resolvePlan({1, {}, {}}, entries, holidays, {}, d, d).at(0);
    EXPECT_EQ(day.conflicts.size(), 2u);
    const CompiledDay c = compileDay(day, programs.source(), {});
    EXPECT_EQ(c.items, (Items{{10, 0, {8, 0}, {12, 0}},
                              {10, 0, {13, 0}, {19, 0}},
                              {10, 0, {22, 0}, {23, 0}},
                              {10, 1, {8, 0}, {12, 0}},
                              {10, 1, {13, 0}, {19, 0}},
                              {10, 1, {22, 0}, {23, 0}},
                              {20, 0, {12, 0}, {13, 0}},
                              {30, 0, {21, 0}, {22, 0}}}));
    expectPlaysAsPlanned(c, day, programs);
}

TEST(CompiledDay, TheSettingsBlockCarriesTheSignSizeModeOneAndTheDaysOnOff) {
    const Programs programs = windowedProgram();
    DayPlan day = dayOf({{{0, at(24)}, 10, 1}});
    day.onOff = {true, at(7), at(22, 30)};
    day.brightness = {{{0, at(24)}, 4}};
    const CompiledDay c = compileDay(day, programs.source(), {10, 2});
    SettingsBlock s;
    ASSERT_EQ(c.store.readSettings(s), IoResult::Ok);
    EXPECT_EQ(s.windowMode(), 1);
    EXPECT_EQ(std::tuple(s.signWidth(), s.signHeight()), std::tuple(10, 2));
    EXPECT_TRUE(s.onOffEnabled());
    EXPECT_EQ(std::tuple(s.onHour(), s.onMinute(), s.offHour(), s.offMinute()), std::tuple(7, 0, 22, 30));
    EXPECT_EQ(s.brightness(), 3);
    EXPECT_EQ(c.store.itemCount(), 4);
    EXPECT_EQ(c.sectors, 4u * 3u);  // a sentence takes its text sector and two of attributes
    // The program writer takes it as it is, and allocates what was counted.
    ProgramPlan plan;
    ASSERT_EQ(planStore(c.store, plan).result, PlanResult::Ok);
    EXPECT_EQ(plan.items.size(), 4u);
    EXPECT_EQ(memoryUse(c.store).sectors, c.sectors);
}

TEST(CompiledDay, ADayOverTheItemLimitIsPushedPeriodByPeriod) {
    Programs programs;
    std::vector<ItemRecord> many;
    for (int i = 0; i < 60; ++i) many.push_back(sentence("K" + std::to_string(i)));
    programs.stores.emplace(10, programOf(many, 0));
    const DayPlan day = dayOf({{{0, at(8)}, {}, 0},
                               {{at(8), at(12)}, 10, 1},
                               {{at(12), at(14)}, {}, 0},
                               {{at(14), at(18)}, 10, 2},
                               {{at(18), at(24)}, 99, 3}});
    const CompiledDay c = compileDay(day, programs.source(), {});
    ASSERT_TRUE(c.fallback);
    EXPECT_EQ(c.message,
              "2025-03-04: the day's programs need 120 items (the sign holds 100); each period's program is "
              "pushed when the period starts");
    EXPECT_EQ(c.problems,
              std::vector<std::string>{"18:00-24:00: program 99 is not available; the period stays dark"});
    ASSERT_EQ(c.periods.size(), 2u);
    EXPECT_EQ(compiledDayJson(c)["pushes"],
              nlohmann::json::parse(R"([{"start": "08:00", "end": "12:00", "program": 10},
                                        {"start": "14:00", "end": "18:00", "program": 10}])"));
    EXPECT_EQ(c.periods[0].span, (MinuteSpan{at(8), at(12)}));
    EXPECT_EQ(c.periods[1].span, (MinuteSpan{at(14), at(18)}));
    for (const PeriodProgram& p : c.periods) {
        EXPECT_EQ(p.store.itemCount(), 60);
        // Each ends with its period, so a late push never plays an earlier period.
        EXPECT_EQ(p.items.back().windowEnd, (ClockTime{static_cast<uint8_t>(p.span.end / 60), 0}));
        expectPlaysAsPlanned(p.store, p.items, dayOf({{p.span, p.program, 1}}), programs);
    }
}

TEST(CompiledDay, ADayOverTheSignsMemoryIsPushedPeriodByPeriod) {
    // One animation of 100 frames of 800 x 160 takes 6,250 sectors; ten periods of it, 62,500.
    const testing::TempDir dir;
    const std::vector<testing::GifFrameSpec> frames(100);
    testing::writeFileBytes(dir.file("big.gif"),
                            testing::makeGif(800, 160, {{0, 0, 0}, {255, 0, 0}}, frames));
    Programs programs;
    programs.stores.emplace(
        40, programOf({testing::pictureItem(ContentKind::Animation, dir.file("big.gif"))}, 1));
    std::vector<PlanPeriod> periods;
    for (int h = 0; h < 24; ++h) {
        const bool played = h % 2 == 0 && h < 20;
        periods.push_back(
            {{at(h), at(h + 1)}, played ? std::optional<ProgramId>(40) : std::nullopt, played ? 1 : 0});
    }
    const CompiledDay c = compileDay(dayOf(periods), programs.source(), {40, 8});
    ASSERT_TRUE(c.fallback);
    EXPECT_EQ(c.sectors, 62'500u);
    EXPECT_NE(c.message.find("62500 sectors of memory (the sign has 60416)"), std::string::npos) << c.message;
    EXPECT_EQ(c.periods.size(), 10u);
    EXPECT_TRUE(c.problems.empty());
}

}  // namespace
}  // namespace orb
