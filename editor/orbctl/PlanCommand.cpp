// orbctl plan: what a sign plays day by day under a calendar kept in a JSON file, resolved by the
// same plan resolver the sign network service uses; given the programs' files, also what plays
// per time of day and the pushes, from each day compiled as the service compiles it.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "editor/orbctl/OrbctlCommands.h"
#include "service/calendar/CalendarJson.h"
#include "service/calendar/PlanResolver.h"
#include "service/calendar/PlayedDay.h"

namespace orb {

namespace {

struct PlanOptions {
    std::string calendar, from, to;
    int64_t sign = 0;
    std::vector<std::string> groups;
    std::vector<std::string> programs;  // ID=PROJECT
    int width = 6, height = 1;
    bool asJson = false;
};

using ProgramFiles = std::map<ProgramId, std::unique_ptr<ItemStore>>;

// Reads each ID=PROJECT; false after saying which cannot be.
bool readPrograms(const std::vector<std::string>& given, ProgramFiles& out) {
    for (const std::string& g : given) {
        const size_t eq = g.find('=');
        char* end = nullptr;
        const long long id = eq == std::string::npos ? 0 : std::strtoll(g.c_str(), &end, 10);
        if (eq == std::string::npos || end != g.c_str() + eq || id <= 0) {
            std::fprintf(stderr, "--program %s: expected ID=PROJECT\n", g.c_str());
            return false;
        }
        auto store = std::make_unique<ItemStore>();
        const std::string path = g.substr(eq + 1);
        if (ItemStore::open(path, FileMode::ReadOnly, *store) != IoResult::Ok) {
            std::fprintf(stderr, "%s: cannot be read as a project\n", path.c_str());
            return false;
        }
        out[id] = std::move(store);
    }
    return true;
}

// Each of DAYS compiled, after the day before (BEFORE).
std::vector<PlayedDay> playedDays(const std::vector<DayPlan>& days, const DayPlan& before,
                                  const ProgramFiles& files, const SignSize& size) {
    const ProgramSource source = [&files](ProgramId id) -> const ItemStore* {
        const auto it = files.find(id);
        return it == files.end() ? nullptr : it->second.get();
    };
    std::vector<PlayedDay> out;
    CompiledDay previous = compileDay(before, source, size);
    for (const DayPlan& d : days) {
        CompiledDay compiled = compileDay(d, source, size);
        out.push_back(playedDay(d, compiled, &previous));
        previous = std::move(compiled);
    }
    return out;
}

void printPlayed(const PlayedDay& p) {
    for (const PlayedSpan& s : p.spans) {
        std::string what = s.dark ? "dark" : s.items.empty() ? "idle" : "";
        for (const PlayedItem& i : s.items)
            what += (what.empty() ? "" : ", ") + std::to_string(i.program) + "#" + std::to_string(i.item + 1);
        std::printf("  %s-%s\tplays %s\n", minuteText(s.span.start).c_str(), minuteText(s.span.end).c_str(),
                    what.c_str());
    }
    for (const PlannedPush& push : p.pushes) {
        const LocalDateTime& at = push.time.at;
        const std::string what =
            push.program ? "program " + std::to_string(push.program) : "the compiled day";
        std::printf("  push %s %s %s%s\n", CalendarDate{at.year, at.month, at.day}.text().c_str(),
                    minuteText(at.hour * 60 + at.minute).c_str(), what.c_str(),
                    push.time.invisible ? " (nothing visible changes)" : "");
    }
    if (p.fallback) std::printf("  fall-back: %s\n", p.message.c_str());
    for (const std::string& problem : p.problems) std::printf("  %s\n", problem.c_str());
}

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
    ProgramFiles files;
    if (!readPrograms(o.programs, files)) return 1;
    const HolidayCalendar holidays;
    std::vector<DayPlan> days = resolvePlan({o.sign, o.groups, {}}, file.entries, holidays,
                                            {file.brightness, file.onOff}, from.plusDays(-1), to);
    const DayPlan before = std::move(days.front());
    days.erase(days.begin());
    std::vector<PlayedDay> played;
    if (!files.empty())
        played =
            playedDays(days, before, files, {static_cast<uint8_t>(o.width), static_cast<uint8_t>(o.height)});
    if (o.asJson)
        std::printf("%s\n", planJson(days, played).dump(2).c_str());
    else
        for (size_t i = 0; i < days.size(); ++i) {
            printDay(days[i]);
            if (i < played.size()) printPlayed(played[i]);
        }
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
    sub->add_option("--program", o->programs,
                    "a program's project file (repeatable): with them each day also tells what plays per "
                    "time of day and its pushes")
        ->type_name("ID=PROJECT");
    sub->add_option("--width", o->width, "the sign's width in modules, for compiling")
        ->check(CLI::Range(5, 40));
    sub->add_option("--height", o->height, "the sign's height in modules, for compiling")
        ->check(CLI::Range(1, 8));
    sub->add_flag("--json", o->asJson, "the plan as the service's API gives it");
    sub->callback([o, &exitCode] { exitCode = plan(*o); });
}

}  // namespace orb
