#include "service/calendar/CalendarEntry.h"

#include <algorithm>

namespace orb {

bool namesSign(const PlanTargets& t, SignId sign) {
    return std::find(t.signs.begin(), t.signs.end(), sign) != t.signs.end();
}

bool targets(const PlanTargets& t, SignId sign, const std::vector<std::string>& groups) {
    if (namesSign(t, sign)) return true;
    for (const std::string& g : t.groups)
        if (std::find(groups.begin(), groups.end(), g) != groups.end()) return true;
    return false;
}

bool appliesOn(const std::optional<CalendarDate>& from, const std::optional<CalendarDate>& to,
               uint8_t weekdays, HolidayRule rule, const CalendarDate& day, bool holiday) {
    if ((from && day < *from) || (to && *to < day)) return false;
    if (!(weekdays & weekdayBit(day.weekday()))) return false;
    return rule == HolidayRule::Any || (rule == HolidayRule::Only) == holiday;
}

std::string entryLabel(const CalendarEntry& e) {
    return e.id ? "entry " + std::to_string(e.id) : "the new entry";
}

namespace {

bool timeOfDay(const std::optional<int>& t) {
    return !t || (*t >= 0 && *t < 24 * 60);
}

std::string timeText(int minutes) {
    if (minutes < 0 || minutes > 24 * 60) return std::to_string(minutes) + " minutes after 00:00";
    return minuteText(minutes);
}

}  // namespace

std::vector<std::string> validateEntry(const CalendarEntry& e, const PlanLookup& lookup) {
    std::vector<std::string> out;
    const std::string who = entryLabel(e) + ": ";
    if (e.from && e.to && *e.to < *e.from)
        out.push_back(who + "ends (" + e.to->text() + ") before it starts (" + e.from->text() + ")");
    if ((e.weekdays & kEveryDay) == 0) out.push_back(who + "has no weekday");
    for (const auto& [name, t] : {std::pair{"start", e.start}, std::pair{"end", e.end}})
        if (!timeOfDay(t))
            out.push_back(who + name + " time " + timeText(*t) + " is not a time of day (00:00 to 23:59)");
    if (e.start && e.end && *e.start == *e.end)
        out.push_back(who + "starts and ends at " + minuteText(*e.start) +
                      " (leave both out for the whole day)");
    if (lookup.programExists && !lookup.programExists(e.program))
        out.push_back(who + "program " + std::to_string(e.program) + " does not exist");
    const std::vector<std::string> targetProblems = checkTargets(e.targets, lookup, who);
    out.insert(out.end(), targetProblems.begin(), targetProblems.end());
    return out;
}

std::vector<std::string> checkTargets(const PlanTargets& t, const PlanLookup& lookup,
                                      const std::string& who) {
    std::vector<std::string> out;
    if (t.empty()) out.push_back(who + "names no sign and no group");
    for (const std::string& g : t.groups)
        if (lookup.groupExists && !lookup.groupExists(g))
            out.push_back(who + "group \"" + g + "\" does not exist");
    for (SignId s : t.signs)
        if (lookup.signExists && !lookup.signExists(s))
            out.push_back(who + "sign " + std::to_string(s) + " does not exist");
    return out;
}

}  // namespace orb
