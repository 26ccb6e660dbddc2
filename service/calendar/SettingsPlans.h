#pragma once
// Brightness and ON/OFF plans of signs and groups, and how each gives a day its settings.
//
// A brightness plan is a list of steps, each a level from a time of day, or from sunrise or
// sunset with an offset at the sign's place. A day's levels follow its steps in time order (a
// step pushed past 00:00 or 24:00 by its offset is held at the day's edge); before the day's
// first step the level of the previous day's last step holds. A sun step on a day without that
// event (polar day or night) is left out.
//
// An ON/OFF plan is a list of rules by date and weekday: on each day the matching rule with a
// date range beats one without, and among those the later in the list wins; no matching rule
// leaves the sign on all day.
//
// A plan for the sign itself beats a plan for one of its groups; among those the newer wins.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "service/calendar/DayPlan.h"
#include "service/calendar/SunTimes.h"

namespace orb {

enum class TimeAnchor { Clock, Sunrise, Sunset };

struct BrightnessStep {
    TimeAnchor anchor = TimeAnchor::Clock;
    int minutes = 0;  // Clock: minutes after 00:00 (0..1439); Sunrise, Sunset: offset, -720..720
    int level = 10;   // 1..10 as the menu shows it
};

struct BrightnessPlan {
    int64_t id = 0;
    PlanTargets targets;
    std::vector<BrightnessStep> steps;
    int64_t created = 0;
};

struct OnOffRule {
    std::optional<CalendarDate> from, to;
    uint8_t weekdays = kEveryDay;
    HolidayRule holidays = HolidayRule::Any;
    bool switching = true;  // false: on all day
    int on = 0, off = 0;    // minutes after 00:00
};

struct OnOffPlan {
    int64_t id = 0;
    PlanTargets targets;
    std::vector<OnOffRule> rules;
    int64_t created = 0;
};

struct SettingsPlans {
    std::span<const BrightnessPlan> brightness;
    std::span<const OnOffPlan> onOff;
};

// Every reason the plan cannot be kept, each naming it ("brightness plan 3: step 2 ..."): a
// level outside 1..10, a time outside 00:00..23:59, a sun offset past 12 hours, no step; for
// ON/OFF a rule that ends before it starts or has no weekday. Empty when it is fine.
std::vector<std::string> validatePlan(const BrightnessPlan& plan);
// "brightness plan 3", "ON/OFF plan 4"; "the new brightness plan" before it is stored.
std::string planLabel(const BrightnessPlan& plan);
std::string planLabel(const OnOffPlan& plan);
std::vector<std::string> validatePlan(const OnOffPlan& plan);

// The plan that applies to the sign, or null.
const BrightnessPlan* planFor(std::span<const BrightnessPlan> plans, SignId sign,
                              const std::vector<std::string>& groups);
const OnOffPlan* planFor(std::span<const OnOffPlan> plans, SignId sign,
                         const std::vector<std::string>& groups);

// The times (minutes after 00:00) and levels of a day's steps, in time order; SUN are the day's
// sun times.
struct TimedLevel {
    int minute;
    int level;
};
std::vector<TimedLevel> stepsOfDay(const BrightnessPlan& plan, const SunTimes& sun);

// The day's levels given its steps and the previous day's; empty when both are empty.
std::vector<LevelSpan> levelsOfDay(const std::vector<TimedLevel>& today,
                                   const std::vector<TimedLevel>& yesterday);

// The day's ON/OFF setting.
OnOffSetting onOffOfDay(const OnOffPlan& plan, const CalendarDate& day, bool holiday);
// The spans the setting darkens.
std::vector<MinuteSpan> darkSpans(const OnOffSetting& s);

}  // namespace orb
