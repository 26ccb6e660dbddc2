#include "service/calendar/PlanResolver.h"

#include <gtest/gtest.h>

#include <cmath>

#include "service/calendar/CalendarJson.h"

namespace orb {
namespace {

constexpr int at(int hour, int minute = 0) {
    return hour * 60 + minute;
}

CalendarDate day(const char* text) {
    return parseCalendarDate(text).value();
}

// An entry for the group "shop", made in the order of its id.
CalendarEntry entry(EntryId id, ProgramId program, std::optional<int> start = {}, std::optional<int> end = {},
                    int priority = 0) {
    CalendarEntry e;
    e.id = id, e.created = id, e.program = program, e.priority = priority;
    e.targets.groups = {"shop"};
    e.start = start, e.end = end;
    return e;
}

const PlanSign kSign{1, {"shop", "north"}, {}};

std::vector<DayPlan> resolve(const std::vector<CalendarEntry>& entries, const char* from, const char* to,
                             const SettingsPlans& plans = {},
                             const std::function<bool(ProgramId)>& exists = {}) {
    static const HolidayCalendar holidays;
    return resolvePlan(kSign, entries, holidays, plans, day(from), day(to), exists);
}

using Periods = std::vector<PlanPeriod>;

TEST(PlanResolver, TheHigherPriorityWinsThenTheNewerAndEveryOverlapIsReported) {
    const std::vector<CalendarEntry> entries = {entry(1, 10, at(9), at(18)), entry(2, 20, at(12), at(13), 1),
                                                entry(3, 30, at(17), at(20)),
                                                entry(4, 40, at(19), at(21), -1)};
    const std::vector<DayPlan> plan = resolve(entries, "2025-03-04", "2025-03-04");
    ASSERT_EQ(plan.size(), 1u);
    EXPECT_EQ(plan[0].periods, (Periods{{{0, at(9)}, {}, 0},
                                        {{at(9), at(12)}, 10, 1},
                                        {{at(12), at(13)}, 20, 2},
                                        {{at(13), at(17)}, 10, 1},
                                        {{at(17), at(20)}, 30, 3},
                                        {{at(20), at(21)}, 40, 4},
                                        {{at(21), at(24)}, {}, 0}}));
    EXPECT_EQ(plan[0].conflicts,
              (std::vector<PlanConflict>{
                  {{at(12), at(13)}, 2, {1}}, {{at(17), at(18)}, 3, {1}}, {{at(19), at(20)}, 3, {4}}}));
    EXPECT_EQ(plan[0].holiday, "");
    EXPECT_TRUE(plan[0].problems.empty());
}

TEST(PlanResolver, ASpanPassingMidnightHoldsTheNextDaysEarlyHours) {
    CalendarEntry friday = entry(1, 10, at(22), at(2));
    friday.weekdays = weekdayBit(4);
    CalendarEntry evening = entry(2, 20, at(18), at(0));  // ends at midnight: nothing spills
    evening.weekdays = weekdayBit(5);
    const std::vector<DayPlan> plan = resolve({friday, evening}, "2025-01-02", "2025-01-05");
    ASSERT_EQ(plan.size(), 4u);  // Thursday to Sunday
    EXPECT_EQ(plan[0].periods, (Periods{{{0, at(24)}, {}, 0}}));
    EXPECT_EQ(plan[1].periods, (Periods{{{0, at(22)}, {}, 0}, {{at(22), at(24)}, 10, 1}}));
    EXPECT_EQ(plan[2].periods,
              (Periods{{{0, at(2)}, 10, 1}, {{at(2), at(18)}, {}, 0}, {{at(18), at(24)}, 20, 2}}));
    EXPECT_EQ(plan[3].periods, (Periods{{{0, at(24)}, {}, 0}}));
    // Asked from the Saturday on, the Friday before still spills into it.
    EXPECT_EQ(resolve({friday}, "2025-01-04", "2025-01-04")[0].periods.front(),
              (PlanPeriod{{0, at(2)}, 10, 1}));
}

TEST(PlanResolver, TakeoversOverrideTheCalendarForTheirSpanTheNewerOnTop) {
    static const HolidayCalendar holidays;
    const int64_t tuesday = day("2025-03-04").dayNumber() * kDayMinutes;
    // Takeover 7 from 23:30 on Tuesday to 01:00 on Wednesday; 9, newer, from 00:30 to 00:45
    // inside it; 8 on Wednesday without an end. Given in no particular order.
    const std::vector<PlanTakeover> takeovers = {{9, 90, tuesday + at(24, 30), tuesday + at(24, 45)},
                                                 {7, 70, tuesday + at(23, 30), tuesday + at(25)},
                                                 {8, 80, tuesday + at(24 + 20), std::nullopt}};
    // Dark from 23:00 to 06:00, but lit while a takeover shows.
    OnOffPlan night;
    night.targets.signs = {kSign.id};
    night.rules = {{{}, {}, kEveryDay, HolidayRule::Any, true, at(6), at(23)}};
    const std::vector<OnOffPlan> onOff{night};
    const std::vector<DayPlan> plan =
        resolvePlan(kSign, std::vector<CalendarEntry>{entry(1, 10, at(9), at(18))}, holidays, {{}, onOff},
                    day("2025-03-04"), day("2025-03-06"), {}, takeovers);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].periods, (Periods{{{0, at(9)}, {}, 0},
                                        {{at(9), at(18)}, 10, 1},
                                        {{at(18), at(23, 30)}, {}, 0},
                                        {{at(23, 30), at(24)}, 70, 0, 7}}));
    EXPECT_EQ(plan[1].periods, (Periods{{{0, at(0, 30)}, 70, 0, 7},
                                        {{at(0, 30), at(0, 45)}, 90, 0, 9},
                                        {{at(0, 45), at(1)}, 70, 0, 7},
                                        {{at(1), at(9)}, {}, 0},
                                        {{at(9), at(18)}, 10, 1},
                                        {{at(18), at(20)}, {}, 0},
                                        {{at(20), at(24)}, 80, 0, 8}}));
    EXPECT_EQ(plan[2].periods, (Periods{{{0, at(24)}, 80, 0, 8}}));
    using Spans = std::vector<MinuteSpan>;
    EXPECT_EQ(plan[0].dark, (Spans{{0, at(6)}, {at(23), at(23, 30)}}));
    EXPECT_EQ(plan[1].dark, (Spans{{at(1), at(6)}}));
    EXPECT_EQ(plan[2].dark, Spans{});
    EXPECT_TRUE(plan[1].onOff.enabled) << "the plan's setting stays as the plan gives it";
    // The API names the takeover on its periods.
    EXPECT_EQ(planJson(plan)["days"][0]["periods"][3],
              nlohmann::json({{"start", "23:30"}, {"end", "24:00"}, {"program", 70}, {"takeover", 7}}));
}

TEST(PlanResolver, HolidayRulesFollowTheKoreanHolidays) {
    CalendarEntry holidays = entry(1, 10), workdays = entry(2, 20);
    holidays.holidays = HolidayRule::Only, workdays.holidays = HolidayRule::Except;
    const std::vector<DayPlan> plan = resolve({holidays, workdays}, "2027-02-05", "2027-02-10");
    std::vector<std::pair<std::string, ProgramId>> seen;
    for (const DayPlan& d : plan) seen.push_back({d.holiday, d.periods.at(0).program.value_or(0)});
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, ProgramId>>{
                        {"", 20}, {"설날", 10}, {"설날", 10}, {"설날", 10}, {"대체공휴일", 10}, {"", 20}}));
}

TEST(PlanResolver, DateRangesMayBeOpenAndWeekdaysChooseDays) {
    CalendarEntry e = entry(1, 10);
    e.from = day("2025-03-03");  // a Monday; no end
    e.weekdays = 0x1F;           // Monday to Friday
    const std::vector<DayPlan> plan = resolve({e}, "2025-03-01", "2025-03-10");
    std::string shown;
    for (const DayPlan& d : plan) shown += d.periods.at(0).program ? 'P' : '-';
    EXPECT_EQ(shown, "--PPPPP--P");
    e.from.reset(), e.to = day("2025-03-04");
    shown.clear();
    for (const DayPlan& d : resolve({e}, "2025-03-03", "2025-03-06"))
        shown += d.periods.at(0).program ? 'P' : '-';
    EXPECT_EQ(shown, "PP--");
    EXPECT_TRUE(resolve({e}, "2025-03-06", "2025-03-05").empty());
}

TEST(PlanResolver, OnlyTheSignsEntriesCountAndBrokenOnesAreNamedNotDropped) {
    CalendarEntry other = entry(1, 10, at(8), at(9), 5);
    other.targets = {{2}, {"south"}};
    CalendarEntry mine = entry(2, 20);
    mine.targets = {{1}, {}};
    CalendarEntry gone = entry(3, 99, at(10), at(11), 5);
    CalendarEntry invalid = entry(4, 20, at(12), at(12), 5);
    const std::vector<DayPlan> plan = resolve({other, mine, gone, invalid}, "2025-03-04", "2025-03-04", {},
                                              [](ProgramId p) { return p != 99; });
    EXPECT_EQ(plan[0].periods, (Periods{{{0, at(24)}, 20, 2}}));
    EXPECT_EQ(plan[0].problems,
              (std::vector<std::string>{
                  "entry 4: starts and ends at 12:00 (leave both out for the whole day); left out",
                  "entry 3: program 99 does not exist; left out"}));
}

TEST(PlanResolver, OnOffAndBrightnessComeFromThePlanForTheSign) {
    OnOffPlan group{1, {{}, {"shop"}}, {}, 5};
    group.rules = {{{}, {}, kEveryDay, HolidayRule::Any, true, at(7), at(22)},
                   {day("2025-12-24"), day("2025-12-24"), kEveryDay, HolidayRule::Any, true, at(7), at(2)},
                   {{}, {}, kEveryDay, HolidayRule::Only, false, 0, 0}};
    OnOffPlan older{2, {{}, {"north"}}, {{{}, {}, kEveryDay, HolidayRule::Any, true, at(9), at(10)}}, 1};
    BrightnessPlan light{3, {{1}, {}}, {{TimeAnchor::Clock, at(7), 10}, {TimeAnchor::Sunset, 30, 4}}, 1};
    BrightnessPlan groupLight{4, {{}, {"shop"}}, {{TimeAnchor::Clock, 0, 1}}, 9};
    const std::vector<OnOffPlan> onOff = {group, older};
    const std::vector<BrightnessPlan> brightness = {groupLight, light};
    const std::vector<DayPlan> plan = resolve({}, "2025-12-23", "2025-12-25", {brightness, onOff});
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].onOffPlan, 1);
    EXPECT_EQ(plan[0].dark, (std::vector<MinuteSpan>{{0, at(7)}, {at(22), at(24)}}));
    EXPECT_EQ(plan[1].dark, (std::vector<MinuteSpan>{{at(2), at(7)}}));  // the dated rule
    EXPECT_EQ(plan[2].onOff, OnOffSetting{});                            // 기독탄신일: on all day
    EXPECT_TRUE(plan[2].dark.empty());
    // The sign's own brightness plan beats the group's newer one; the evening level carries over
    // into the next morning.
    EXPECT_EQ(plan[0].brightnessPlan, 3);
    const int dusk = static_cast<int>(std::lround(*sunTimes(day("2025-12-23"), {}).sunset / 60.0)) + 30;
    EXPECT_EQ(plan[0].brightness,
              (std::vector<LevelSpan>{{{0, at(7)}, 4}, {{at(7), dusk}, 10}, {{dusk, at(24)}, 4}}));
}

TEST(PlanResolver, PlansThatAreNotValidAreLeftOutAndNamed) {
    const BrightnessPlan bad{7, {{1}, {}}, {{TimeAnchor::Clock, at(7), 11}, {TimeAnchor::Sunset, 800, 3}}, 1};
    const OnOffPlan backwards{
        8, {{1}, {}}, {{day("2025-03-05"), day("2025-03-01"), 0, HolidayRule::Any, true, 0, 0}}, 1};
    EXPECT_EQ(validatePlan(bad),
              (std::vector<std::string>{"brightness plan 7: step 1 has level 11 (1 to 10)",
                                        "brightness plan 7: step 2 is more than 12 hours from the "
                                        "sun's time"}));
    EXPECT_EQ(validatePlan(backwards).size(), 2u);  // ends before it starts, and no weekday
    const std::vector<BrightnessPlan> brightness = {bad};
    const std::vector<OnOffPlan> onOff = {backwards};
    const DayPlan d = resolve({}, "2025-03-04", "2025-03-04", {brightness, onOff}).at(0);
    EXPECT_TRUE(d.brightness.empty() && d.dark.empty());
    EXPECT_EQ(d.problems,
              (std::vector<std::string>{
                  "ON/OFF plan 8: rule 1 ends (2025-03-01) before it starts (2025-03-05); left out",
                  "brightness plan 7: step 1 has level 11 (1 to 10); left out"}));
}

TEST(PlanResolver, ThePlanJsonFollowsTheApiContract) {
    // Two entries of one program side by side are one period in the API.
    const std::vector<DayPlan> plan =
        resolve({entry(1, 10, at(8), at(12)), entry(2, 10, at(12), at(18))}, "2025-10-08", "2025-10-09");
    const nlohmann::json expected = nlohmann::json::parse(R"([
        {"date": "2025-10-08", "holiday": "대체공휴일",
         "periods": [{"start": "00:00", "end": "08:00", "program": null},
                     {"start": "08:00", "end": "18:00", "program": 10},
                     {"start": "18:00", "end": "24:00", "program": null}]},
        {"date": "2025-10-09", "holiday": "한글날"}])");
    const nlohmann::json days = planJson(plan)["days"];
    ASSERT_EQ(days.size(), 2u);
    EXPECT_EQ(days[0]["date"], expected[0]["date"]);
    EXPECT_EQ(days[0]["holiday"], expected[0]["holiday"]);
    EXPECT_EQ(days[0]["periods"], expected[0]["periods"]);
    EXPECT_EQ(days[1]["holiday"], expected[1]["holiday"]);
    EXPECT_EQ(resolve({}, "2025-10-10", "2025-10-10")[0].holiday, "");
    EXPECT_TRUE(planJson(resolve({}, "2025-10-10", "2025-10-10"))["days"][0]["holiday"].is_null());
}

}  // namespace
}  // namespace orb
