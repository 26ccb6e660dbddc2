#include "service/calendar/PlayedDay.h"

#include <algorithm>
#include <array>

#include "editor/core/DayTimeline.h"

namespace orb {

namespace {

LocalDateTime at(const CalendarDate& d, int minute = 0) {
    return {d.year, d.month, d.day, minute / 60, minute % 60, 0};
}

bool sameContents(const ItemStore& a, const ItemStore& b) {
    std::vector<uint8_t> x(ItemStore::kFileSize), y(ItemStore::kFileSize);
    return a.readAll(std::span<uint8_t, ItemStore::kFileSize>(x.data(), x.size())) == IoResult::Ok &&
           b.readAll(std::span<uint8_t, ItemStore::kFileSize>(y.data(), y.size())) == IoResult::Ok && x == y;
}

void addSpan(std::vector<PlayedSpan>& spans, PlayedSpan s) {
    if (!spans.empty() && spans.back().dark == s.dark && spans.back().items == s.items &&
        spans.back().span.end == s.span.start)
        spans.back().span.end = s.span.end;
    else
        spans.push_back(std::move(s));
}

// The day timeline of STORE within CLIP, each item named by what it was compiled from (ITEMS).
void addTimeline(const ItemStore& store, const std::vector<CompiledItem>& items, const MinuteSpan& clip,
                 PlayedDay& out) {
    std::vector<TimelinePeriod> periods;
    if (dayTimeline(store, periods) != IoResult::Ok) {
        out.problems.push_back(minuteText(clip.start) + "-" + minuteText(clip.end) +
                               ": the compiled program cannot be read");
        return addSpan(out.spans, {clip, false, {}});
    }
    for (const TimelinePeriod& p : periods) {
        const MinuteSpan span{std::max(p.start, clip.start), std::min(p.end, clip.end)};
        if (span.start >= span.end) continue;
        PlayedSpan s{span, p.dark, {}};
        for (int i : p.items)
            if (i >= 0 && static_cast<size_t>(i) < items.size())
                s.items.push_back(
                    {items[static_cast<size_t>(i)].program, items[static_cast<size_t>(i)].item});
        addSpan(out.spans, std::move(s));
    }
}

}  // namespace

bool usesCalendar(const DayPlan& day) {
    return std::any_of(day.periods.begin(), day.periods.end(), [](const PlanPeriod& p) { return p.program; });
}

int periodAt(const CompiledDay& day, int minute) {
    for (size_t i = 0; i < day.periods.size(); ++i)
        if (minute >= day.periods[i].span.start && minute < day.periods[i].span.end)
            return static_cast<int>(i);
    return -1;
}

const ItemStore* lastProgramOf(const CompiledDay& day) {
    if (!day.fallback) return &day.store;
    return day.periods.empty() ? nullptr : &day.periods.back().store;
}

std::optional<PushTime> pushAhead(const ItemStore* old, const CompiledDay& day, const LocalDateTime& now) {
    const PushTime when = choosePushTime(old, day.store, at(day.date), now);
    if (!when.invisible) return std::nullopt;
    return when;
}

PushTime pushOnTheDay(const ItemStore* old, const CompiledDay& day, const LocalDateTime& now) {
    return choosePushTime(old, day.store, at(day.date), now);
}

PlayedDay playedDay(const DayPlan& plan, const CompiledDay& day, const CompiledDay* before) {
    PlayedDay out{day.date, {}, {}, day.fallback, day.message, day.problems};
    if (!usesCalendar(plan)) return out;
    if (!day.fallback) {
        addTimeline(day.store, day.items, {0, kDayMinutes}, out);
        const ItemStore* old = before ? lastProgramOf(*before) : nullptr;
        if (old && sameContents(*old, day.store)) return out;  // nothing to push
        // The day before holds OLD from its start, or from its last period's with the fall-back.
        const int since =
            before && before->fallback && !before->periods.empty() ? before->periods.back().span.start : 0;
        const std::optional<PushTime> ahead =
            old ? pushAhead(old, day, at(before->date, since)) : std::nullopt;
        out.pushes.push_back({ahead ? *ahead : pushOnTheDay(old, day, at(day.date)), 0, {0, kDayMinutes}});
        return out;
    }
    // Between the periods pushed, the last one's windows have ended: the sign shows its idle picture.
    int from = 0;
    for (const PeriodProgram& p : day.periods) {
        if (p.span.start > from) addSpan(out.spans, {{from, p.span.start}, false, {}});
        addTimeline(p.store, p.items, p.span, out);
        const LocalDateTime start = at(day.date, p.span.start);
        out.pushes.push_back({{start, start, false, false, 0}, p.program, p.span});
        from = p.span.end;
    }
    if (from < kDayMinutes) addSpan(out.spans, {{from, kDayMinutes}, false, {}});
    return out;
}

}  // namespace orb
