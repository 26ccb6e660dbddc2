// orbctl: the editor's commands without a window.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "editor/core/LinkChoice.h"
#include "editor/core/ListRow.h"
#include "editor/core/PreviewBuild.h"
#include "editor/core/PrintableLine.h"
#include "editor/core/ProjectFile.h"
#include "editor/core/SignCommands.h"
#include "editor/orbctl/OrbctlCommands.h"
#include "editor/orbctl/SignFanOut.h"
#include "image/DecimalNumber.h"
#include "image/LocalDateTime.h"

namespace orb {
namespace {

constexpr const char* kUsage =
    "usage: orbctl list PROJECT\n"
    "       orbctl build PROJECT -o IMAGE\n"
    "       orbctl send PROJECT [--verify] [LINK...]\n"
    "       orbctl sign LINK size WIDTH HEIGHT | clock [--at \"YYYY-MM-DD HH:MM:SS\"] |\n"
    "                        onoff ENABLE ON-HH:MM OFF-HH:MM | window MODE | brightness LEVEL\n"
    "  list   print the item list of PROJECT (a \".dat\" project or \"data.tmp\"), one row per item,\n"
    "         the nine columns separated by tabs\n"
    "  build  write the display program image of PROJECT into IMAGE (updated in place, created\n"
    "         zero-filled when missing), for the sign size of PROJECT's settings\n"
    "  send   send the program of PROJECT to the sign (over the link of PROJECT's settings\n"
    "         when no LINK is given), or to several signs at once; --verify reads it back\n"
    "  sign   the sign's settings: size in columns and tiers, clock (now unless --at), ON/OFF\n"
    "         times (ENABLE 0 or 1), display-window mode (0 or 1), brightness 1..10\n"
    "  LINK is --tcp HOST:PORT or --serial DEVICE [--baud N]\n";

int usage() {
    std::fputs(kUsage, stderr);
    std::fputs(kProgramTextUsage, stderr);
    std::fputs(kItemCommandsUsage, stderr);
    return 2;
}

// The project's open refusals, as the editor words them.
std::string openMessage(IoResult r) {
    return messageOf(r == IoResult::WrongSize ? DocOutcome::WrongSize : DocOutcome::CannotOpen).text;
}

bool report(const std::string& path, IoResult r) {
    if (r != IoResult::Ok) std::fprintf(stderr, "%s: %s\n", path.c_str(), openMessage(r).c_str());
    return r == IoResult::Ok;
}

// Tabs and line breaks inside a text would break the row format.
std::string oneLine(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return s;
}

int listCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) return usage();
    ItemStore store;
    std::vector<ListRow> rows;
    if (!report(args[0], loadStore(args[0], store))) return 1;
    if (!report(args[0], readListRows(store, rows))) return 1;
    for (const ListRow& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.columns.size(); ++c) {
            if (c) line += '\t';
            line += oneLine(row.columns[c]);
        }
        std::puts(line.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int buildCommand(const std::vector<std::string>& args) {
    std::string project, image;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            image = args[++i];
        else if (project.empty())
            project = args[i];
        else
            return usage();
    }
    if (project.empty() || image.empty()) return usage();

    ItemStore store;
    if (!report(project, loadStore(project, store))) return 1;
    const BuildOutcome built = buildImage(store, image);
    if (built.result == BuildResult::TooLarge || built.result == BuildResult::StoreUnreadable) {
        std::fprintf(stderr, "%s\n", built.message.c_str());
        return 1;
    }
    for (const LineProblem& p : built.problems)
        std::fprintf(stderr, "%d번째 아이템 %d번째줄: %s\n", p.item + 1, p.line,
                     printableLine(p.text).c_str());
    if (built.result == BuildResult::ImageFailed) {
        std::fprintf(stderr, "%s: 미리보기 파일을 만들수 없습니다 (%s)\n", image.c_str(), toText(built.io));
        return 1;
    }
    return 0;
}

// Takes a LINK from args at i; false with nothing taken when args[i] does not start one.
bool takeLink(const std::vector<std::string>& args, size_t& i, LinkChoice& link, bool& bad) {
    if (args[i] == "--tcp" && i + 1 < args.size()) {
        link.tcp = true;
        bad = !parseHostPort(args[++i], link.host, link.port);
        return true;
    }
    if (args[i] == "--serial" && i + 1 < args.size()) {
        link.tcp = false;
        link.serial.device = args[++i];
        link.serial.portNumber = 0;
        return true;
    }
    if (args[i] == "--baud" && i + 1 < args.size()) {
        const std::optional<uint64_t> v = parseDecimal(args[++i], 0, UINT32_MAX);
        bad = !v || std::find(std::begin(kBaudRates), std::end(kBaudRates), *v) == std::end(kBaudRates);
        if (bad) {
            std::string rates;
            for (uint32_t rate : kBaudRates) rates += (rates.empty() ? "" : ", ") + std::to_string(rate);
            std::fprintf(stderr, "orbctl: --baud needs one of %s\n", rates.c_str());
        }
        if (!bad) link.serial.baud = static_cast<uint32_t>(*v);
        return true;
    }
    return false;
}

// A serial port that cannot be opened is reported as the editor does; its frames then fail.
void openLinkReporting(const LinkChoice& choice, OpenLink& open) {
    if (!openLink(choice, open))
        std::fprintf(stderr, "%s: %s\n", choice.serial.device.c_str(), kPortOpenFailed);
}

int finish(const CommandOutcome& outcome) {
    std::printf("%s\n", outcome.message.c_str());
    std::fflush(stdout);
    return outcome.ok ? 0 : 1;
}

int sendCommand(const std::vector<std::string>& args) {
    std::string project;
    std::vector<LinkChoice> links;  // several: the same program to each sign at once
    bool verify = false;
    for (size_t i = 0; i < args.size(); ++i) {
        bool bad = false;
        if (args[i] == "--tcp" || args[i] == "--serial") links.emplace_back();
        if (args[i] == "--verify") {
            verify = true;
        } else if (!links.empty() && takeLink(args, i, links.back(), bad)) {
            if (bad) return usage();
        } else if (project.empty() && args[i].rfind("--", 0) != 0) {
            project = args[i];
        } else {
            return usage();
        }
    }
    if (project.empty()) return usage();
    ItemStore store;
    if (!report(project, loadStore(project, store))) return 1;
    if (links.empty()) links.push_back(linkFromSettings(correctedSettings(store)));

    std::vector<SignJob> jobs;
    for (const LinkChoice& link : links) {
        const std::string name = link.tcp ? link.host + ":" + std::to_string(link.port) : link.serial.device;
        jobs.push_back({name, [&store, link](const TransferOptions& options) {
                            OpenLink open;
                            openLinkReporting(link, open);
                            return transferProgram(open.link, store, options);
                        }});
    }
    return sendToSigns(jobs, verify);
}

bool parseClockTime(const std::string& text, uint8_t& hour, uint8_t& minute) {
    unsigned h = 0, m = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%u:%u%c", &h, &m, &tail) != 2 || h > 23 || m > 59) return false;
    hour = static_cast<uint8_t>(h), minute = static_cast<uint8_t>(m);
    return true;
}

bool parseNumber(const std::string& text, unsigned low, unsigned high, unsigned& out) {
    const std::optional<uint64_t> v = parseDecimal(text, low, high);
    if (v) out = static_cast<unsigned>(*v);
    return v.has_value();
}

int signCommand(const std::vector<std::string>& args) {
    LinkChoice link;
    bool given = false;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        bool bad = false;
        if (!takeLink(args, i, link, bad)) break;
        if (bad) return usage();
        given = true;
    }
    if (!given || i >= args.size()) return usage();
    const std::string what = args[i];
    const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i + 1), args.end());
    unsigned a = 0, b = 0;
    OpenLink open;
    if (what == "size" && rest.size() == 2 && parseNumber(rest[0], 5, 40, a) &&
        parseNumber(rest[1], 1, 8, b)) {
        openLinkReporting(link, open);
        return finish(applySize(open.link, static_cast<uint8_t>(a), static_cast<uint8_t>(b)));
    }
    if (what == "clock" && (rest.empty() || rest.size() == 2)) {
        LocalDateTime at = currentLocalTime();
        if (rest.size() == 2 && (rest[0] != "--at" || !parseLocalDateTime(rest[1], at))) return usage();
        openLinkReporting(link, open);
        return finish(setClock(open.link, at));
    }
    uint8_t onHour = 0, onMinute = 0, offHour = 0, offMinute = 0;
    if (what == "onoff" && rest.size() == 3 && parseNumber(rest[0], 0, 1, a) &&
        parseClockTime(rest[1], onHour, onMinute) && parseClockTime(rest[2], offHour, offMinute)) {
        openLinkReporting(link, open);
        return finish(applyOnOff(open.link, a == 1, onHour, onMinute, offHour, offMinute));
    }
    if (what == "window" && rest.size() == 1 && parseNumber(rest[0], 0, 1, a)) {
        openLinkReporting(link, open);
        return finish(applyDisplayWindow(open.link, static_cast<uint8_t>(a)));
    }
    if (what == "brightness" && rest.size() == 1 && parseNumber(rest[0], 1, 10, a)) {
        openLinkReporting(link, open);
        return finish(setBrightness(open.link, static_cast<uint8_t>(a - 1)));  // the menu shows 1..10
    }
    return usage();
}

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr Command kCommands[] = {
    {"list", listCommand},
    {"build", buildCommand},
    {"send", sendCommand},
    {"sign", signCommand},
    {"export", exportCommand},
    {"import", importCommand},
    {"timeline", timelineCommand},
    {"add", addCommand},
    {"delete", deleteCommand},
    {"move", moveCommand},
    {"set-line", setLineCommand},
    {"set", setCommand},
};

}  // namespace
}  // namespace orb

int main(int argc, char** argv) {
    if (argc >= 2) {
        for (const orb::Command& c : orb::kCommands) {
            if (std::strcmp(argv[1], c.name) == 0)
                return c.run(std::vector<std::string>(argv + 2, argv + argc));
        }
    }
    return orb::usage();
}
