// The shared parser's exit codes and number checks.
#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace orb {
namespace {

struct Parsed {
    std::optional<int> ended;
    std::string out, err;
};

Parsed run(CLI::App& app, std::vector<const char*> args) {
    args.insert(args.begin(), "prog");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Parsed p;
    p.ended = parseCommandLine(app, static_cast<int>(args.size()), args.data());
    p.out = testing::internal::GetCapturedStdout();
    p.err = testing::internal::GetCapturedStderr();
    return p;
}

struct Fixture : ::testing::Test {
    CLI::App app{"test program", "prog"};
    uint32_t count = 7;
    Fixture() {
        setUpCommandLine(app);
        addNumber(app, "--count", count, 1, 100, "how many");
    }
};

TEST_F(Fixture, NumbersInRangeAreTaken) {
    EXPECT_FALSE(run(app, {"--count", "100"}).ended);
    EXPECT_EQ(count, 100u);
}

TEST_F(Fixture, NumbersOutOfRangeAreUsageErrorsWordedLikeRangeMessage) {
    for (const char* bad : {"0", "101", "-1", "x", "", "4294967297", "18446744073709551616"}) {
        count = 7;
        const Parsed p = run(app, {"--count", bad});
        EXPECT_EQ(p.ended, 2) << bad;
        EXPECT_NE(p.err.find("prog: --count needs a number from 1 to 100"), std::string::npos) << p.err;
        EXPECT_EQ(count, 7u) << "a refused value is not stored";
    }
}

TEST_F(Fixture, HelpEndsWithZeroAndNamesTheOptions) {
    const Parsed p = run(app, {"--help"});
    EXPECT_EQ(p.ended, 0);
    EXPECT_NE(p.out.find("--count"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("(1..100)"), std::string::npos) << p.out;
}

TEST_F(Fixture, UnknownOptionsAndMissingValuesAreUsageErrors) {
    Parsed p = run(app, {"--counts", "3"});
    EXPECT_EQ(p.ended, 2);
    EXPECT_NE(p.err.find("--counts"), std::string::npos) << p.err;
    EXPECT_NE(p.err.find("--help"), std::string::npos) << p.err;
    EXPECT_EQ(run(app, {"--count"}).ended, 2);
}

}  // namespace
}  // namespace orb
