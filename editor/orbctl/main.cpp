// orbctl: the editor's commands without a window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/core/ListRow.h"
#include "editor/core/ProgramWriter.h"
#include "image/ItemStore.h"

namespace orb {
namespace {

constexpr const char* kUsage =
    "usage: orbctl list PROJECT\n"
    "       orbctl build PROJECT -o IMAGE\n"
    "  list   print the item list of PROJECT (a \".dat\" project or \"data.tmp\"), one row per item,\n"
    "         the nine columns separated by tabs\n"
    "  build  write the display program image of PROJECT into IMAGE (updated in place, created\n"
    "         zero-filled when missing), for the sign size of PROJECT's settings\n";

int usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The project's open refusals, as the editor words them.
const char* openMessage(IoResult r) {
    return r == IoResult::WrongSize ? "오픈할수 없는 파일입니다" : "오픈할수 없습니다";
}

bool report(const std::string& path, IoResult r) {
    if (r != IoResult::Ok) std::fprintf(stderr, "%s: %s\n", path.c_str(), openMessage(r));
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
    if (!report(args[0], ItemStore::open(args[0], FileMode::ReadOnly, store))) return 1;
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
    SettingsBlock settings;
    if (!report(project, ItemStore::open(project, FileMode::ReadOnly, store))) return 1;
    if (!report(project, store.readSettings(settings))) return 1;
    settings.correct();  // as the editor reads them at start-up; the project itself is left alone

    ProgramPlan plan;
    PlanOutcome planned =
        planProgram(store, store.itemCount(), settings.signWidth(), settings.signHeight(), plan);
    if (planned.result != PlanResult::Ok) {
        std::fprintf(stderr, "%s\n", planned.message.c_str());
        return 1;
    }
    for (const LineProblem& p : plan.problems)
        std::fprintf(stderr, "%d번째 아이템 %d번째줄: %s\n", p.item + 1, p.line, p.text.c_str());

    ProgramImage target;
    IoResult r = ProgramImage::open(image, FileMode::CreateOrOpen, target);
    if (r == IoResult::Ok) {
        ImageSink sink(target);
        r = writeProgram(plan, sink);
    }
    if (r != IoResult::Ok) {
        std::fprintf(stderr, "%s: 미리보기 파일을 만들수 없습니다 (%s)\n", image.c_str(), toText(r));
        return 1;
    }
    return 0;
}

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr Command kCommands[] = {
    {"list", listCommand},
    {"build", buildCommand},
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
