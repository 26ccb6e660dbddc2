#pragma once
// A day of the sign, from 00:00 to 24:00: when the sign is dark through its ON/OFF times and, in
// between, which items it plays. An item plays when it has content (as the sequencer decides)
// and, with the display-window mode 1, while the time lies inside its display window; the items
// that are not played are skipped as the sequencer skips items without content, and when no item
// is left the sign shows its idle picture.
//
// Daily spans [start, end): an end before the start passes midnight; an end equal to the start
// is the whole day (the window of a new item, 00:00 to 00:00, and ON/OFF times that never switch).
#include <span>
#include <vector>

#include "image/ItemHeader.h"
#include "image/ItemStore.h"
#include "image/SettingsBlock.h"

namespace orb {

inline constexpr int kMinutesPerDay = 24 * 60;

struct TimelinePeriod {
    int start = 0;           // minutes after 00:00, 0..1439
    int end = 0;             // exclusive, 1..1440
    bool dark = false;       // switched off by the ON/OFF times
    std::vector<int> items;  // 0-based list positions played, in program order; none: the idle picture
    bool operator==(const TimelinePeriod&) const = default;
};

// Whether MINUTE (0..1439) lies inside the daily span from START to END.
bool insideDailySpan(const ClockTime& start, const ClockTime& end, int minute);

// The periods of one day, in order, covering 00:00 to 24:00 without gaps; neighbours differ.
// SETTINGS are taken as the editor reads them (values it does not accept are corrected).
std::vector<TimelinePeriod> dayTimeline(std::span<const ItemHeader> items, SettingsBlock settings);

// The same for the items and settings of a store.
IoResult dayTimeline(const ItemStore& store, std::vector<TimelinePeriod>& out);

}  // namespace orb
