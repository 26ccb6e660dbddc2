#pragma once
// A day's plan compiled into the one program the sign holds that day: each period's items, each
// with a display window that is the part of the day it plays (the period, cut by the item's own
// window when its program uses them), and display-window mode 1, so that the sign switches on
// the minute by itself. An item playing in several parts of the day gets one copy per part; a
// part reaching 24:00 and one from 00:00 make one window passing midnight, and the whole day is
// the window 00:00 to 00:00 (the sign's "whole day").
//
// A day that does not fit (more than 100 items, or more than the sign's memory) falls back to
// one program per period, pushed when the period starts: each holds its period's items with
// windows that end with the period, so a late push never shows the period before.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/ItemStore.h"
#include "service/calendar/DayPlan.h"

namespace orb {

struct SignSize {
    uint8_t width = 6;   // columns, 5..40
    uint8_t height = 1;  // tiers, 1..8
};

// The item store of a program, or null when it is gone. Stores stay valid while compiling.
using ProgramSource = std::function<const ItemStore*(ProgramId)>;

struct CompiledItem {
    ProgramId program = 0;
    int item = 0;  // 0-based in its program
    ClockTime windowStart, windowEnd;
    bool operator==(const CompiledItem&) const = default;
};

// A program pushed at the start of its period when the day does not fit.
struct PeriodProgram {
    MinuteSpan span;
    ProgramId program = 0;
    ItemStore store;
    std::vector<CompiledItem> items;
};

struct CompiledDay {
    CalendarDate date;
    // The day's program; its settings block holds the sign size, mode 1 and the day's ON/OFF.
    // Empty with FALLBACK.
    ItemStore store;
    std::vector<CompiledItem> items;
    uint64_t sectors = 0;  // of the sign's memory its contents take
    bool fallback = false;
    std::vector<PeriodProgram> periods;  // with FALLBACK: in day order
    std::string message;                 // with FALLBACK: why, naming the day
    // Periods that stay dark: their program is gone or unreadable, or does not fit even alone.
    std::vector<std::string> problems;
};

CompiledDay compileDay(const DayPlan& day, const ProgramSource& programs, const SignSize& size);

}  // namespace orb
