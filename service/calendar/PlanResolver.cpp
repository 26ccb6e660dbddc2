#include "service/calendar/PlanResolver.h"

#include <algorithm>
#include <memory>
#include <tuple>

namespace orb {

namespace {

// The minutes an entry holds on its own day, and those it spills into the next day's [0, spill).
struct EntrySpan {
    int start = 0, end = kDayMinutes;
    int spill = 0;
};

EntrySpan spanOf(const CalendarEntry& e) {
    const int start = e.start.value_or(0), end = e.end.value_or(kDayMinutes);
    if (end > start) return {start, end, 0};
    return {start, kDayMinutes, end};
}

bool beats(const CalendarEntry& a, const CalendarEntry& b) {
    return std::tie(a.priority, a.created, a.id) > std::tie(b.priority, b.created, b.id);
}

// An entry for the sign; one that cannot be used carries the reason it is left out: an invalid
// one is named on every day, one whose program is gone on the days it would apply.
struct Candidate {
    const CalendarEntry* entry;
    EntrySpan span;
    std::string invalid;
    std::string programGone;
};

std::vector<Candidate> candidatesFor(const PlanSign& sign, std::span<const CalendarEntry> entries,
                                     const std::function<bool(ProgramId)>& programExists) {
    std::vector<Candidate> out;
    for (const CalendarEntry& e : entries) {
        if (!targets(e.targets, sign.id, sign.groups)) continue;
        Candidate c{&e, spanOf(e), {}, {}};
        if (const std::vector<std::string> invalid = validateEntry(e); !invalid.empty())
            c.invalid = invalid.front() + "; left out";
        else if (programExists && !programExists(e.program))
            c.programGone =
                entryLabel(e) + ": program " + std::to_string(e.program) + " does not exist; left out";
        out.push_back(std::move(c));
    }
    return out;
}

struct Piece {
    int start, end;
    const CalendarEntry* entry;
};

void addPeriod(std::vector<PlanPeriod>& periods, const MinuteSpan& span, const CalendarEntry* winner) {
    PlanPeriod p{span, {}, 0};
    if (winner) p.program = winner->program, p.entry = winner->id;
    if (!periods.empty() && periods.back().program == p.program && periods.back().entry == p.entry)
        periods.back().span.end = span.end;
    else
        periods.push_back(p);
}

void addConflict(std::vector<PlanConflict>& conflicts, PlanConflict c) {
    if (!conflicts.empty() && conflicts.back().span.end == c.span.start &&
        conflicts.back().winner == c.winner && conflicts.back().overridden == c.overridden)
        conflicts.back().span.end = c.span.end;
    else
        conflicts.push_back(std::move(c));
}

// The periods and conflicts of the pieces the entries hold on one day.
void sweep(const std::vector<Piece>& pieces, DayPlan& day) {
    std::vector<int> cuts{0, kDayMinutes};
    for (const Piece& p : pieces) cuts.push_back(p.start), cuts.push_back(p.end);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<EntryId> covering;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const MinuteSpan span{cuts[i], cuts[i + 1]};
        const CalendarEntry* winner = nullptr;
        covering.clear();
        for (const Piece& p : pieces) {
            if (p.start > span.start || span.start >= p.end) continue;
            covering.push_back(p.entry->id);
            if (!winner || beats(*p.entry, *winner)) winner = p.entry;
        }
        addPeriod(day.periods, span, winner);
        if (covering.size() < 2) continue;
        std::erase(covering, winner->id);
        std::sort(covering.begin(), covering.end());
        addConflict(day.conflicts, {span, winner->id, covering});
    }
}

// The brightness steps of each day as the walk goes, with their sun times.
class BrightnessWalk {
  public:
    BrightnessWalk(const BrightnessPlan* plan, const GeoLocation& where) : plan_(plan) {
        if (!plan_) return;
        const bool sun = std::any_of(plan_->steps.begin(), plan_->steps.end(),
                                     [](const BrightnessStep& s) { return s.anchor != TimeAnchor::Clock; });
        if (sun) sun_ = std::make_unique<SunCalculator>(where);
    }

    // Called for each day in order; gives the day's levels (the first call only prepares).
    std::vector<LevelSpan> next(const CalendarDate& day) {
        if (!plan_) return {};
        std::vector<TimedLevel> today = stepsOfDay(*plan_, sun_ ? sun_->on(day) : SunTimes{});
        std::vector<LevelSpan> levels = levelsOfDay(today, yesterday_);
        yesterday_ = std::move(today);
        return levels;
    }

  private:
    const BrightnessPlan* plan_;
    std::unique_ptr<SunCalculator> sun_;
    std::vector<TimedLevel> yesterday_;
};

// The holiday names of each day, one year table at a time.
class HolidayWalk {
  public:
    explicit HolidayWalk(const HolidayCalendar& holidays) : holidays_(holidays) {}

    // A year whose lunar holidays are missing is said once, on its first day shown.
    const std::string& nameOn(const CalendarDate& day, bool shown, std::vector<std::string>& problems) {
        if (!year_ || year_->year != day.year) {
            year_ = holidays_.year(day.year);
            reported_ = false;
        }
        if (year_->lunarMissing && shown && !reported_) {
            problems.push_back("the lunar calendar is not available: 설날, 추석 and 부처님오신날 of " +
                               std::to_string(day.year) + " are missing");
            reported_ = true;
        }
        const std::string* name = year_->nameOn(day);
        return name ? *name : none_;
    }

  private:
    const HolidayCalendar& holidays_;
    std::shared_ptr<const HolidayYear> year_;
    bool reported_ = false;
    const std::string none_;
};

}  // namespace

std::vector<DayPlan> resolvePlan(const PlanSign& sign, std::span<const CalendarEntry> entries,
                                 const HolidayCalendar& holidays, const SettingsPlans& plans,
                                 const CalendarDate& from, const CalendarDate& to,
                                 const std::function<bool(ProgramId)>& programExists) {
    std::vector<DayPlan> out;
    if (to < from) return out;
    const std::vector<Candidate> candidates = candidatesFor(sign, entries, programExists);
    const OnOffPlan* onOff = planFor(plans.onOff, sign.id, sign.groups);
    const BrightnessPlan* brightnessPlan = planFor(plans.brightness, sign.id, sign.groups);
    BrightnessWalk brightness(brightnessPlan, sign.location);
    HolidayWalk holidayNames(holidays);
    out.reserve(static_cast<size_t>(to.dayNumber() - from.dayNumber() + 1));
    std::vector<Piece> spill;
    std::vector<std::string> before;  // the problems of the day before FROM are not shown
    // The day before FROM is walked for what it spills past midnight and its last brightness.
    for (int64_t n = from.dayNumber() - 1; n <= to.dayNumber(); ++n) {
        const bool shown = n >= from.dayNumber();
        DayPlan day;
        day.date = CalendarDate::fromDayNumber(n);
        std::vector<std::string>& problems = shown ? day.problems : before;
        day.holiday = holidayNames.nameOn(day.date, shown, problems);
        std::vector<Piece> pieces = std::move(spill);
        spill.clear();
        for (const Candidate& c : candidates) {
            const CalendarEntry& e = *c.entry;
            if (!c.invalid.empty()) {
                problems.push_back(c.invalid);
                continue;
            }
            if (!appliesOn(e.from, e.to, e.weekdays, e.holidays, day.date, !day.holiday.empty())) continue;
            if (!c.programGone.empty()) {
                problems.push_back(c.programGone);
                continue;
            }
            pieces.push_back({c.span.start, c.span.end, &e});
            if (c.span.spill) spill.push_back({0, c.span.spill, &e});
        }
        day.brightness = brightness.next(day.date);
        if (!shown) continue;
        sweep(pieces, day);
        if (onOff) {
            day.onOff = onOffOfDay(*onOff, day.date, !day.holiday.empty());
            day.onOffPlan = onOff->id;
            day.dark = darkSpans(day.onOff);
        }
        if (!day.brightness.empty()) day.brightnessPlan = brightnessPlan->id;
        out.push_back(std::move(day));
    }
    return out;
}

}  // namespace orb
