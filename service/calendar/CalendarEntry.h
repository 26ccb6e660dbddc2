#pragma once
// What the calendar of a sign network holds: entries that put a program on signs and groups by
// date, weekday and holiday, with an optional daily time span; and the brightness and ON/OFF
// plans of signs and groups. Plain data the service stores; the plan resolver reads it.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "service/calendar/CalendarDate.h"

namespace orb {

using SignId = int64_t;
using ProgramId = int64_t;
using EntryId = int64_t;

enum class HolidayRule { Any, Only, Except };  // every day, holidays only, not on holidays

// Weekdays as bits: bit 0 Monday .. bit 6 Sunday.
inline constexpr uint8_t kEveryDay = 0x7F;
inline constexpr uint8_t weekdayBit(int weekday) {
    return static_cast<uint8_t>(1u << weekday);
}

// The signs and groups a calendar entry or a plan is for.
struct PlanTargets {
    std::vector<SignId> signs;
    std::vector<std::string> groups;  // by name
    bool empty() const { return signs.empty() && groups.empty(); }
};

// A program on its targets. The entry applies on the days from FROM to TO (both included, either
// open) that are among its weekdays and pass its holiday rule. On such a day it holds the span
// from START to END; without START it begins at 00:00, without END it runs to 24:00. An END
// before START passes midnight: the span belongs to the day it starts on (that day's weekday and
// holiday decide) and goes on into the next day's early hours, whatever that day is.
struct CalendarEntry {
    EntryId id = 0;  // 0: not stored yet
    ProgramId program = 0;
    PlanTargets targets;
    std::optional<CalendarDate> from, to;
    uint8_t weekdays = kEveryDay;
    HolidayRule holidays = HolidayRule::Any;
    std::optional<int> start, end;  // minutes after 00:00, 0..1439
    int priority = 0;               // the higher wins where entries overlap
    int64_t created = 0;            // the order entries were made in: among equal priorities the newer wins
};

// Whether the entry or plan is for the sign with this id and these groups.
bool targets(const PlanTargets& t, SignId sign, const std::vector<std::string>& groups);
// Whether it names the sign itself (a plan for the sign beats a plan for one of its groups).
bool namesSign(const PlanTargets& t, SignId sign);

// Whether a day passes the date range, weekdays and holiday rule.
bool appliesOn(const std::optional<CalendarDate>& from, const std::optional<CalendarDate>& to,
               uint8_t weekdays, HolidayRule rule, const CalendarDate& day, bool holiday);

// What the caller knows exists; an empty function is not asked.
struct PlanLookup {
    std::function<bool(ProgramId)> programExists;
    std::function<bool(const std::string&)> groupExists;
    std::function<bool(SignId)> signExists;
};

// "entry 17" or, for an entry not stored yet, "the new entry".
std::string entryLabel(const CalendarEntry& e);

// The targets LOOKUP says do not exist, each as "WHO" followed by what is missing; "WHO" followed
// by "names no sign and no group" when there are none.
std::vector<std::string> checkTargets(const PlanTargets& t, const PlanLookup& lookup, const std::string& who);

// Every reason the entry cannot be kept, each naming the entry: it ends before it starts, has no
// weekday, a time outside 00:00..23:59, a span that starts and ends at the same time, no target,
// or names a program, group or sign that does not exist. Empty when it is fine.
std::vector<std::string> validateEntry(const CalendarEntry& e, const PlanLookup& lookup = {});

}  // namespace orb
