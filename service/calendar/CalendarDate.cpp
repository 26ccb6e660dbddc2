#include "service/calendar/CalendarDate.h"

#include <chrono>
#include <cstdio>

#include "editor/core/ProgramJson.h"

namespace orb {

namespace {

using std::chrono::sys_days;
using std::chrono::year_month_day;

year_month_day toYmd(const CalendarDate& d) {
    return year_month_day(std::chrono::year(d.year), std::chrono::month(static_cast<unsigned>(d.month)),
                          std::chrono::day(static_cast<unsigned>(d.day)));
}

}  // namespace

int64_t CalendarDate::dayNumber() const {
    return sys_days(toYmd(*this)).time_since_epoch().count();
}

CalendarDate CalendarDate::fromDayNumber(int64_t days) {
    const year_month_day ymd{sys_days(std::chrono::days(days))};
    return {static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
            static_cast<int>(static_cast<unsigned>(ymd.day()))};
}

int CalendarDate::weekday() const {
    // 1970-01-01 was a Thursday (3 counted from Monday).
    const int64_t n = (dayNumber() + 3) % 7;
    return static_cast<int>(n < 0 ? n + 7 : n);
}

std::string CalendarDate::text() const {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return buf;
}

std::optional<CalendarDate> parseCalendarDate(std::string_view text) {
    const std::optional<DdayDate> d = parseDateText(text);
    if (!d) return std::nullopt;
    return CalendarDate{d->year, d->month, d->day};
}

std::optional<int> parseMinuteOfDay(std::string_view text) {
    const std::optional<ClockTime> t = parseClockText(text);
    if (!t) return std::nullopt;
    return t->hour * 60 + t->minute;
}

std::string minuteText(int minute) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%02d:%02d", minute / 60, minute % 60);
    return buf;
}

}  // namespace orb
