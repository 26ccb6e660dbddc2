#include "editor/core/DayTimeline.h"

namespace orb {

namespace {

int minuteOf(const ClockTime& t) {
    return t.hour * 60 + t.minute;
}

// What the sign does during one minute.
TimelinePeriod minuteState(std::span<const ItemHeader> items, const SettingsBlock& s, int minute) {
    TimelinePeriod p{minute, minute + 1, false, {}};
    p.dark = s.onOffEnabled() &&
             !insideDailySpan({s.onHour(), s.onMinute()}, {s.offHour(), s.offMinute()}, minute);
    if (p.dark) return p;
    for (size_t i = 0; i < items.size(); ++i) {
        const ItemHeader& h = items[i];
        if (!isPlayable(h)) continue;
        if (s.windowMode() == 1 && !insideDailySpan(h.windowStart(), h.windowEnd(), minute)) continue;
        p.items.push_back(static_cast<int>(i));
    }
    return p;
}

}  // namespace

bool insideDailySpan(const ClockTime& start, const ClockTime& end, int minute) {
    const int a = minuteOf(start), b = minuteOf(end);
    if (a == b) return true;
    return a < b ? minute >= a && minute < b : minute >= a || minute < b;
}

std::vector<TimelinePeriod> dayTimeline(std::span<const ItemHeader> items, SettingsBlock settings) {
    settings.correct();
    std::vector<TimelinePeriod> periods;
    for (int minute = 0; minute < kMinutesPerDay; ++minute) {
        TimelinePeriod now = minuteState(items, settings, minute);
        if (!periods.empty() && periods.back().dark == now.dark && periods.back().items == now.items)
            periods.back().end = now.end;
        else
            periods.push_back(std::move(now));
    }
    return periods;
}

IoResult dayTimeline(const ItemStore& store, std::vector<TimelinePeriod>& out) {
    SettingsBlock settings;
    IoResult r = store.readSettings(settings);
    std::vector<ItemHeader> headers(static_cast<size_t>(store.itemCount()));
    for (size_t i = 0; i < headers.size() && r == IoResult::Ok; ++i)
        r = store.readHeader(static_cast<int>(i), headers[i]);
    if (r == IoResult::Ok) out = dayTimeline(headers, settings);
    return r;
}

}  // namespace orb
