#pragma once
// The resolved plan of one sign for one day: what the scheduler pushes, the API returns and every
// view shows, all from the one resolver (PlanResolver.h).
#include <optional>
#include <string>
#include <vector>

#include "service/calendar/CalendarDate.h"
#include "service/calendar/CalendarEntry.h"

namespace orb {

inline constexpr int kDayMinutes = 24 * 60;

// Minutes [start, end) of one day, 0 <= start < end <= 1440.
struct MinuteSpan {
    int start = 0;
    int end = kDayMinutes;
    bool operator==(const MinuteSpan&) const = default;
};

struct PlanPeriod {
    MinuteSpan span;
    std::optional<ProgramId> program;  // nothing: no entry applies
    EntryId entry = 0;                 // the entry that won, 0 with no program
    int64_t takeover = 0;              // the takeover showing PROGRAM over the calendar, or 0
    bool operator==(const PlanPeriod&) const = default;
};

// A takeover of the sign: its program from minute FROM (counted from 1970-01-01 00:00) to TO,
// open while it has no end.
struct PlanTakeover {
    int64_t id = 0;
    ProgramId program = 0;
    int64_t from = 0;
    std::optional<int64_t> to;
};

// Entries that overlap: WINNER plays, the others are overridden (lower priority, or equal and
// older). One for each stretch in which the same entry wins while others hold minutes too, with
// every entry it overrides there. Reported wherever it happens, never resolved silently.
struct PlanConflict {
    MinuteSpan span;
    EntryId winner = 0;
    std::vector<EntryId> overridden;  // ascending
    bool operator==(const PlanConflict&) const = default;
};

// The sign's ON/OFF settings for the day: with ENABLED it is dark outside ON..OFF (an OFF before
// ON passes midnight; ON == OFF never darkens).
struct OnOffSetting {
    bool enabled = false;
    int on = 0, off = 0;  // minutes after 00:00
    bool operator==(const OnOffSetting&) const = default;
};

struct LevelSpan {
    MinuteSpan span;
    int level = 10;  // 1..10 as the menu shows it
    bool operator==(const LevelSpan&) const = default;
};

struct DayPlan {
    CalendarDate date;
    std::string holiday;              // the day's holiday names, "" on an ordinary day
    std::vector<PlanPeriod> periods;  // 00:00 to 24:00 in order, no gaps; neighbours differ
    std::vector<PlanConflict> conflicts;
    OnOffSetting onOff;
    int64_t onOffPlan = 0;              // the plan that gave it, 0 for none
    std::vector<MinuteSpan> dark;       // switched off by ON/OFF
    std::vector<LevelSpan> brightness;  // covers the day when a brightness plan applies, else empty
    int64_t brightnessPlan = 0;
    // Entries left out (their program is gone, or they are not valid) and anything else the day
    // could not be resolved by, each naming the entry.
    std::vector<std::string> problems;
};

}  // namespace orb
