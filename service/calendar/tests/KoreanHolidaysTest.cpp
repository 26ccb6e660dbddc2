#include "service/calendar/KoreanHolidays.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "service/calendar/LunarCalendar.h"

namespace orb {
namespace {

CalendarDate date(const std::string& text) {
    return parseCalendarDate(text).value();
}

HolidayKind kindNamed(const std::string& s) {
    if (s == "substitute") return HolidayKind::Substitute;
    if (s == "designated") return HolidayKind::Designated;
    EXPECT_EQ(s, "public");
    return HolidayKind::Public;
}

// The government's published holidays: rows "date<TAB>name<TAB>kind" after '#' header lines.
std::vector<Holiday> publishedHolidays(bool& namesSource) {
    std::ifstream in(std::string(CALENDAR_TEST_DATA) + "/holidays-2025-2027.tsv");
    EXPECT_TRUE(in) << "test data missing";
    std::vector<Holiday> out;
    std::string line;
    namesSource = false;
    while (std::getline(in, line)) {
        if (line.starts_with("#")) {
            namesSource |= line.find("출처: 우주항공청·한국천문연구원 월력요항") != std::string::npos;
            continue;
        }
        std::istringstream row(line);
        std::string d, name, kind;
        std::getline(row, d, '\t'), std::getline(row, name, '\t'), std::getline(row, kind);
        out.push_back({date(d), name, kindNamed(kind)});
    }
    return out;
}

TEST(KoreanHolidays, MatchThePublishedHolidaysOf2025To2027) {
    bool namesSource = false;
    const std::vector<Holiday> published = publishedHolidays(namesSource);
    EXPECT_TRUE(namesSource);
    ASSERT_EQ(published.size(), 63u);
    // Election days and temporary holidays are designated apart from the rules: the admin's list.
    std::vector<DesignatedDay> designated;
    for (const Holiday& h : published)
        if (h.kind == HolidayKind::Designated) designated.push_back({h.date, h.name, true});
    std::vector<Holiday> computed;
    for (int year = 2025; year <= 2027; ++year) {
        std::vector<Holiday> days;
        ASSERT_TRUE(koreanHolidays(year, designated, days));
        computed.insert(computed.end(), days.begin(), days.end());
    }
    ASSERT_EQ(computed.size(), published.size());
    for (size_t i = 0; i < computed.size(); ++i)
        EXPECT_EQ(computed[i], published[i])
            << "row " << i << ": computed " << computed[i].date.text() << " " << computed[i].name
            << ", published " << published[i].date.text() << " " << published[i].name;
}

TEST(KoreanHolidays, LunarDaysComeFromTheKoreanLunarCalendar) {
    std::optional<LunarCalendar> lunar = LunarCalendar::create();
    ASSERT_TRUE(lunar);
    // 설날, 부처님오신날, 추석 as the almanac gives them (2027: 정월 초하루 2월 7일, 4월 초하루
    // 5월 6일, 8월 초하루 9월 1일).
    EXPECT_EQ(lunar->toSolar(2025, 1, 1), date("2025-01-29"));
    EXPECT_EQ(lunar->toSolar(2026, 4, 8), date("2026-05-24"));
    EXPECT_EQ(lunar->toSolar(2027, 1, 1), date("2027-02-07"));
    EXPECT_EQ(lunar->toSolar(2027, 4, 1), date("2027-05-06"));
    EXPECT_EQ(lunar->toSolar(2027, 8, 15), date("2027-09-15"));
    // 2025 has a leap sixth month; the ordinary one comes first.
    EXPECT_EQ(lunar->toSolar(2025, 6, 1), date("2025-06-25"));
    EXPECT_FALSE(lunar->toSolar(2025, 2, 31));
}

std::vector<std::string> namesOn(const std::vector<Holiday>& days, const std::string& d) {
    std::vector<std::string> out;
    for (const Holiday& h : days)
        if (h.date == date(d)) out.push_back(h.name);
    return out;
}

using Names = std::vector<std::string>;

TEST(KoreanHolidays, OfficialDesignatedDaysTakePartInTheSubstituteRules) {
    std::vector<Holiday> days;
    // A temporary holiday on 2026-03-02 takes the day 삼일절's substitute would have had.
    const DesignatedDay temporary{date("2026-03-02"), "임시공휴일", true};
    ASSERT_TRUE(koreanHolidays(2026, std::span(&temporary, 1), days));
    EXPECT_EQ(namesOn(days, "2026-03-02"), Names{"임시공휴일"});
    EXPECT_EQ(namesOn(days, "2026-03-03"), Names{"대체공휴일"});
    // An election on 어린이날 2027 (a Wednesday) costs a day: the next is a substitute.
    const DesignatedDay election{date("2027-05-05"), "선거일", true};
    ASSERT_TRUE(koreanHolidays(2027, std::span(&election, 1), days));
    EXPECT_EQ(namesOn(days, "2027-05-05"), (Names{"어린이날", "선거일"}));
    EXPECT_EQ(namesOn(days, "2027-05-06"), Names{"대체공휴일"});
    // A company day only marks the day.
    const DesignatedDay company{date("2027-05-05"), "창립기념일", false};
    ASSERT_TRUE(koreanHolidays(2027, std::span(&company, 1), days));
    EXPECT_EQ(namesOn(days, "2027-05-06"), Names{});
    EXPECT_EQ(namesOn(days, "2027-05-05"), (Names{"어린이날", "창립기념일"}));
}

TEST(KoreanHolidays, EachRuleAppliesFromTheYearItBegan) {
    std::vector<Holiday> days;
    // 부처님오신날 on a Sunday: no substitute before 2023, one from 2023 (2023-05-27, a Saturday).
    ASSERT_TRUE(koreanHolidays(2022, {}, days));
    EXPECT_EQ(namesOn(days, "2022-05-08"), Names{"부처님오신날"});
    EXPECT_EQ(namesOn(days, "2022-05-09"), Names{});
    ASSERT_TRUE(koreanHolidays(2023, {}, days));
    EXPECT_EQ(namesOn(days, "2023-05-29"), Names{"대체공휴일"});
    // 설날 2023 (1월 21~23일, the 22nd a Sunday): its substitute comes after the three days.
    EXPECT_EQ(namesOn(days, "2023-01-24"), Names{"대체공휴일"});
    // 추석 2023 ends on a Saturday: no substitute, as for 설날 and 추석 a Saturday does not count.
    EXPECT_EQ(namesOn(days, "2023-10-02"), Names{});
    // 제헌절 is a public holiday from 2026 on.
    ASSERT_TRUE(koreanHolidays(2025, {}, days));
    EXPECT_EQ(namesOn(days, "2025-07-17"), Names{});
    // 개천절 on 추석 (2028-10-03): 추석's three days end on the 4th, and one substitute follows.
    ASSERT_TRUE(koreanHolidays(2028, {}, days));
    EXPECT_EQ(namesOn(days, "2028-10-03"), (Names{"추석", "개천절"}));
    EXPECT_EQ(namesOn(days, "2028-10-05"), Names{"대체공휴일"});
    EXPECT_EQ(namesOn(days, "2028-10-06"), Names{});
}

TEST(HolidayCalendar, NamesEachDayOnceAndKeepsTheYear) {
    const HolidayCalendar calendar({{date("2025-06-03"), "제21대 대통령선거일", true}});
    EXPECT_EQ(calendar.nameOn(date("2025-05-05")), "어린이날, 부처님오신날");
    EXPECT_EQ(calendar.nameOn(date("2025-06-03")), "제21대 대통령선거일");
    EXPECT_EQ(calendar.nameOn(date("2025-06-04")), "");
    EXPECT_EQ(calendar.year(2025).get(), calendar.year(2025).get());
    EXPECT_FALSE(calendar.year(2025)->lunarMissing);
}

}  // namespace
}  // namespace orb
