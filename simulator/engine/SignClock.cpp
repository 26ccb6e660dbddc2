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

LocalDateTime advance(const LocalDateTime& start, uint64_t ms) {
    std::tm t{};
    t.tm_year = start.year - 1900;
    t.tm_mon = start.month - 1;
    t.tm_mday = start.day;
    t.tm_hour = start.hour;
    t.tm_min = start.minute;
    t.tm_sec = start.second;
    // Calendar arithmetic without time zones: the result is the wall clock ms later.
    const std::time_t base = ::timegm(&t) + static_cast<std::time_t>(ms / 1000);
    std::tm out{};
    ::gmtime_r(&base, &out);
    return {out.tm_year + 1900, out.tm_mon + 1, out.tm_mday, out.tm_hour, out.tm_min, out.tm_sec};
}

}  // namespace orb
