#pragma once
#include <string>

namespace orb {

// A plain local date and time, as the calendar shows it.
struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;  // hour 0..23
};

// "YYYY-MM-DD HH:MM:SS"; false, leaving out as it was, for anything else.
bool parseLocalDateTime(const std::string& text, LocalDateTime& out);

// Whether the day exists in the calendar (years 1..9999).
bool isCalendarDate(int year, int month, int day);

// The machine's local date and time, for the programs; the simulator's engine is always given
// its time.
LocalDateTime currentLocalTime();

}  // namespace orb
