#include "service/calendar/SettingsPlans.h"

#include <algorithm>
#include <cmath>

namespace orb {

namespace {

// A plan for the sign itself beats one for a group, then the newer wins.
template <typename Plan>
const Plan* choosePlan(std::span<const Plan> plans, SignId sign, const std::vector<std::string>& groups) {
    const Plan* best = nullptr;
    bool bestDirect = false;
    for (const Plan& p : plans) {
        if (!targets(p.targets, sign, groups)) continue;
        const bool direct = namesSign(p.targets, sign);
        if (!best || std::pair(direct, p.created) > std::pair(bestDirect, best->created)) {
            best = &p;
            bestDirect = direct;
        }
    }
    return best;
}

int clampToDay(long minute) {
    return static_cast<int>(std::clamp<long>(minute, 0, kDayMinutes - 1));
}

}  // namespace

const BrightnessPlan* planFor(std::span<const BrightnessPlan> plans, SignId sign,
                              const std::vector<std::string>& groups) {
    return choosePlan(plans, sign, groups);
}

const OnOffPlan* planFor(std::span<const OnOffPlan> plans, SignId sign,
                         const std::vector<std::string>& groups) {
    return choosePlan(plans, sign, groups);
}

std::vector<TimedLevel> stepsOfDay(const BrightnessPlan& plan, const SunTimes& sun) {
    std::vector<TimedLevel> out;
    for (const BrightnessStep& s : plan.steps) {
        const std::optional<double> event = s.anchor == TimeAnchor::Sunrise  ? sun.sunrise
                                            : s.anchor == TimeAnchor::Sunset ? sun.sunset
                                                                             : std::optional<double>(0.0);
        if (!event) continue;
        const long base = s.anchor == TimeAnchor::Clock ? 0 : std::lround(*event / 60.0);
        out.push_back({clampToDay(base + s.minutes), s.level});
    }
    // Steps at one minute keep their list order: the later one is the level from then on.
    std::stable_sort(out.begin(), out.end(),
                     [](const TimedLevel& a, const TimedLevel& b) { return a.minute < b.minute; });
    return out;
}

std::vector<LevelSpan> levelsOfDay(const std::vector<TimedLevel>& today,
                                   const std::vector<TimedLevel>& yesterday) {
    std::vector<LevelSpan> out;
    const auto add = [&out](int from, int to, int level) {
        if (from >= to) return;
        if (!out.empty() && out.back().level == level)
            out.back().span.end = to;
        else
            out.push_back({{from, to}, level});
    };
    if (today.empty() && yesterday.empty()) return out;
    const int carried = !yesterday.empty() ? yesterday.back().level : today.back().level;
    int at = 0, level = carried;
    for (const TimedLevel& s : today) {
        add(at, s.minute, level);
        at = std::max(at, s.minute);
        level = s.level;
    }
    add(at, kDayMinutes, level);
    return out;
}

OnOffSetting onOffOfDay(const OnOffPlan& plan, const CalendarDate& day, bool holiday) {
    const OnOffRule* chosen = nullptr;
    for (const OnOffRule& r : plan.rules) {
        if (!appliesOn(r.from, r.to, r.weekdays, r.holidays, day, holiday)) continue;
        const bool dated = r.from || r.to;
        if (!chosen || dated || !(chosen->from || chosen->to)) chosen = &r;
    }
    if (!chosen || !chosen->switching) return {};
    return {true, chosen->on, chosen->off};
}

std::vector<MinuteSpan> darkSpans(const OnOffSetting& s) {
    if (!s.enabled || s.on == s.off) return {};
    if (s.on < s.off) {
        std::vector<MinuteSpan> out;
        if (s.on > 0) out.push_back({0, s.on});
        if (s.off < kDayMinutes) out.push_back({s.off, kDayMinutes});
        return out;
    }
    return {{s.off, s.on}};
}

}  // namespace orb
