#include "service/calendar/SunTimes.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orb {
namespace {

struct Published {
    const char* date;
    bool sunrise;
    int hour, minute, second;
    const char* source;
};

// Seoul, sea level, as 한국천문연구원 (KASI) published them.
constexpr Published kSeoul[] = {
    {"2023-12-31", false, 17, 23, 0, "KASI, 2023년 12월 31일 일몰 및 2024년 1월 1일 일출 시각 (2023-12-18)"},
    {"2024-01-01", true, 7, 47, 0, "same"},
    {"2024-06-21", true, 5, 11, 0, "KASI figures for 하지 2024 (sunrise 05:11, sunset 19:56)"},
    {"2024-06-21", false, 19, 56, 0, "same"},
    {"2015-01-01", true, 7, 46, 43, "KASI, 2015년 새해 첫 일출 시각 (2014-12-23)"},
    {"2010-03-21", true, 6, 34, 57, "KASI figures for 춘분 2010 (06:34:57, 18:44:00)"},
    {"2010-03-21", false, 18, 44, 0, "same"},
};

TEST(SunTimes, SeoulAgreesWithThePublishedTableWithinTwoMinutes) {
    for (const Published& p : kSeoul) {
        const SunTimes t = sunTimes(parseCalendarDate(p.date).value(), GeoLocation{});
        const std::optional<double> computed = p.sunrise ? t.sunrise : t.sunset;
        ASSERT_TRUE(computed) << p.date;
        const double published = p.hour * 3600.0 + p.minute * 60.0 + p.second;
        EXPECT_LE(std::abs(*computed - published), 120.0)
            << p.date << (p.sunrise ? " sunrise " : " sunset ") << *computed / 60.0 << " min, " << p.source;
    }
}

TEST(SunTimes, AYearsTableHoldsEachDaysTimes) {
    const auto year = sunTimesOfYear({}, 2024);
    ASSERT_EQ(year->size(), 366u);
    EXPECT_EQ(year->at(172).sunset, sunTimes(parseCalendarDate("2024-06-21").value(), {}).sunset);
    EXPECT_EQ(sunTimesOfYear({}, 2024).get(), year.get());
}

TEST(SunTimes, PolarDayAndNightHaveNoSunriseOrSunset) {
    const GeoLocation svalbard{78.22, 15.65, "Arctic/Longyearbyen"};
    const SunTimes summer = sunTimes(parseCalendarDate("2025-06-21").value(), svalbard);
    const SunTimes winter = sunTimes(parseCalendarDate("2025-12-21").value(), svalbard);
    EXPECT_FALSE(summer.sunrise || summer.sunset || winter.sunrise || winter.sunset);
}

TEST(SunTimes, LocalTimeFollowsTheZoneAndItsSummerTime) {
    // Berlin keeps summer time in July (UTC+2): sunset about 21:30 local.
    const SunCalculator berlin({52.52, 13.405, "Europe/Berlin"});
    EXPECT_EQ(berlin.utcOffsetMinutes(parseCalendarDate("2025-07-01").value()), 120);
    EXPECT_EQ(berlin.utcOffsetMinutes(parseCalendarDate("2025-01-01").value()), 60);
    EXPECT_NEAR(*berlin.on(parseCalendarDate("2025-07-01").value()).sunset / 3600.0, 21.55, 0.1);
    const SunCalculator nowhere({37.5, 127.0, "Not/AZone"});
    EXPECT_FALSE(nowhere.knownZone());
    EXPECT_EQ(nowhere.utcOffsetMinutes(parseCalendarDate("2025-07-01").value()), 0);
}

}  // namespace
}  // namespace orb
