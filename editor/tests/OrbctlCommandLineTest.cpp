// orbctl's command line: --help of the program and of every subcommand, and usage errors that
// name what was wrong.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/tests/OrbctlRun.h"
#include "testsupport/ChildProcess.h"

namespace orb {
namespace {

using ::testing::HasSubstr;
using testing::Outcome;

struct Help {
    const char* command;
    std::vector<const char*> names;  // what its help must mention
};

TEST(OrbctlCommandLine, HelpOfTheProgramAndEverySubcommandEndsWithZeroAndNamesItsOptions) {
    const std::vector<Help> helps = {
        {"",
         {"list", "build", "send", "sign", "export", "import", "timeline", "add", "delete", "move",
          "set-line", "set"}},
        {"list", {"PROJECT"}},
        {"build", {"PROJECT", "-o", "IMAGE"}},
        {"send", {"PROJECT", "--verify", "--tcp", "--serial", "--baud", "115200"}},
        {"sign", {"--tcp", "--serial", "--baud", "size", "clock", "onoff", "window", "brightness"}},
        {"sign size", {"WIDTH", "HEIGHT", "5..40", "1..8"}},
        {"sign clock", {"--at"}},
        {"sign onoff", {"ENABLE", "ON", "OFF", "HH:MM"}},
        {"sign window", {"MODE", "0..1"}},
        {"sign brightness", {"LEVEL", "1..10"}},
        {"export", {"PROJECT", "-o"}},
        {"import", {"FILE", "-o", "PROJECT"}},
        {"timeline", {"PROJECT", "--date", "--json"}},
        {"add", {"PROJECT", "LAYOUT", "HEIGHT", "title-and-sentence"}},
        {"delete", {"PROJECT", "ROW"}},
        {"move", {"PROJECT", "FROM", "TO"}},
        {"set-line", {"PROJECT", "ROW", "LINE", "JSON", "1..3"}},
        {"set", {"PROJECT", "KEY", "VALUE", "brightness"}},
    };
    for (const Help& h : helps) {
        const Outcome r = orbctl(std::string(h.command) + " --help");
        EXPECT_EQ(r.status, 0) << h.command << ": " << r.output;
        EXPECT_THAT(r.output, HasSubstr("Usage: orbctl")) << h.command;
        for (const char* name : h.names) EXPECT_THAT(r.output, HasSubstr(name)) << h.command;
    }
}

TEST(OrbctlCommandLine, UnknownOptionsAreUsageErrorsNamingThem) {
    const struct {
        const char* command;
        const char* unknown;
    } cases[] = {
        {"list x --all", "--all"},
        {"build x -o y --fast", "--fast"},
        {"send x --udp", "--udp"},
        {"timeline x --week", "--week"},
        {"export x --pretty", "--pretty"},
        {"sign --tcp 127.0.0.1:1 --force size 10 2", "--force"},
        {"move x 1 2 3", "3"},
    };
    for (const auto& c : cases) {
        const Outcome r = orbctl(c.command);
        EXPECT_EQ(r.status, 2) << c.command;
        EXPECT_THAT(r.output, HasSubstr(std::string("expected: ") + c.unknown))
            << c.command << ": " << r.output;
    }
}

TEST(OrbctlCommandLine, BadValuesAreUsageErrorsNamingThem) {
    const struct {
        const char* command;
        const char* message;
    } cases[] = {
        {"sign --tcp 127.0.0.1:1 size 41 2", "WIDTH needs a number from 5 to 40"},
        {"sign --tcp 127.0.0.1:1 brightness 11", "LEVEL needs a number from 1 to 10"},
        {"sign --tcp 127.0.0.1:1 onoff 1 25:00 06:00", "ON: expected HH:MM"},
        {"sign --tcp 127.0.0.1:1 clock --at tomorrow", "--at"},
        {"sign --tcp nowhere size 10 2", "--tcp: needs HOST:PORT"},
        {"send x --tcp 127.0.0.1:70000", "--tcp: needs HOST:PORT"},
        {"send x --baud 9600 --serial /dev/null", "--baud belongs to the --serial before it"},
        {"set-line x 1 4 {}", "LINE needs a number from 1 to 3"},
        {"timeline x --date 2026-13-01", "--date: expected YYYY-MM-DD"},
        {"build x", "-o is required"},
        {"", "A subcommand is required"},
    };
    for (const auto& c : cases) {
        const Outcome r = orbctl(c.command);
        EXPECT_EQ(r.status, 2) << c.command << ": " << r.output;
        EXPECT_THAT(r.output, HasSubstr(std::string("orbctl: ") + c.message)) << c.command;
        EXPECT_THAT(r.output, HasSubstr("--help")) << c.command;
    }
}

TEST(OrbctlCommandLine, SignTakesOneLink) {
    const Outcome r = orbctl("sign --tcp 127.0.0.1:1 --tcp 127.0.0.1:2 window 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_THAT(r.output, HasSubstr("sign needs one LINK"));
    EXPECT_EQ(orbctl("sign window 1").status, 2);
}

}  // namespace
}  // namespace orb
