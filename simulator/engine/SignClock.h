#pragma once
// The local date and time as the sign reads it, and the month lengths.
#include <cstdint>

#include "image/LocalDateTime.h"

namespace orb {

// The clock values of the sign: hour 1..12 with an afternoon flag.
struct ClockValues {
    uint16_t year = 2005;
    uint8_t month = 1, day = 1;
    uint8_t hour = 12;
    bool afternoon = false;
    uint8_t minute = 0, second = 0;
};

// With the sign's replacements: a year before 2000 or from 2100 on becomes 2005, a month outside
// 1..12 becomes 1, a day of 0 or from 32 on becomes 1; hour 0 and 12 show as 12.
ClockValues readClock(const LocalDateTime& now);

bool isLeapYear(int year);
int daysInMonth(int year, int month);  // month 1..12; 31 for anything else

// The date and time `ms` milliseconds after `start`.
LocalDateTime advance(const LocalDateTime& start, uint64_t ms);
// The date and time `seconds` after `start`, before it when negative.
LocalDateTime shift(const LocalDateTime& start, int64_t seconds);
// Seconds since 1970-01-01 00:00:00 of a date and time, with no time zone; fields out of range
// carry into the next larger one.
int64_t secondsSinceEpoch(const LocalDateTime& t);

}  // namespace orb
