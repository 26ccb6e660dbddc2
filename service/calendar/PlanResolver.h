#pragma once
// The one function that resolves what a sign does day by day: the scheduler, the API and every
// view of a plan call it, so that they cannot drift apart.
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "service/calendar/DayPlan.h"
#include "service/calendar/KoreanHolidays.h"
#include "service/calendar/SettingsPlans.h"

namespace orb {

struct PlanSign {
    SignId id = 0;
    std::vector<std::string> groups;  // by name
    GeoLocation location;             // for sun times; Seoul unless set
};

// The plan of SIGN for each day from FROM to TO (both included; nothing when TO is before FROM).
// Per day:
//  - the holiday names (HOLIDAYS: public holidays, substitutes and the admin's days);
//  - the periods from 00:00 to 24:00 and their programs: of the entries for the sign (itself
//    or one of its groups) that hold a minute, the higher priority wins, then the newer
//    (created), then the higher id; a span passing midnight holds the early hours of the next
//    day (see CalendarEntry);
//  - the conflicts: every stretch where entries overlap, with the winner and the overridden;
//  - the ON/OFF setting with its dark spans, and the brightness levels, from the plans in
//    PLANS that apply to the sign;
//  - problems: entries and plans that are not valid are left out and named on every day; entries
//    whose program PROGRAM_EXISTS says is gone, on each day they would have applied;
//  - over all that, the TAKEOVERS of the sign for their spans (the newer over the older), each a
//    period of its own naming it.
// The caller bounds the range (a year is a few hundred microseconds per sign).
std::vector<DayPlan> resolvePlan(const PlanSign& sign, std::span<const CalendarEntry> entries,
                                 const HolidayCalendar& holidays, const SettingsPlans& plans,
                                 const CalendarDate& from, const CalendarDate& to,
                                 const std::function<bool(ProgramId)>& programExists = {},
                                 std::span<const PlanTakeover> takeovers = {});

}  // namespace orb
