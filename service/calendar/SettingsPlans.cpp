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

std::string stepLabel(const BrightnessPlan& plan, size_t step) {
    return planLabel(plan) + ": step " + std::to_string(step + 1) + " ";
}

bool minuteOfDay(int m) {
    return m >= 0 && m < kDayMinutes;
}

}  // namespace

std::string planLabel(const BrightnessPlan& plan) {
    return plan.id ? "brightness plan " + std::to_string(plan.id) : "the new brightness plan";
}

std::string planLabel(const OnOffPlan& plan) {
    return plan.id ? "ON/OFF plan " + std::to_string(plan.id) : "the new ON/OFF plan";
}

std::vector<std::string> validatePlan(const BrightnessPlan& plan) {
    std::vector<std::string> out;
    if (plan.steps.empty()) out.push_back(planLabel(plan) + ": has no step");
    for (size_t i = 0; i < plan.steps.size(); ++i) {
        const BrightnessStep& s = plan.steps[i];
        if (s.level < 1 || s.level > 10)
            out.push_back(stepLabel(plan, i) + "has level " + std::to_string(s.level) + " (1 to 10)");
        if (s.anchor == TimeAnchor::Clock && !minuteOfDay(s.minutes))
            out.push_back(stepLabel(plan, i) + "is at no time of day (00:00 to 23:59)");
        if (s.anchor != TimeAnchor::Clock && std::abs(s.minutes) > 12 * 60)
            out.push_back(stepLabel(plan, i) + "is more than 12 hours from the sun's time");
    }
    return out;
}

std::vector<std::string> validatePlan(const OnOffPlan& plan) {
    std::vector<std::string> out;
    for (size_t i = 0; i < plan.rules.size(); ++i) {
        const OnOffRule& r = plan.rules[i];
        const std::string who = planLabel(plan) + ": rule " + std::to_string(i + 1) + " ";
        if (r.from && r.to && *r.to < *r.from)
            out.push_back(who + "ends (" + r.to->text() + ") before it starts (" + r.from->text() + ")");
        if ((r.weekdays & kEveryDay) == 0) out.push_back(who + "has no weekday");
        if (r.switching && (!minuteOfDay(r.on) || !minuteOfDay(r.off)))
            out.push_back(who + "switches at no time of day (00:00 to 23:59)");
    }
    return out;
}

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
        out.push_back({clampToDay(base + s.minutes), std::clamp(s.level, 1, 10)});
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
