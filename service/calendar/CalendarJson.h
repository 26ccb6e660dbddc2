#pragma once
// The calendar's JSON forms in the service's API:
//   an entry  {"program": PID, "signs": [ID, ...], "groups": ["G", ...], "from": "YYYY-MM-DD",
//              "to": "YYYY-MM-DD", "weekdays": ["mon", ..., "sun"], "holidays": "any" | "only" |
//              "except", "start": "HH:MM", "end": "HH:MM", "priority": N}
//              (from, to, start, end null or left out: open; weekdays left out: every day;
//              holidays left out: "any"; priority left out: 0);
//   a brightness plan {"signs", "groups", "steps": [{"at": "HH:MM" | "sunrise" | "sunset",
//              "offset": MINUTES (sun steps, -720..720), "level": 1..10}]};
//   an ON/OFF plan {"signs", "groups", "rules": [{"from", "to", "weekdays", "holidays", "on":
//              "HH:MM", "off": "HH:MM"}]} (on and off null or left out: on all day);
//   a plan    {"days": [{"date", "holiday": NAME or null, "periods": [{"start", "end", "program"}],
//              "conflicts", "onOff", "dark", "brightness", "problems"}]}, periods from 00:00 to
//              "24:00" with neighbours of different programs; with what plays (PlayedDay) each
//              day also has "plays": [{"start", "end", "dark", "items": [{"program", "item"}]}]
//              (items numbered from 1 in the program they come from), "pushes": [{"at":
//              "YYYY-MM-DD HH:MM", "start", "end", "program": PID (a fall-back period's) or null
//              (the compiled day), "invisible", "dark", "lateMinutes"}] and "fallback": TEXT (why)
//              or null;
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
#include "service/calendar/PlayedDay.h"
#include "service/calendar/SettingsPlans.h"

namespace orb {

// Reads an entry (every field checked, unknown ones refused) into OUT, keeping its id and
// created order; then validates it (validateEntry with LOOKUP). Every problem names the entry and
// the field; OUT is changed only when there is none.
std::vector<std::string> parseCalendarEntry(const nlohmann::json& body, const PlanLookup& lookup,
                                            CalendarEntry& out);

// Read plans likewise: every field checked, then validatePlan and the targets with LOOKUP.
std::vector<std::string> parseBrightnessPlan(const nlohmann::json& body, const PlanLookup& lookup,
                                             BrightnessPlan& out);
std::vector<std::string> parseOnOffPlan(const nlohmann::json& body, const PlanLookup& lookup, OnOffPlan& out);

// A calendar in one document: {"entries": [...], "brightness": [...], "onoff": [...]}, each
// element in the form above with its "id" (given in order when left out). Every problem names
// the entry or plan; OUT holds what was read either way.
struct CalendarFile {
    std::vector<CalendarEntry> entries;
    std::vector<BrightnessPlan> brightness;
    std::vector<OnOffPlan> onOff;
};
std::vector<std::string> parseCalendarFile(const nlohmann::json& doc, CalendarFile& out);

nlohmann::json calendarEntryJson(const CalendarEntry& e);
nlohmann::json brightnessPlanJson(const BrightnessPlan& plan);
nlohmann::json onOffPlanJson(const OnOffPlan& plan);
nlohmann::json planJson(std::span<const DayPlan> days, std::span<const PlayedDay> played = {});
nlohmann::json holidaysJson(const HolidayYear& year);
nlohmann::json compiledDayJson(const CompiledDay& day);

}  // namespace orb
