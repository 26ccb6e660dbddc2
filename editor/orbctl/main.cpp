// orbctl: the editor's commands without a window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "editor/core/ListRow.h"
#include "image/ItemStore.h"

namespace orb {
namespace {

constexpr const char* kUsage =
    "usage: orbctl list PROJECT\n"
    "  list   print the item list of PROJECT (a \".dat\" project or \"data.tmp\"), one row per item,\n"
    "         the nine columns separated by tabs\n";

// The project's open refusals, as the editor words them.
const char* openMessage(IoResult r) {
    return r == IoResult::WrongSize ? "오픈할수 없는 파일입니다" : "오픈할수 없습니다";
}

// Tabs and line breaks inside a text would break the row format.
std::string oneLine(std::string s) {
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return s;
}

int listCommand(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ItemStore store;
    IoResult r = ItemStore::open(args[0], FileMode::ReadOnly, store);
    std::vector<ListRow> rows;
    if (r == IoResult::Ok) r = readListRows(store, rows);
    if (r != IoResult::Ok) {
        std::fprintf(stderr, "%s: %s\n", args[0].c_str(), openMessage(r));
        return 1;
    }
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

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
};

constexpr Command kCommands[] = {
    {"list", listCommand},
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
    std::fputs(orb::kUsage, stderr);
    return 2;
}
