// orbctl timeline: the sign's day as periods, as text or JSON.
#include <cstdio>
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

}  // namespace

int timelineCommand(const std::vector<std::string>& args) {
    std::string project, date;
    bool asJson = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--json") {
            asJson = true;
        } else if (args[i] == "--date" && i + 1 < args.size() && date.empty()) {
            date = args[++i];
            if (!validDate(date)) {
                std::fprintf(stderr, "--date: expected YYYY-MM-DD, not \"%s\"\n", date.c_str());
                return 2;
            }
        } else if (project.empty()) {
            project = args[i];
        } else {
            std::fputs("usage: orbctl timeline PROJECT [--date YYYY-MM-DD] [--json]\n", stderr);
            return 2;
        }
    }
    if (project.empty()) {
        std::fputs("usage: orbctl timeline PROJECT [--date YYYY-MM-DD] [--json]\n", stderr);
        return 2;
    }
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

}  // namespace orb
