#pragma once
// What a sign plays through one day of its plan and the pushes that bring it there, from the day
// compiled as the scheduler compiles it (CompiledDay) and the push times it picks (PushTiming).
// The scheduler takes its decisions from the functions here, and the plan's views show them.
#include <optional>
#include <string>
#include <vector>

#include "image/LocalDateTime.h"
#include "service/calendar/CompiledDay.h"
#include "service/calendar/PushTiming.h"

namespace orb {

// Whether any period of DAY has a program: a day without one leaves the sign as it is.
bool usesCalendar(const DayPlan& day);

// The period of a fall-back day that plays at MINUTE (0..1439), -1 outside them all.
int periodAt(const CompiledDay& day, int minute);

// The program a sign holds at the end of DAY: its compiled program, the last period's with the
// fall-back; null when there is none.
const ItemStore* lastProgramOf(const CompiledDay& day);

// The push of DAY's compiled program to a sign holding OLD, seen at NOW before DAY begins, when it
// can go ahead of midnight without changing anything visible; nothing when it cannot.
std::optional<PushTime> pushAhead(const ItemStore* old, const CompiledDay& day, const LocalDateTime& now);

// When DAY's compiled program goes to a sign holding OLD, seen at NOW from DAY's start on.
PushTime pushOnTheDay(const ItemStore* old, const CompiledDay& day, const LocalDateTime& now);

// One item that plays: its program and its number there (0-based).
struct PlayedItem {
    ProgramId program = 0;
    int item = 0;
    bool operator==(const PlayedItem&) const = default;
};

// A part of the day: dark under ON/OFF, or the items that play in it (none: the idle picture).
struct PlayedSpan {
    MinuteSpan span;
    bool dark = false;
    std::vector<PlayedItem> items;
    bool operator==(const PlayedSpan&) const = default;
};

// A planned push: when the sign switches (PushTime), and the period's program with the fall-back
// (PROGRAM 0: the day's compiled program).
struct PlannedPush {
    PushTime time;
    ProgramId program = 0;
    MinuteSpan period;
};

struct PlayedDay {
    CalendarDate date;
    std::vector<PlayedSpan> spans;  // 00:00 to 24:00 in order; empty when the day leaves the sign as it is
    std::vector<PlannedPush> pushes;
    bool fallback = false;
    std::string message;  // with FALLBACK: why
    std::vector<std::string> problems;
};

// DAY (compiled from PLAN) as the sign plays it, after BEFORE (the day before compiled, null when
// not known): the day timeline of its program (the editor's DayTimeline) with each item named by
// the program and item it was compiled from, and its pushes: the compiled program ahead of
// midnight where nothing visible changes, else at 00:00; with the fall-back, each period's
// program as the period starts.
PlayedDay playedDay(const DayPlan& plan, const CompiledDay& day, const CompiledDay* before);

}  // namespace orb
