// orbctl timeline: the sign's day as periods, as text or JSON.
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "editor/core/DayTimeline.h"
#include "editor/core/DocOutcome.h"
#include "editor/orbctl/OrbctlCommands.h"
#include "image/LocalDateTime.h"

namespace orb {

namespace {

std::string hhmm(int minutes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

const char* stateOf(const TimelinePeriod& p) {
    return p.dark ? "dark" : p.items.empty() ? "idle" : "playing";
}

bool validDate(const std::string& text) {
    int y = 0, m = 0, d = 0;
    char tail = 0;
    return text.size() == 10 && std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &tail) == 3 &&
           isCalendarDate(y, m, d);
}

std::string today() {
    const LocalDateTime now = currentLocalTime();
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", now.year, now.month, now.day);
    return text;
}

void printText(const std::string& date, const std::vector<TimelinePeriod>& periods) {
    std::printf("%s\n", date.c_str());
    for (const TimelinePeriod& p : periods) {
        std::string line = hhmm(p.start) + "-" + hhmm(p.end) + "\t" + stateOf(p);
        for (size_t k = 0; k < p.items.size(); ++k) line += (k ? " " : "\t") + std::to_string(p.items[k] + 1);
        std::printf("%s\n", line.c_str());
    }
}

void printJson(const std::string& date, const std::vector<TimelinePeriod>& periods) {
    nlohmann::ordered_json doc;
    doc["date"] = date;
    doc["periods"] = nlohmann::ordered_json::array();
    for (const TimelinePeriod& p : periods) {
        nlohmann::ordered_json items = nlohmann::ordered_json::array();
        for (int i : p.items) items.push_back(i + 1);
        doc["periods"].push_back({{"start", hhmm(p.start)},
                                  {"end", hhmm(p.end)},
                                  {"state", stateOf(p)},
                                  {"items", std::move(items)}});
    }
    std::printf("%s\n", doc.dump(2).c_str());
}

int timeline(const std::string& project, std::string date, bool asJson) {
    if (date.empty()) date = today();
    ItemStore store;
    std::vector<TimelinePeriod> periods;
    IoResult r = ItemStore::open(project, FileMode::ReadOnly, store);
    if (r == IoResult::Ok) r = dayTimeline(store, periods);
    if (r != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s\n", project.c_str(),
                     messageOf(r == IoResult::WrongSize ? DocOutcome::WrongSize : DocOutcome::CannotOpen)
                         .text.c_str());
        return 1;
    }
    asJson ? printJson(date, periods) : printText(date, periods);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

struct TimelineOptions {
    std::string project, date;
    bool asJson = false;
};

}  // namespace

void addTimelineCommand(CLI::App& app, int& exitCode) {
    auto o = std::make_shared<TimelineOptions>();
    CLI::App* sub =
        app.add_subcommand("timeline", "the day of the sign: when it is dark and which items it plays");
    sub->add_option("PROJECT", o->project, "the project file")->required();
    sub->add_option("--date", o->date, "the day (today when not given)")
        ->type_name("YYYY-MM-DD")
        ->check(
            [](const std::string& text) { return validDate(text) ? std::string() : "expected YYYY-MM-DD"; });
    sub->add_flag("--json", o->asJson, "the periods as JSON, for scripts");
    sub->callback([o, &exitCode] { exitCode = timeline(o->project, o->date, o->asJson); });
}

}  // namespace orb
