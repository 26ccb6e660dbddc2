#include "service/calendar/CompiledDay.h"

#include <bitset>
#include <map>

#include "editor/core/DayTimeline.h"
#include "editor/core/PreviewBuild.h"
#include "editor/core/ProgramWriter.h"

namespace orb {

namespace {

using DayMinutes = std::bitset<kDayMinutes>;

// One item of one program and the minutes of the day it plays.
struct ItemUse {
    ProgramId program;
    int item;
    ItemRecord record;
    DayMinutes minutes;
};

std::string spanText(const MinuteSpan& s) {
    return minuteText(s.start) + "-" + minuteText(s.end);
}

class Collector {
  public:
    Collector(const ProgramSource& programs, std::vector<std::string>& problems)
        : programs_(programs), problems_(problems) {}

    // Adds the items PROGRAM plays during SPAN.
    void add(ProgramId program, const MinuteSpan& span) {
        const ItemStore* store = programs_ ? programs_(program) : nullptr;
        const std::string where = spanText(span) + ": program " + std::to_string(program);
        if (!store) return problems_.push_back(where + " is not available; the period stays dark");
        SettingsBlock settings;
        if (store->readSettings(settings) != IoResult::Ok)
            return problems_.push_back(where + " cannot be read; the period stays dark");
        settings.correct();
        const int count = store->itemCount();
        for (int i = 0; i < count; ++i) {
            ItemRecord record;
            if (store->readRecord(i, record) != IoResult::Ok) {
                problems_.push_back(where + " item " + std::to_string(i + 1) + " cannot be read; left out");
                continue;
            }
            if (!isPlayable(record.header)) continue;
            DayMinutes minutes;
            const bool windowed = settings.windowMode() == 1;
            for (int m = span.start; m < span.end; ++m)
                if (!windowed || insideDailySpan(record.header.windowStart(), record.header.windowEnd(), m))
                    minutes.set(static_cast<size_t>(m));
            if (minutes.none()) continue;
            const auto [found, added] = index_.try_emplace({program, i}, uses_.size());
            if (added) uses_.push_back({program, i, record, {}});
            uses_[found->second].minutes |= minutes;
        }
    }

    std::vector<ItemUse>& uses() { return uses_; }

  private:
    const ProgramSource& programs_;
    std::vector<std::string>& problems_;
    std::map<std::pair<ProgramId, int>, size_t> index_;
    std::vector<ItemUse> uses_;  // in the order first seen: period by period, then item order
};

ClockTime clockOf(int minute) {
    minute %= kDayMinutes;
    return {static_cast<uint8_t>(minute / 60), static_cast<uint8_t>(minute % 60)};
}

// The daily windows that cover MINUTES exactly, a run to 24:00 and one from 00:00 joined.
std::vector<std::pair<ClockTime, ClockTime>> windowsOf(const DayMinutes& minutes) {
    if (minutes.all()) return {{{0, 0}, {0, 0}}};
    std::vector<MinuteSpan> runs;
    for (int m = 0; m < kDayMinutes; ++m) {
        if (!minutes.test(static_cast<size_t>(m))) continue;
        if (!runs.empty() && runs.back().end == m)
            runs.back().end = m + 1;
        else
            runs.push_back({m, m + 1});
    }
    std::vector<std::pair<ClockTime, ClockTime>> out;
    size_t first = 0, last = runs.size();
    if (runs.size() > 1 && runs.front().start == 0 && runs.back().end == kDayMinutes) {
        out.push_back({clockOf(runs.back().start), clockOf(runs.front().end)});
        first = 1, last = runs.size() - 1;
    }
    for (size_t i = first; i < last; ++i) out.push_back({clockOf(runs[i].start), clockOf(runs[i].end)});
    return out;
}

struct Program {
    ItemStore store;
    std::vector<CompiledItem> items;
    uint64_t sectors = 0;
    int needed = 0;  // items, counting those past the limit
    bool fits() const { return needed <= ItemStore::kRecords && sectors <= MemoryUse::kCapacity; }
};

// The sectors of each item, worked out once: pictures are decoded to count them.
using SectorCache = std::map<std::pair<ProgramId, int>, uint64_t>;

Program build(std::vector<ItemUse>& uses, const DayPlan& day, const SignSize& size, SectorCache& sectors) {
    Program p;
    for (const ItemUse& use : uses) {
        const auto windows = windowsOf(use.minutes);
        const auto [cached, added] = sectors.try_emplace({use.program, use.item}, 0);
        if (added) cached->second = itemSectors(use.record);
        p.sectors += cached->second * windows.size();
        for (const auto& [start, end] : windows) {
            if (p.needed++ >= ItemStore::kRecords) continue;
            ItemRecord copy = use.record;
            copy.header.setWindow(start, end);
            p.store.writeRecord(static_cast<int>(p.items.size()), copy);
            p.items.push_back({use.program, use.item, start, end});
        }
    }
    SettingsBlock s;
    s.setComPort(1);
    s.setSignWidth(size.width), s.setSignHeight(size.height);
    s.setWindowMode(1);
    s.setOnOffEnabled(day.onOff.enabled);
    s.setOnOffTimes(static_cast<uint8_t>(day.onOff.on / 60), static_cast<uint8_t>(day.onOff.on % 60),
                    static_cast<uint8_t>(day.onOff.off / 60), static_cast<uint8_t>(day.onOff.off % 60));
    s.setBrightness(static_cast<uint8_t>(day.brightness.empty() ? 9 : day.brightness.front().level - 1));
    p.store.writeSettings(s);
    return p;
}

std::string tooMuch(const DayPlan& day, const Program& p) {
    std::string why =
        p.needed > ItemStore::kRecords
            ? std::to_string(p.needed) + " items (the sign holds " + std::to_string(ItemStore::kRecords) + ")"
            : std::to_string(p.sectors) + " sectors of memory (the sign has " +
                  std::to_string(MemoryUse::kCapacity) + ")";
    return day.date.text() + ": the day's programs need " + why +
           "; each period's program is pushed when the period starts";
}

}  // namespace

CompiledDay compileDay(const DayPlan& day, const ProgramSource& programs, const SignSize& size) {
    CompiledDay out;
    out.date = day.date;
    Collector all(programs, out.problems);
    for (const PlanPeriod& p : day.periods)
        if (p.program) all.add(*p.program, p.span);
    SectorCache sectors;
    Program whole = build(all.uses(), day, size, sectors);
    out.sectors = whole.sectors;
    if (whole.fits()) {
        out.store = std::move(whole.store);
        out.items = std::move(whole.items);
        return out;
    }
    out.fallback = true;
    out.message = tooMuch(day, whole);
    std::vector<std::string> ignored;  // the whole day's pass reported them already
    for (const PlanPeriod& p : day.periods) {
        if (!p.program) continue;
        Collector one(programs, ignored);
        one.add(*p.program, p.span);
        // Nothing to play (or the program is gone, said above): the earlier windows have ended.
        if (one.uses().empty()) continue;
        Program alone = build(one.uses(), day, size, sectors);
        if (!alone.fits()) {
            out.problems.push_back(spanText(p.span) + ": program " + std::to_string(*p.program) +
                                   " does not fit the sign even alone; the period stays dark");
            continue;
        }
        out.periods.push_back({p.span, *p.program, std::move(alone.store), std::move(alone.items)});
    }
    return out;
}

}  // namespace orb
