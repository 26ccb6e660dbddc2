// Resolving one year of plans for 1,000 signs with 10,000 calendar entries (the target: under a
// second). Each sign is in two of 100 groups, every group has an ON/OFF plan and a brightness plan
// that follows sunrise and sunset. Two mixes of entries, drawn from a fixed seed:
//  - Network: per group a weekday and a weekend program with no end, and 88 campaigns of 3 to 30
//    days (weekdays, daily spans such as lunch or a night passing midnight, higher priorities);
//    one short override for each sign. About ten entries hold a sign on a day.
//  - Dense: entries over a week to three months with random weekdays, spans and priorities, a
//    tenth of them open at either end: some thirty hold a sign on a day, two dozen overlapping.
#include <benchmark/benchmark.h>

#include <functional>
#include <random>

#include "service/calendar/PlanResolver.h"

namespace orb {
namespace {

constexpr int kSigns = 1000, kGroups = 100, kEntries = 10000;
const CalendarDate kYear{2026, 1, 1};

std::string groupName(int g) {
    return "group " + std::to_string(g);
}

struct Network {
    std::vector<PlanSign> signs;
    std::vector<CalendarEntry> entries;
    std::vector<BrightnessPlan> brightness;
    std::vector<OnOffPlan> onOff;
    HolidayCalendar holidays;
    std::mt19937 random{20260101};

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    CalendarEntry& add(ProgramId program, PlanTargets targets, int priority) {
        CalendarEntry& e = entries.emplace_back();
        e.id = e.created = static_cast<EntryId>(entries.size());
        e.program = program, e.targets = std::move(targets), e.priority = priority;
        return e;
    }

    explicit Network(const std::function<void(Network&)>& fill) {
        for (int s = 0; s < kSigns; ++s)
            signs.push_back({s + 1, {groupName(s % kGroups), groupName((s * 7 + 3) % kGroups)}, {}});
        fill(*this);
        for (int g = 0; g < kGroups; ++g) {
            const PlanTargets group{{}, {groupName(g)}};
            brightness.push_back(
                {g + 1, group, {{TimeAnchor::Sunrise, -30, 10}, {TimeAnchor::Sunset, 30, 3}}, g});
            OnOffPlan plan{g + 1, group, {}, g};
            plan.rules.push_back({{}, {}, kEveryDay, HolidayRule::Any, true, 6 * 60, 23 * 60});
            plan.rules.push_back({{}, {}, kEveryDay, HolidayRule::Only, false, 0, 0});
            onOff.push_back(std::move(plan));
        }
        holidays.year(2025), holidays.year(2026);  // the lunar calendar once, outside the timing
    }
};

void typical(Network& n) {
    constexpr int kSpans[][2] = {
        {11 * 60, 14 * 60}, {18 * 60, 23 * 60}, {22 * 60, 2 * 60}, {7 * 60, 10 * 60}};
    for (int g = 0; g < kGroups; ++g) {
        n.add(n.pick(1, 200), {{}, {groupName(g)}}, 0).weekdays = 0x1F;
        CalendarEntry& weekend = n.add(n.pick(1, 200), {{}, {groupName(g)}}, 0);
        weekend.weekdays = 0x60;
        CalendarEntry& holidays = n.add(n.pick(1, 200), {{}, {groupName(g)}}, 0);
        holidays.holidays = HolidayRule::Only;
    }
    while (n.entries.size() < kEntries - kSigns) {
        CalendarEntry& e = n.add(n.pick(1, 200), {{}, {groupName(n.pick(0, kGroups - 1))}}, n.pick(1, 2));
        e.from = kYear.plusDays(n.pick(-10, 364));
        e.to = e.from->plusDays(n.pick(3, 30));
        if (n.pick(0, 9) < 3) e.weekdays = static_cast<uint8_t>(n.pick(1, kEveryDay));
        if (n.pick(0, 1)) {
            const auto& span = kSpans[n.pick(0, 3)];
            e.start = span[0], e.end = span[1];
        }
    }
    for (int s = 1; s <= kSigns; ++s) {
        CalendarEntry& e = n.add(n.pick(1, 200), {{s}, {}}, 3);
        e.from = kYear.plusDays(n.pick(0, 364));
        e.to = e.from->plusDays(n.pick(1, 14));
    }
}

void dense(Network& n) {
    for (int i = 0; i < kEntries; ++i) {
        PlanTargets targets;
        if (n.pick(0, 9) < 8)
            targets.groups = {groupName(n.pick(0, kGroups - 1))};
        else
            for (int k = n.pick(1, 3); k > 0; --k) targets.signs.push_back(n.pick(1, kSigns));
        CalendarEntry& e = n.add(n.pick(1, 200), std::move(targets), n.pick(0, 3));
        const CalendarDate from = kYear.plusDays(n.pick(-30, 364));
        if (n.pick(0, 9) > 0) e.from = from;
        if (n.pick(0, 9) > 0) e.to = from.plusDays(n.pick(7, 90));
        if (n.pick(0, 9) < 4) e.weekdays = static_cast<uint8_t>(n.pick(1, kEveryDay));
        e.holidays = static_cast<HolidayRule>(n.pick(0, 9) < 8 ? 0 : n.pick(1, 2));
        if (n.pick(0, 1)) {
            e.start = n.pick(0, 95) * 15;
            do e.end = n.pick(0, 95) * 15;
            while (e.end == e.start);
        }
    }
}

void resolveYear(benchmark::State& state, const Network& network) {
    const SettingsPlans plans{network.brightness, network.onOff};
    size_t days = 0, periods = 0, conflicts = 0;
    for (auto _ : state) {
        days = periods = conflicts = 0;
        for (const PlanSign& sign : network.signs) {
            const std::vector<DayPlan> plan =
                resolvePlan(sign, network.entries, network.holidays, plans, kYear, {2026, 12, 31});
            days += plan.size();
            for (const DayPlan& d : plan) periods += d.periods.size(), conflicts += d.conflicts.size();
            benchmark::DoNotOptimize(plan.data());
        }
    }
    state.counters["days"] = static_cast<double>(days);
    state.counters["periods/day"] = static_cast<double>(periods) / static_cast<double>(days);
    state.counters["conflicts/day"] = static_cast<double>(conflicts) / static_cast<double>(days);
}

void BM_ResolveAYearForEverySign(benchmark::State& state) {
    static const Network network(typical);
    resolveYear(state, network);
}
BENCHMARK(BM_ResolveAYearForEverySign)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ResolveAYearForEverySignDense(benchmark::State& state) {
    static const Network network(dense);
    resolveYear(state, network);
}
BENCHMARK(BM_ResolveAYearForEverySignDense)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace orb

BENCHMARK_MAIN();
