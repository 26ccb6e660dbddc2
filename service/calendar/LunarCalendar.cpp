#include "service/calendar/LunarCalendar.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/timezone.h>

namespace orb {

struct LunarCalendar::Calendars {
    std::unique_ptr<icu::Calendar> lunar;
    std::unique_ptr<icu::Calendar> solar;
};

LunarCalendar::LunarCalendar(std::unique_ptr<Calendars> c) : calendars_(std::move(c)) {}
LunarCalendar::LunarCalendar(LunarCalendar&&) noexcept = default;
LunarCalendar& LunarCalendar::operator=(LunarCalendar&&) noexcept = default;
LunarCalendar::~LunarCalendar() = default;

std::optional<LunarCalendar> LunarCalendar::create() {
    UErrorCode status = U_ZERO_ERROR;
    auto c = std::make_unique<Calendars>();
    const std::unique_ptr<icu::TimeZone> seoul(icu::TimeZone::createTimeZone("Asia/Seoul"));
    c->lunar.reset(icu::Calendar::createInstance(*seoul, icu::Locale("ko_KR@calendar=dangi"), status));
    c->solar.reset(icu::Calendar::createInstance(*seoul, icu::Locale("ko_KR@calendar=gregorian"), status));
    if (U_FAILURE(status) || !c->lunar || !c->solar || std::string_view(c->lunar->getType()) != "dangi")
        return std::nullopt;
    return LunarCalendar(std::move(c));
}

std::optional<CalendarDate> LunarCalendar::toSolar(int year, int month, int day) {
    icu::Calendar& lunar = *calendars_->lunar;
    icu::Calendar& solar = *calendars_->solar;
    UErrorCode status = U_ZERO_ERROR;
    // The lunar year that holds the middle of YEAR began in YEAR (lunar new year falls in
    // January or February).
    solar.clear();
    solar.set(year, UCAL_JULY, 1, 12, 0, 0);
    lunar.setTime(solar.getTime(status), status);
    const int32_t lunarYear = lunar.get(UCAL_EXTENDED_YEAR, status);
    lunar.clear();
    lunar.set(UCAL_EXTENDED_YEAR, lunarYear);
    lunar.set(UCAL_MONTH, month - 1);
    lunar.set(UCAL_IS_LEAP_MONTH, 0);
    lunar.set(UCAL_DATE, day);
    lunar.set(UCAL_HOUR_OF_DAY, 12);
    const UDate at = lunar.getTime(status);
    // The calendar is lenient: a day the month does not have would roll over silently.
    lunar.setTime(at, status);
    if (lunar.get(UCAL_MONTH, status) != month - 1 || lunar.get(UCAL_IS_LEAP_MONTH, status) != 0 ||
        lunar.get(UCAL_DATE, status) != day)
        return std::nullopt;
    solar.setTime(at, status);
    const CalendarDate d{solar.get(UCAL_EXTENDED_YEAR, status), solar.get(UCAL_MONTH, status) + 1,
                         solar.get(UCAL_DATE, status)};
    if (U_FAILURE(status)) return std::nullopt;
    return d;
}

}  // namespace orb
