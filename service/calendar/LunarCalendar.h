#pragma once
// The Korean lunar calendar, through ICU's Dangi calendar computed for Korea's time zone (the
// calendar the government's almanac uses), never a table typed in by hand. One object is used
// by one thread at a time.
#include <memory>
#include <optional>

#include "service/calendar/CalendarDate.h"

namespace orb {

class LunarCalendar {
  public:
    // Nothing when ICU cannot make the calendars (its data missing).
    static std::optional<LunarCalendar> create();
    LunarCalendar(LunarCalendar&&) noexcept;
    LunarCalendar& operator=(LunarCalendar&&) noexcept;
    ~LunarCalendar();

    // The solar day of lunar MONTH/DAY (an ordinary month, not a leap one) in the lunar year
    // that begins in the Gregorian YEAR; nothing when ICU refuses it.
    std::optional<CalendarDate> toSolar(int year, int month, int day);

  private:
    struct Calendars;
    explicit LunarCalendar(std::unique_ptr<Calendars> c);
    std::unique_ptr<Calendars> calendars_;
};

}  // namespace orb
