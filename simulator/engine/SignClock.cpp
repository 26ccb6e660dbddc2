#include "simulator/engine/SignClock.h"

#include <ctime>

namespace orb {

ClockValues readClock(const LocalDateTime& now) {
    ClockValues c;
    c.year = static_cast<uint16_t>(now.year < 2000 || now.year >= 2100 ? 2005 : now.year);
    c.month = static_cast<uint8_t>(now.month >= 1 && now.month <= 12 ? now.month : 1);
    c.day = static_cast<uint8_t>(now.day >= 1 && now.day <= 31 ? now.day : 1);
    int hour = now.hour;
    c.afternoon = hour >= 12;
    if (c.afternoon) hour -= 12;
    c.hour = static_cast<uint8_t>(hour == 0 ? 12 : hour);
    c.minute = static_cast<uint8_t>(now.minute);
    c.second = static_cast<uint8_t>(now.second);
    return c;
}

bool isLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 31;
    return month == 2 && isLeapYear(year) ? 29 : kDays[month - 1];
}

int64_t secondsSinceEpoch(const LocalDateTime& t) {
    std::tm tm{};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    // Calendar arithmetic without time zones: UTC has no gaps or repeated hours.
    return static_cast<int64_t>(::timegm(&tm));
}

LocalDateTime shift(const LocalDateTime& start, int64_t seconds) {
    const std::time_t moved = static_cast<std::time_t>(secondsSinceEpoch(start) + seconds);
    std::tm out{};
    ::gmtime_r(&moved, &out);
    return {out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec};
}

LocalDateTime advance(const LocalDateTime& start, uint64_t ms) {
    return shift(start, static_cast<int64_t>(ms / 1000));
}

}  // namespace orb
