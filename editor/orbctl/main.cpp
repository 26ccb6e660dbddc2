// orbctl: the editor's commands without a window.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "editor/core/LinkChoice.h"
#include "editor/core/ListRow.h"
#include "editor/core/PreviewBuild.h"
#include "editor/core/PrintableLine.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProjectFile.h"
#include "editor/core/SignCommands.h"
#include "editor/orbctl/LinkOptions.h"
#include "editor/orbctl/OrbctlCommands.h"
#include "editor/orbctl/SignFanOut.h"
#include "image/DecimalNumber.h"
#include "image/LocalDateTime.h"

namespace orb {
namespace {

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

int listProject(const std::string& project) {
    ItemStore store;
    std::vector<ListRow> rows;
    if (!report(project, loadStore(project, store))) return 1;
    if (!report(project, readListRows(store, rows))) return 1;
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

int buildProject(const std::string& project, const std::string& image) {
    ItemStore store;
    if (!report(project, loadStore(project, store))) return 1;
    const BuildOutcome built = buildImage(store, image);
    if (built.result == BuildResult::TooLarge || built.result == BuildResult::StoreUnreadable) {
        std::fprintf(stderr, "%s\n", built.message.c_str());
        return 1;
    }
    for (const LineProblem& p : built.problems) std::fprintf(stderr, "%s\n", printableLine(describe(p)).c_str());
    if (built.result == BuildResult::ImageFailed) {
        std::fprintf(stderr, "%s: 미리보기 파일을 만들수 없습니다 (%s)\n", image.c_str(), toText(built.io));
        return 1;
    }
    return 0;
}

int finish(const CommandOutcome& outcome) {
    std::printf("%s\n", outcome.message.c_str());
    std::fflush(stdout);
    return outcome.ok ? 0 : 1;
}

int sendProject(const std::string& project, std::vector<LinkChoice> links, bool verify) {
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

// A sign command: its subcommand, whose callback opens the link and runs `run`.
template <typename Run>
CLI::App* signCommand(CLI::App& sign, int& exitCode, const char* name, const char* description, Run run) {
    CLI::App* sub = sign.add_subcommand(name, description);
    sub->callback([&sign, &exitCode, run] {
        const LinkChoice link = oneLink(sign);
        OpenLink open;
        openLinkReporting(link, open);
        exitCode = finish(run(open.link));
    });
    return sub;
}

// A positional HH:MM, parsed once into `into`.
CLI::Option* addClockTime(CLI::App& sub, const std::string& name, ClockTime& into, const std::string& description) {
    return sub
        .add_option_function<std::string>(
            name,
            [name, &into](const std::string& text) {
                const std::optional<ClockTime> t = parseClockText(text);
                if (!t) throw CLI::ValidationError(name, "expected HH:MM");
                into = *t;
            },
            description)
        ->type_name("HH:MM")
        ->required();
}

struct SignValues {
    unsigned width = 0, height = 0, enable = 0, mode = 0, level = 0;
    std::optional<LocalDateTime> at;
    ClockTime on, off;
};

void addSignCommands(CLI::App& app, int& exitCode) {
    CLI::App* sign = app.add_subcommand("sign", "the sign's settings, over LINK");
    addLinkOptions(*sign);
    sign->require_subcommand(1);
    auto v = std::make_shared<SignValues>();
    CLI::App* sub =
        signCommand(*sign, exitCode, "size", "the sign's size in columns and tiers", [v](SignLink& l) {
            return applySize(l, static_cast<uint8_t>(v->width), static_cast<uint8_t>(v->height));
        });
    addNumber(*sub, "WIDTH", v->width, 5, 40, "columns")->required();
    addNumber(*sub, "HEIGHT", v->height, 1, 8, "tiers")->required();

    sub = signCommand(*sign, exitCode, "clock", "set the sign's clock", [v](SignLink& l) {
        return setClock(l, v->at.value_or(currentLocalTime()));
    });
    sub->add_option_function<std::string>(
           "--at",
           [v](const std::string& text) {
               LocalDateTime at;
               if (!parseLocalDateTime(text, at))
                   throw CLI::ValidationError("--at", "expected \"YYYY-MM-DD HH:MM:SS\"");
               v->at = at;
           },
           "this time instead of now")
        ->type_name("\"YYYY-MM-DD HH:MM:SS\"");

    sub = signCommand(*sign, exitCode, "onoff", "the ON/OFF times", [v](SignLink& l) {
        return applyOnOff(l, v->enable == 1, v->on.hour, v->on.minute, v->off.hour, v->off.minute);
    });
    addNumber(*sub, "ENABLE", v->enable, 0, 1, "1 turns the times on")->required();
    addClockTime(*sub, "ON", v->on, "when the sign lights up");
    addClockTime(*sub, "OFF", v->off, "when it goes dark");

    sub = signCommand(*sign, exitCode, "window", "the display-window mode",
                      [v](SignLink& l) { return applyDisplayWindow(l, static_cast<uint8_t>(v->mode)); });
    addNumber(*sub, "MODE", v->mode, 0, 1, "1 plays each item only in its display window")->required();

    sub = signCommand(*sign, exitCode, "brightness", "the brightness", [v](SignLink& l) {
        return setBrightness(l, static_cast<uint8_t>(v->level - 1));  // the menu shows 1..10
    });
    addNumber(*sub, "LEVEL", v->level, 1, 10, "as the menu shows it")->required();
}

struct ProjectArgs {
    std::string project, image;
    bool verify = false;
};

void addProjectCommands(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<ProjectArgs>();
    CLI::App* sub = app.add_subcommand("list",
                                       "print the item list of PROJECT, one row per item, the nine "
                                       "columns separated by tabs");
    sub->add_option("PROJECT", a->project, "a \".dat\" project or \"data.tmp\"")->required();
    sub->callback([a, &exitCode] { exitCode = listProject(a->project); });

    sub = app.add_subcommand("build",
                             "write the display program image of PROJECT for the sign size of its "
                             "settings");
    sub->add_option("PROJECT", a->project, "the project file")->required();
    sub->add_option("-o", a->image, "updated in place, created zero-filled when missing")
        ->type_name("IMAGE")
        ->required();
    sub->callback([a, &exitCode] { exitCode = buildProject(a->project, a->image); });

    sub = app.add_subcommand("send",
                             "send the program of PROJECT to the sign over the link of its settings, "
                             "or to every LINK given at once");
    sub->add_option("PROJECT", a->project, "the project file")->required();
    sub->add_flag("--verify", a->verify, "read the program back and compare");
    addLinkOptions(*sub);
    sub->callback([a, sub, &exitCode] { exitCode = sendProject(a->project, linksOf(*sub), a->verify); });
}

}  // namespace
}  // namespace orb

int main(int argc, char** argv) {
    CLI::App app("The editor's commands without a window.", "orbctl");
    orb::setUpCommandLine(app);
    app.require_subcommand(1);
    int exitCode = 0;
    orb::addProjectCommands(app, exitCode);
    orb::addSignCommands(app, exitCode);
    orb::addProgramTextCommands(app, exitCode);
    orb::addTimelineCommand(app, exitCode);
    orb::addPlanCommand(app, exitCode);
    orb::addItemCommands(app, exitCode);
    orb::addPullCommand(app, exitCode);
    if (const std::optional<int> ended = orb::parseCommandLine(app, argc, argv)) return *ended;
    return exitCode;
}
