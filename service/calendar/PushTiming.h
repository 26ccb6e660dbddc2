#pragma once
// When to push a new compiled program so that nothing visible changes late, and how late a push
// that happened was. Both programs are compared minute by minute as the sign would play them
// (DayTimeline: the ON/OFF times and display windows of their settings): at a minute they "show
// the same" when both are dark, or both play the same items (by content, whatever their windows)
// in the same order.
//
// The new program is right from EFFECTIVE on (the start of its day, or the moment the plan
// changed) and the old one before. A push at a minute where both show the same, and where they
// go on showing the same up to EFFECTIVE, changes nothing visible: the sign only starts its
// items over (or, dark, not even that). The choice is the earliest such minute from now on,
// a minute dark in both preferred; when there is none, EFFECTIVE itself, the first moment that
// differs.
#include "image/ItemStore.h"
#include "image/LocalDateTime.h"

namespace orb {

struct PushTime {
    LocalDateTime at;     // when the sign should switch (its SignApply)
    LocalDateTime until;  // the switch stays invisible up to here (exclusive); == at when it is not
    bool invisible = false;
    bool dark = false;    // both programs are dark at AT
    int lateMinutes = 0;  // already late by this much at NOW: the programs differed since then
};

// OLD: what the sign holds, null when that is not known (then: push now). Times are the sign's
// local times, to the minute.
PushTime choosePushTime(const ItemStore* old, const ItemStore& next, const LocalDateTime& effective,
                        const LocalDateTime& now);

// How a push that switched the sign at APPLIED went: the minutes before EFFECTIVE during which
// the new program showed something else than the old would have (early), and those from EFFECTIVE
// on during which the old one still showed something else than the new (late).
struct SwitchDelay {
    int earlyMinutes = 0;
    int lateMinutes = 0;
};
SwitchDelay switchDelay(const ItemStore* old, const ItemStore& next, const LocalDateTime& effective,
                        const LocalDateTime& applied);

}  // namespace orb
