#pragma once
// The calendar's JSON forms in the service's API:
//   an entry  {"program": PID, "signs": [ID, ...], "groups": ["G", ...], "from": "YYYY-MM-DD",
//              "to": "YYYY-MM-DD", "weekdays": ["mon", ..., "sun"], "holidays": "any" | "only" |
//              "except", "start": "HH:MM", "end": "HH:MM", "priority": N}
//              (from, to, start, end null or left out: open; weekdays left out: every day;
//              holidays left out: "any"; priority left out: 0);
//   a plan    {"days": [{"date", "holiday": NAME or null, "periods": [{"start", "end", "program"}],
//              "conflicts", "onOff", "dark", "brightness", "problems"}]}, periods from 00:00 to
//              "24:00" with neighbours of different programs;
//   holidays  [{"date", "name"}, ...] in date order, substitutes included;
//   a compiled day {"date", "items", "sectors", "fallback", "message": TEXT or null, "pushes":
//              [{"start", "end", "program"}] (with the fall-back: a push when each starts),
//              "problems"}.
#include <nlohmann/json.hpp>
#include <span>
#include <string>
#include <vector>

#include "service/calendar/CompiledDay.h"
#include "service/calendar/DayPlan.h"
#include "service/calendar/KoreanHolidays.h"

namespace orb {

// Reads an entry (every field checked, unknown ones refused) into OUT, keeping its id and
// created order; then validates it (validateEntry with LOOKUP). Every problem names the entry and
// the field; OUT is changed only when there is none.
std::vector<std::string> parseCalendarEntry(const nlohmann::json& body, const PlanLookup& lookup,
                                            CalendarEntry& out);

nlohmann::json calendarEntryJson(const CalendarEntry& e);
nlohmann::json planJson(std::span<const DayPlan> days);
nlohmann::json holidaysJson(const HolidayYear& year);
nlohmann::json compiledDayJson(const CompiledDay& day);

}  // namespace orb
