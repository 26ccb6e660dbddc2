// orbctl export, import and timeline, run as a script would.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "editor/core/ProgramJson.h"
#include "editor/tests/OrbctlRun.h"
#include "image/ItemStore.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/NotReplaceable.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using ::testing::HasSubstr;
using testing::Outcome;
using testing::TempDir;

void writeText(const std::string& path, const std::string& text) {
    testing::writeFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

TEST(OrbctlProgramText, ExportAndImportGiveBackTheExampleProject) {
    TempDir dir;
    const Outcome printed = orbctl(std::string("export ") + EXAMPLE_PROJECT);
    ASSERT_EQ(printed.status, 0) << printed.output;
    ASSERT_EQ(orbctl(std::string("export ") + EXAMPLE_PROJECT + " -o " + dir.file("demo.json")).status, 0);
    EXPECT_EQ(testing::readFileText(dir.file("demo.json")), printed.output);

    const Outcome imported = orbctl("import " + dir.file("demo.json") + " -o " + dir.file("back.dat"));
    ASSERT_EQ(imported.status, 0) << imported.output;
    EXPECT_EQ(imported.output, "");
    EXPECT_TRUE(testing::readFileBytes(dir.file("back.dat")) == testing::readFileBytes(EXAMPLE_PROJECT));

    const Outcome fromStdin = orbctl("import - -o " + dir.file("stdin.dat") + " < " + dir.file("demo.json"));
    ASSERT_EQ(fromStdin.status, 0) << fromStdin.output;
    EXPECT_TRUE(testing::readFileBytes(dir.file("stdin.dat")) == testing::readFileBytes(EXAMPLE_PROJECT));
}

TEST(OrbctlProgramText, AFailedImportLeavesTheProjectAndTheFolderAsTheyWere) {
    TempDir dir;
    const std::string project = dir.file("project.dat");
    std::filesystem::copy_file(EXAMPLE_PROJECT, project);
    const std::vector<uint8_t> before = testing::readFileBytes(project);
    writeText(dir.file("bad.json"), R"({"version": 1, "sign": {"width": 3, "height": 1},
      "items": [{"layout": "one", "heights": [1], "lines": [{"kind": "dday", "date": "2026-13-01", "runs": []}]}]})");
    const Outcome r = orbctl("import " + dir.file("bad.json") + " -o " + project);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("error: sign.width: expected a whole number from 5 to 40"));
    EXPECT_THAT(r.output, HasSubstr("error: items[0].lines[0].date: expected a date"));
    EXPECT_THAT(r.output, HasSubstr("nothing written"));
    EXPECT_TRUE(testing::readFileBytes(project) == before);
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 2u) << "a temporary file was left behind";
}

// Every command that writes a file refuses the same targets with the same words, as root and as
// an ordinary user, and leaves them as they were.
TEST(OrbctlWriters, RefuseWhatIsNotTheUsersRegularFile) {
    TempDir dir;
    const std::string json = dir.file("demo.json");
    ASSERT_EQ(orbctl(std::string("export ") + EXAMPLE_PROJECT + " -o " + json).status, 0);
    ::chmod(json.c_str(), 0644);
    const std::vector<std::string> writes = {std::string("export ") + EXAMPLE_PROJECT + " -o ",
                                             "import " + json + " -o ",
                                             std::string("build ") + EXAMPLE_PROJECT + " -o "};
    auto expectRefused = [&](const std::string& target, bool asOrdinaryUser) {
        for (const std::string& write : writes) {
            const std::string before = testing::stateOf(target);
            const std::string command = std::string(ORBCTL_PATH) + " " + write + target;
            const Outcome r =
                testing::runCommand(asOrdinaryUser ? testing::asOrdinaryUser(command) : command);
            EXPECT_EQ(r.status, 1) << command << ": " << r.output;
            EXPECT_THAT(r.output, HasSubstr(target + ": "));
            EXPECT_THAT(r.output, HasSubstr("not a writable regular file")) << command;
            EXPECT_EQ(testing::stateOf(target), before) << command;
        }
    };
    for (const std::string& target : testing::pathsNotToReplace(dir, ItemStore::kFileSize))
        expectRefused(target, false);
    if (const std::string others = testing::othersFile(dir, ItemStore::kFileSize); !others.empty())
        expectRefused(others, true);
}

TEST(OrbctlProgramText, HostileInputIsRefusedWithAMessage) {
    TempDir dir;
    const std::string project = dir.file("p.dat");
    writeText(dir.file("deep.json"), std::string(100000, '{'));
    Outcome r = orbctl("import " + dir.file("deep.json") + " -o " + project);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("error: "));
    EXPECT_FALSE(std::filesystem::exists(project));

    {
        std::FILE* f = std::fopen(dir.file("big.json").c_str(), "wb");
        ASSERT_TRUE(f);
        std::vector<char> spaces(1 << 20, ' ');
        for (int i = 0; i < 100; ++i) std::fwrite(spaces.data(), 1, spaces.size(), f);
        std::fclose(f);
    }
    r = orbctl("import " + dir.file("big.json") + " -o " + project);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("at most 33554432"));
    EXPECT_FALSE(std::filesystem::exists(project));

    r = orbctl("import " + dir.file("missing.json") + " -o " + project);
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("cannot read"));
    EXPECT_EQ(orbctl("import " + dir.file("deep.json")).status, 2) << "import needs -o";
    EXPECT_EQ(orbctl("export").status, 2);
    r = orbctl("export " + dir.file("deep.json"));
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("오픈할수 없는 파일입니다"));
}

// A hostile document costs what it is long: "4 x its size" leaves room for the input, the
// scan's buffers and one item's tree, never a tree of the whole.
TEST(HostileJsonStaysWithinAMemoryBudget, ImportPeaksUnderFourTimesItsInput) {
    TempDir dir;
    const std::string head = R"({"version": 1, "sign": {"width": 10, "height": 1}, "items": [)";
    // 10 M empty objects under a key the format does not have, nested within the array limit.
    std::string unknownKey = head + R"(], "extra": [)";
    std::string row = "[";
    for (int i = 0; i < 1024; ++i) row += i ? ",{}" : "{}";
    row += "]";
    std::string block = "[";
    for (int i = 0; i < 1024; ++i) block += (i ? "," : "") + row;
    block += "]";
    for (int i = 0; i < 10; ++i) unknownKey += (i ? "," : "") + block;
    unknownKey += "]}";
    // As many runs as the format's places hold and 32 MiB allow, each a little tree.
    std::string line = R"({"kind": "sentence", "runs": [)";
    for (int i = 0; i < 511; ++i) line += std::string(i ? "," : "") + R"({"text": "가"})";
    line += "]}";
    const std::string item =
        R"({"layout": "three", "heights": [1, 1, 1], "lines": [)" + line + "," + line + "," + line + "]}";
    std::string everyRun = head;
    for (int i = 0; i < 1024; ++i) everyRun += (i ? "," : "") + item;
    everyRun += "]}";

    for (const std::string* text : {&unknownKey, &everyRun}) {
        ASSERT_LE(text->size(), kMaxProgramJsonBytes);
        const std::string path = dir.file("hostile.json");
        writeText(path, *text);
        const testing::Measured m =
            testing::runMeasured({ORBCTL_PATH, "import", path, "-o", dir.file("hostile.dat")});
        const double inputMb = static_cast<double>(text->size()) / (1 << 20);
        EXPECT_EQ(m.status, 1) << inputMb << " MB";
        EXPECT_LT(m.peakMb, 4 * inputMb) << inputMb << " MB";
        EXPECT_FALSE(std::filesystem::exists(dir.file("hostile.dat")));
    }
}

TEST(OrbctlProgramText, TimelinePrintsTheDayAsTextAndJson) {
    TempDir dir;
    writeText(dir.file("day.json"), R"({"version": 1, "sign": {"width": 10, "height": 1},
      "onOff": {"enabled": true, "on": "06:00", "off": "22:00"}, "displayWindow": "inside",
      "items": [{"layout": "one", "heights": [1], "window": {"start": "08:00", "end": "20:00"},
                 "lines": [{"kind": "clock"}]},
                {"layout": "one", "heights": [1], "window": {"start": "12:00", "end": "13:00"},
                 "lines": [{"kind": "temperature"}]}]})");
    ASSERT_EQ(orbctl("import " + dir.file("day.json") + " -o " + dir.file("day.dat")).status, 0);
    Outcome r = orbctl("timeline " + dir.file("day.dat") + " --date 2026-12-24");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output,
              "2026-12-24\n"
              "00:00-06:00\tdark\n"
              "06:00-08:00\tidle\n"
              "08:00-12:00\tplaying\t1\n"
              "12:00-13:00\tplaying\t1 2\n"
              "13:00-20:00\tplaying\t1\n"
              "20:00-22:00\tidle\n"
              "22:00-24:00\tdark\n");
    r = orbctl("timeline " + dir.file("day.dat") + " --json --date 2026-12-24");
    ASSERT_EQ(r.status, 0) << r.output;
    const nlohmann::json doc = nlohmann::json::parse(r.output);
    EXPECT_EQ(doc["date"], "2026-12-24");
    ASSERT_EQ(doc["periods"].size(), 7u);
    EXPECT_EQ(
        doc["periods"][3],
        nlohmann::json::parse(R"({"start": "12:00", "end": "13:00", "state": "playing", "items": [1, 2]})"));
    EXPECT_EQ(orbctl("timeline " + dir.file("day.dat") + " --date 2026-02-30").status, 2);
}

}  // namespace
}  // namespace orb
