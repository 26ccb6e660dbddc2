#include "service/calendar/PlanResolver.h"

#include <algorithm>
#include <bit>
#include <climits>
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

// An entry for the sign: its date range as day numbers, and its rank among the sign's entries
// (0 wins over all others). One whose program is gone carries the reason it is left out, named
// on the days it would apply.
struct Candidate {
    const CalendarEntry* entry;
    EntrySpan span;
    int64_t first, last;
    int rank = 0;
    size_t byId = 0;  // its place among the sign's entries by id
    std::string programGone;
};

// The entries for the sign; those that are not valid go to INVALID, to be named on every day.
std::vector<Candidate> candidatesFor(const PlanSign& sign, std::span<const CalendarEntry> entries,
                                     const std::function<bool(ProgramId)>& programExists,
                                     std::vector<std::string>& invalid) {
    std::vector<Candidate> out;
    for (const CalendarEntry& e : entries) {
        if (!targets(e.targets, sign.id, sign.groups)) continue;
        if (const std::vector<std::string> problems = validateEntry(e); !problems.empty()) {
            invalid.push_back(problems.front() + "; left out");
            continue;
        }
        Candidate c{
            &e, spanOf(e), e.from ? e.from->dayNumber() : INT64_MIN, e.to ? e.to->dayNumber() : INT64_MAX, 0,
            0,  {}};
        if (programExists && !programExists(e.program))
            c.programGone =
                entryLabel(e) + ": program " + std::to_string(e.program) + " does not exist; left out";
        out.push_back(std::move(c));
    }
    std::sort(out.begin(), out.end(),
              [](const Candidate& a, const Candidate& b) { return beats(*a.entry, *b.entry); });
    for (size_t i = 0; i < out.size(); ++i) out[i].rank = static_cast<int>(i);
    std::vector<Candidate*> byId;
    for (Candidate& c : out) byId.push_back(&c);
    std::sort(byId.begin(), byId.end(),
              [](const Candidate* a, const Candidate* b) { return a->entry->id < b->entry->id; });
    for (size_t i = 0; i < byId.size(); ++i) byId[i]->byId = i;
    // By first day, for the walk.
    std::stable_sort(out.begin(), out.end(),
                     [](const Candidate& a, const Candidate& b) { return a.first < b.first; });
    return out;
}

// The candidates whose date range covers the day, as the days go by in order.
class EntryWalk {
  public:
    explicit EntryWalk(const std::vector<Candidate>& candidates) : candidates_(candidates) {}

    const std::vector<const Candidate*>& on(int64_t day) {
        while (next_ < candidates_.size() && candidates_[next_].first <= day)
            active_.push_back(&candidates_[next_++]);
        std::erase_if(active_, [day](const Candidate* c) { return c->last < day; });
        return active_;
    }

  private:
    const std::vector<Candidate>& candidates_;
    size_t next_ = 0;
    std::vector<const Candidate*> active_;
};

bool holds(const CalendarEntry& e, int weekday, bool holiday) {
    return (e.weekdays & weekdayBit(weekday)) &&
           (e.holidays == HolidayRule::Any || (e.holidays == HolidayRule::Only) == holiday);
}

// The minutes an entry holds on one day.
struct Piece {
    int start, end;
    const Candidate* candidate;
    int rank;     // the candidate's, kept here for the sweep
    size_t byId;  // likewise
};

void addPeriod(std::vector<PlanPeriod>& periods, const MinuteSpan& span, const CalendarEntry* winner) {
    PlanPeriod p{span, {}, 0};
    if (winner) p.program = winner->program, p.entry = winner->id;
    if (!periods.empty() && periods.back().program == p.program && periods.back().entry == p.entry)
        periods.back().span.end = span.end;
    else
        periods.push_back(p);
}

// Buffers the days reuse.
struct Scratch {
    std::vector<Piece> pieces, spill;
    // Where pieces start and end: minute << 32 | starts << 31 | piece, so that at one minute the
    // ends come first. Pieces holding the whole day have none.
    std::vector<uint64_t> events;
    std::vector<size_t> active;  // the pieces holding the minute, by rank: the winner first
    std::vector<size_t> added;   // those that began at the minute
    std::vector<EntryId> ids;    // the sign's entries by id
    std::vector<uint64_t> seen;  // one bit for each of them
};

// The entries of the bits in S.seen into OVERRIDDEN, by id and once each; clears the bits.
void takeSeen(Scratch& s, std::vector<EntryId>& overridden) {
    size_t count = overridden.size();
    for (uint64_t bits : s.seen) count += static_cast<size_t>(std::popcount(bits));
    overridden.reserve(count);
    for (size_t w = 0; w < s.seen.size(); ++w)
        for (; s.seen[w]; s.seen[w] &= s.seen[w] - 1)
            overridden.push_back(s.ids[w * 64 + static_cast<size_t>(std::countr_zero(s.seen[w]))]);
}

void see(Scratch& s, const Piece& p) {
    s.seen[p.byId / 64] |= uint64_t{1} << (p.byId % 64);
}

constexpr uint64_t kStarts = uint64_t{1} << 31;

void activate(size_t piece, const std::vector<Piece>& pieces, Scratch& s) {
    const int rank = pieces[piece].rank;
    const auto place =
        std::find_if(s.active.begin(), s.active.end(), [&](size_t i) { return rank < pieces[i].rank; });
    s.active.insert(place, piece);
    s.added.push_back(piece);
}

// Applies the events at AT from E on; the first event after them.
size_t applyEvents(int at, size_t e, const std::vector<Piece>& pieces, Scratch& s) {
    for (; e < s.events.size() && static_cast<int>(s.events[e] >> 32) == at; ++e) {
        const size_t piece = s.events[e] & (kStarts - 1);
        if (s.events[e] & kStarts)
            activate(piece, pieces, s);
        else
            s.active.erase(std::find(s.active.begin(), s.active.end(), piece));
    }
    return e;
}

// One conflict per stretch in which the same entry wins over others, listing once every entry
// that holds a minute of it besides the winner: all of them where the stretch begins, then those
// that join it. Its list is taken when the next begins or the day ends.
void addConflict(const std::vector<Piece>& pieces, Scratch& s, const MinuteSpan& span,
                 std::vector<PlanConflict>& conflicts) {
    const Piece& top = pieces[s.active.front()];
    const EntryId winner = top.candidate->entry->id;
    const bool goesOn =
        !conflicts.empty() && conflicts.back().span.end == span.start && conflicts.back().winner == winner;
    if (!goesOn) {
        if (!conflicts.empty()) takeSeen(s, conflicts.back().overridden);
        conflicts.push_back({span, winner, {}});
    }
    conflicts.back().span.end = span.end;
    for (size_t i : goesOn ? s.added : s.active)
        if (pieces[i].rank != top.rank) see(s, pieces[i]);
}

// Most days of a busy sign are won by an entry that holds the whole day: it is the one period,
// and the others only make conflicts, one for each run of minutes they hold (runs that touch are
// one). The same as the sweep below gives for such a day, without stepping through it.
bool sweepUnderWholeDay(const std::vector<Piece>& pieces, Scratch& s, DayPlan& day) {
    const auto top = std::min_element(pieces.begin(), pieces.end(),
                                      [](const Piece& a, const Piece& b) { return a.rank < b.rank; });
    if (top == pieces.end() || top->start != 0 || top->end != kDayMinutes) return false;
    const CalendarEntry* winner = top->candidate->entry;
    addPeriod(day.periods, {0, kDayMinutes}, winner);
    s.events.clear();
    for (size_t i = 0; i < pieces.size(); ++i)
        if (pieces[i].candidate != top->candidate) s.events.push_back(uint64_t(pieces[i].start) << 32 | i);
    std::sort(s.events.begin(), s.events.end());
    for (uint64_t event : s.events) {
        const Piece& p = pieces[event & 0xFFFFFFFF];
        if (day.conflicts.empty() || p.start > day.conflicts.back().span.end) {
            if (!day.conflicts.empty()) takeSeen(s, day.conflicts.back().overridden);
            day.conflicts.push_back({{p.start, p.end}, winner->id, {}});
        }
        PlanConflict& c = day.conflicts.back();
        c.span.end = std::max(c.span.end, p.end);
        see(s, p);
    }
    if (!day.conflicts.empty()) takeSeen(s, day.conflicts.back().overridden);
    return true;
}

// The periods and conflicts of the pieces the entries hold on one day, from one boundary to the
// next.
void sweep(std::vector<Piece>& pieces, Scratch& s, DayPlan& day) {
    if (sweepUnderWholeDay(pieces, s, day)) return;
    s.events.clear(), s.active.clear(), s.added.clear();
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (pieces[i].start == 0 && pieces[i].end == kDayMinutes) {
            activate(i, pieces, s);
            continue;
        }
        s.events.push_back(uint64_t(pieces[i].start) << 32 | kStarts | i);
        s.events.push_back(uint64_t(pieces[i].end) << 32 | i);
    }
    std::sort(s.events.begin(), s.events.end());
    size_t e = 0;
    for (int at = 0; at < kDayMinutes;) {
        if (at > 0) s.added.clear();
        e = applyEvents(at, e, pieces, s);
        const MinuteSpan span{at, e < s.events.size() ? static_cast<int>(s.events[e] >> 32) : kDayMinutes};
        addPeriod(day.periods, span, s.active.empty() ? nullptr : pieces[s.active.front()].candidate->entry);
        if (s.active.size() > 1) addConflict(pieces, s, span, day.conflicts);
        at = span.end;
    }
    if (!day.conflicts.empty()) takeSeen(s, day.conflicts.back().overridden);
}

// The brightness steps of each day as the walk goes, with their sun times.
class BrightnessWalk {
  public:
    BrightnessWalk(const BrightnessPlan* plan, GeoLocation where) : plan_(plan), where_(std::move(where)) {
        if (!plan_) return;
        sun_ = std::any_of(plan_->steps.begin(), plan_->steps.end(),
                           [](const BrightnessStep& s) { return s.anchor != TimeAnchor::Clock; });
    }

    // Called for each day in order; gives the day's levels (the first call only prepares).
    std::vector<LevelSpan> next(const CalendarDate& day) {
        if (!plan_) return {};
        std::vector<TimedLevel> today = stepsOfDay(*plan_, sunOn(day));
        std::vector<LevelSpan> levels = levelsOfDay(today, yesterday_);
        yesterday_ = std::move(today);
        return levels;
    }

  private:
    SunTimes sunOn(const CalendarDate& day) {
        if (!sun_) return {};
        if (!year_ || yearNumber_ != day.year) year_ = sunTimesOfYear(where_, yearNumber_ = day.year);
        return (*year_)[static_cast<size_t>(day.dayNumber() - CalendarDate{day.year, 1, 1}.dayNumber())];
    }

    const BrightnessPlan* plan_;
    GeoLocation where_;
    bool sun_ = false;
    int yearNumber_ = 0;
    std::shared_ptr<const std::vector<SunTimes>> year_;
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

// The plan, or null when it is not valid (its problems go to INVALID, named on every day).
template <typename Plan>
const Plan* validOrNone(const Plan* plan, std::vector<std::string>& invalid) {
    if (!plan) return nullptr;
    const std::vector<std::string> problems = validatePlan(*plan);
    if (problems.empty()) return plan;
    invalid.push_back(problems.front() + "; left out");
    return nullptr;
}

PlanPeriod clipped(PlanPeriod p, int start, int end) {
    p.span = {start, end};
    return p;
}

// Periods with OVER laid on them for its span; neighbours that show the same are joined.
void overlay(std::vector<PlanPeriod>& periods, const PlanPeriod& over) {
    std::vector<PlanPeriod> out;
    bool placed = false;
    const auto add = [&out](const PlanPeriod& p) {
        if (!out.empty() && out.back().program == p.program && out.back().entry == p.entry &&
            out.back().takeover == p.takeover)
            out.back().span.end = p.span.end;
        else
            out.push_back(p);
    };
    for (const PlanPeriod& p : periods) {
        if (p.span.start < over.span.start)
            add(clipped(p, p.span.start, std::min(p.span.end, over.span.start)));
        if (!placed && p.span.end > over.span.start) add(over), placed = true;
        if (p.span.end > over.span.end) add(clipped(p, std::max(p.span.start, over.span.end), p.span.end));
    }
    periods = std::move(out);
}

std::vector<PlanTakeover> sortedById(std::span<const PlanTakeover> takeovers) {
    std::vector<PlanTakeover> out(takeovers.begin(), takeovers.end());
    std::sort(out.begin(), out.end(),
              [](const PlanTakeover& a, const PlanTakeover& b) { return a.id < b.id; });
    return out;
}

// The takeovers' spans on day N laid over its periods, the newer over the older.
void overlayTakeovers(std::span<const PlanTakeover> takeovers, int64_t n, DayPlan& day) {
    const int64_t dayStart = n * kDayMinutes;
    for (const PlanTakeover& t : takeovers) {
        const int64_t start = std::max(t.from, dayStart) - dayStart;
        const int64_t end = std::min(t.to.value_or(INT64_MAX), dayStart + kDayMinutes) - dayStart;
        if (start >= end) continue;
        overlay(day.periods, {{static_cast<int>(start), static_cast<int>(end)}, t.program, 0, t.id});
    }
}

// A takeover keeps the sign lit: the scheduler does not use its ON/OFF while one shows.
void lightUnderTakeovers(DayPlan& day) {
    for (const PlanPeriod& p : day.periods) {
        if (!p.takeover) continue;
        std::vector<MinuteSpan> kept;
        for (const MinuteSpan& d : day.dark) {
            if (d.start < p.span.start) kept.push_back({d.start, std::min(d.end, p.span.start)});
            if (d.end > p.span.end) kept.push_back({std::max(d.start, p.span.end), d.end});
        }
        day.dark = std::move(kept);
    }
}

// The days of one sign in order, each from the entries and plans that apply to it.
class SignWalk {
  public:
    SignWalk(const PlanSign& sign, std::span<const CalendarEntry> entries, const HolidayCalendar& holidays,
             const SettingsPlans& plans, const std::function<bool(ProgramId)>& programExists,
             std::span<const PlanTakeover> takeovers)
        : takeovers_(sortedById(takeovers)),
          candidates_(candidatesFor(sign, entries, programExists, invalid_)),
          entries_(candidates_),
          onOff_(validOrNone(planFor(plans.onOff, sign.id, sign.groups), invalid_)),
          brightnessPlan_(validOrNone(planFor(plans.brightness, sign.id, sign.groups), invalid_)),
          brightness_(brightnessPlan_, sign.location),
          holidays_(holidays) {
        for (const Candidate& c : candidates_) {
            if (scratch_.ids.size() <= c.byId) scratch_.ids.resize(c.byId + 1);
            scratch_.ids[c.byId] = c.entry->id;
        }
        scratch_.seen.assign((scratch_.ids.size() + 63) / 64, 0);
    }

    // Day N, the day after the one before; a day not SHOWN is walked only for what it hands on
    // to the next (its spans past midnight, its last brightness).
    DayPlan next(int64_t n, bool shown) {
        DayPlan day;
        day.date = CalendarDate::fromDayNumber(n);
        std::vector<std::string>& problems = shown ? day.problems : hidden_;
        problems = invalid_;
        day.holiday = holidays_.nameOn(day.date, shown, problems);
        const bool holiday = !day.holiday.empty();
        collectPieces(n, day.date.weekday(), holiday, problems);
        day.brightness = brightness_.next(day.date);
        if (!shown) return day;
        sweep(scratch_.pieces, scratch_, day);
        overlayTakeovers(takeovers_, n, day);
        if (onOff_) {
            day.onOff = onOffOfDay(*onOff_, day.date, holiday);
            day.onOffPlan = onOff_->id;
            day.dark = darkSpans(day.onOff);
            lightUnderTakeovers(day);
        }
        if (!day.brightness.empty()) day.brightnessPlan = brightnessPlan_->id;
        return day;
    }

  private:
    // The minutes the entries hold on day N: what yesterday spilled past midnight, and today's.
    void collectPieces(int64_t n, int weekday, bool holiday, std::vector<std::string>& problems) {
        std::swap(scratch_.pieces, scratch_.spill);
        scratch_.spill.clear();
        for (const Candidate* c : entries_.on(n)) {
            if (!holds(*c->entry, weekday, holiday)) continue;
            if (!c->programGone.empty()) {
                problems.push_back(c->programGone);
                continue;
            }
            scratch_.pieces.push_back({c->span.start, c->span.end, c, c->rank, c->byId});
            if (c->span.spill) scratch_.spill.push_back({0, c->span.spill, c, c->rank, c->byId});
        }
    }

    std::vector<PlanTakeover> takeovers_;  // by id
    std::vector<std::string> invalid_;     // named on every day
    std::vector<Candidate> candidates_;
    EntryWalk entries_;
    const OnOffPlan* onOff_;
    const BrightnessPlan* brightnessPlan_;
    BrightnessWalk brightness_;
    HolidayWalk holidays_;
    Scratch scratch_;
    std::vector<std::string> hidden_;
};

}  // namespace

std::vector<DayPlan> resolvePlan(const PlanSign& sign, std::span<const CalendarEntry> entries,
                                 const HolidayCalendar& holidays, const SettingsPlans& plans,
                                 const CalendarDate& from, const CalendarDate& to,
                                 const std::function<bool(ProgramId)>& programExists,
                                 std::span<const PlanTakeover> takeovers) {
    std::vector<DayPlan> out;
    if (to < from) return out;
    SignWalk walk(sign, entries, holidays, plans, programExists, takeovers);
    out.reserve(static_cast<size_t>(to.dayNumber() - from.dayNumber() + 1));
    walk.next(from.dayNumber() - 1, false);
    for (int64_t n = from.dayNumber(); n <= to.dayNumber(); ++n) out.push_back(walk.next(n, true));
    return out;
}

}  // namespace orb
