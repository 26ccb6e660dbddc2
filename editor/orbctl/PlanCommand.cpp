// orbctl plan: what a sign plays day by day under a calendar kept in a JSON file, resolved by the
// same plan resolver the sign network service uses.
#include <cstdio>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "editor/orbctl/OrbctlCommands.h"
#include "service/calendar/CalendarJson.h"
#include "service/calendar/PlanResolver.h"

namespace orb {

namespace {

struct PlanOptions {
    std::string calendar, from, to;
    int64_t sign = 0;
    std::vector<std::string> groups;
    bool asJson = false;
};

std::string spanText(const MinuteSpan& s) {
    return minuteText(s.start) + "-" + minuteText(s.end);
}

void printDay(const DayPlan& d) {
    std::printf("%s%s%s\n", d.date.text().c_str(), d.holiday.empty() ? "" : " ", d.holiday.c_str());
    for (const PlanPeriod& p : d.periods)
        std::printf("  %s\t%s\n", spanText(p.span).c_str(),
                    p.program ? ("program " + std::to_string(*p.program)).c_str() : "nothing");
    for (const PlanConflict& c : d.conflicts) {
        std::string over;
        for (EntryId e : c.overridden) over += (over.empty() ? "" : ", ") + std::to_string(e);
        std::printf("  %s\tentry %lld overrides %s\n", spanText(c.span).c_str(),
                    static_cast<long long>(c.winner), over.c_str());
    }
    for (const MinuteSpan& s : d.dark) std::printf("  %s\tdark\n", spanText(s).c_str());
    for (const LevelSpan& l : d.brightness)
        std::printf("  %s\tbrightness %d\n", spanText(l.span).c_str(), l.level);
    for (const std::string& p : d.problems) std::printf("  %s\n", p.c_str());
}

int plan(const PlanOptions& o) {
    std::ifstream in(o.calendar, std::ios::binary);
    const nlohmann::json doc = in ? nlohmann::json::parse(in, nullptr, false) : nlohmann::json();
    if (!in || doc.is_discarded()) {
        std::fprintf(stderr, "%s: %s\n", o.calendar.c_str(), in ? "not JSON" : "cannot be read");
        return 1;
    }
    CalendarFile file;
    const std::vector<std::string> problems = parseCalendarFile(doc, file);
    for (const std::string& p : problems) std::fprintf(stderr, "%s: %s\n", o.calendar.c_str(), p.c_str());
    if (!problems.empty()) return 1;
    const CalendarDate from = *parseCalendarDate(o.from);
    const CalendarDate to = o.to.empty() ? from : *parseCalendarDate(o.to);
    if (to < from || to.dayNumber() - from.dayNumber() > 3660) {
        std::fprintf(stderr, "--to: from %s, at most ten years on\n", o.from.c_str());
        return 1;
    }
    const HolidayCalendar holidays;
    const std::vector<DayPlan> days =
        resolvePlan({o.sign, o.groups, {}}, file.entries, holidays, {file.brightness, file.onOff}, from, to);
    if (o.asJson)
        std::printf("%s\n", planJson(days).dump(2).c_str());
    else
        for (const DayPlan& d : days) printDay(d);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

std::string checkDate(const std::string& text) {
    return parseCalendarDate(text) ? std::string() : "expected YYYY-MM-DD";
}

}  // namespace

void addPlanCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<PlanOptions>();
    CLI::App* sub = app.add_subcommand("plan", "what a sign plays day by day under a calendar file");
    sub->add_option("CALENDAR", o->calendar, "the calendar: {\"entries\", \"brightness\", \"onoff\"} as JSON")
        ->required();
    sub->add_option("--sign", o->sign, "the sign's id")->required();
    sub->add_option("--group", o->groups, "a group the sign is in (repeatable)");
    sub->add_option("--from", o->from, "the first day")
        ->type_name("YYYY-MM-DD")
        ->required()
        ->check(checkDate);
    sub->add_option("--to", o->to, "the last day (the first when not given)")
        ->type_name("YYYY-MM-DD")
        ->check(checkDate);
    sub->add_flag("--json", o->asJson, "the plan as the service's API gives it");
    sub->callback([o, &exitCode] { exitCode = plan(*o); });
}

}  // namespace orb
