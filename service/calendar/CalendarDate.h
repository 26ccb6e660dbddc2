#pragma once
// A day of the Gregorian calendar, counted as days since 1970-01-01 so that the plan walks days
// by adding one. Weekdays are numbered from Monday (0) to Sunday (6), as the plans name them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orb {

struct CalendarDate {
    int year = 1970, month = 1, day = 1;  // month 1..12, day 1..31

    // Days since 1970-01-01 (negative before it).
    int64_t dayNumber() const;
    static CalendarDate fromDayNumber(int64_t days);

    int weekday() const;  // 0 Monday .. 6 Sunday
    CalendarDate plusDays(int64_t n) const { return fromDayNumber(dayNumber() + n); }

    // "YYYY-MM-DD".
    std::string text() const;

    auto operator<=>(const CalendarDate&) const = default;
};

inline constexpr int kSunday = 6;
inline constexpr int kSaturday = 5;

// "YYYY-MM-DD", a day that exists; nothing for anything else.
std::optional<CalendarDate> parseCalendarDate(std::string_view text);

// "HH:MM" from 00:00 to 23:59 as minutes after midnight; nothing for anything else ("24:00",
// "99:99", "9:00").
std::optional<int> parseMinuteOfDay(std::string_view text);
// "HH:MM" of a minute 0..1440 (1440 is "24:00", the end of a day).
std::string minuteText(int minute);

}  // namespace orb
