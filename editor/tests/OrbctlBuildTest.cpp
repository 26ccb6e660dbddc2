// Runs the orbctl program itself, as a user or a script would.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "editor/core/PrintableLine.h"
#include "editor/core/ProgramWriter.h"
#include "editor/tests/OrbctlRun.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/PictureItem.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using testing::pictureItem;
using testing::TempDir;

using testing::Outcome;

std::string saveProject(const TempDir& dir, const std::vector<ItemRecord>& items,
                        const SettingsBlock& settings) {
    const std::string path = dir.file("project.dat");
    ItemStore store;
    EXPECT_EQ(ItemStore::open(path, FileMode::CreateOrOpen, store), IoResult::Ok);
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(store.writeRecord(static_cast<int>(i), items[i]), IoResult::Ok);
    EXPECT_EQ(store.writeSettings(settings), IoResult::Ok);
    return path;
}

TEST(OrbctlBuild, WritesTheBytesOfTheProgramWriterIntoTheFile) {
    TempDir dir;
    const std::string image = dir.file("preview.tmp");
    Outcome r = orbctl(std::string(EXAMPLE_PROJECT) + " -o " + image);
    ASSERT_EQ(r.status, 2) << "build needs its command word";
    r = orbctl("build " + std::string(EXAMPLE_PROJECT) + " -o " + image);
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    ASSERT_EQ(std::filesystem::file_size(image), ProgramImage::kSize);

    ItemStore store;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    ProgramPlan plan;
    ASSERT_EQ(planProgram(store, store.itemCount(), 10, 2, plan).result, PlanResult::Ok);
    ProgramImage written;
    ASSERT_EQ(ProgramImage::open(image, FileMode::ReadOnly, written), IoResult::Ok);
    for (const ProgramWrite& w : plan.writes) {
        std::vector<uint8_t> got(w.bytes.size());
        ASSERT_EQ(written.read(w.address, got), IoResult::Ok);
        EXPECT_EQ(got, w.bytes) << "at " << w.address;
    }
    ImageHeader h;
    ASSERT_EQ(written.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{10, 2, 5}));
}

TEST(OrbctlBuild, SignSizeIsCorrectedAsAtStartUp) {
    TempDir dir;
    SettingsBlock s;
    s.setSignWidth(41);
    s.setSignHeight(0);
    ItemRecord clock;
    clock.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    clock.header.setKind(1, ContentKind::Clock);
    const std::string project = saveProject(dir, {clock}, s);
    const auto before = testing::readFileBytes(project);
    ASSERT_EQ(orbctl("build " + project + " -o " + dir.file("p.tmp")).status, 0);
    ProgramImage image;
    ASSERT_EQ(ProgramImage::open(dir.file("p.tmp"), FileMode::ReadOnly, image), IoResult::Ok);
    ImageHeader h;
    ASSERT_EQ(image.readHeader(h), IoResult::Ok);
    EXPECT_EQ(h, (ImageHeader{6, 1, 1}));
    EXPECT_EQ(testing::readFileBytes(project), before);  // the project is only read
}

TEST(OrbctlBuild, RefusalsLeaveTheImageUntouched) {
    TempDir dir;
    const std::string image = dir.file("preview.tmp");

    // A project of the wrong size: no image is made.
    testing::writeFileBytes(dir.file("short.dat"), std::vector<uint8_t>(100, 0));
    Outcome r = orbctl("build " + dir.file("short.dat") + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("오픈할수 없는 파일입니다"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(image));

    // An image of the wrong size is refused, not overwritten.
    testing::writeFileBytes(image, std::vector<uint8_t>(1000, 9));
    r = orbctl("build " + std::string(EXAMPLE_PROJECT) + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(testing::readFileBytes(image), std::vector<uint8_t>(1000, 9));

    // A program too large for the sign's memory: refused, naming the item, before writing.
    const std::string big = dir.file("big.gif");
    testing::writeFileBytes(big, testing::repeatedFrames(800, 160, true, 40));
    ItemRecord three;
    three.header = ItemHeader::newItem(LayoutCode::ThreeLines, {1, 1, 1});
    for (int line = 1; line <= 3; ++line) {
        three.header.setKind(line, ContentKind::Animation);
        three.line(line).setPath(big);
    }
    const std::string project = saveProject(dir, std::vector<ItemRecord>(9, three), SettingsBlock{});
    ASSERT_EQ(createZeroFile(image, ProgramImage::kSize), IoResult::Ok);
    r = orbctl("build " + project + " -o " + image);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("9번째 아이템"), std::string::npos) << r.output;
    ProgramImage untouched;
    ASSERT_EQ(ProgramImage::open(image, FileMode::ReadOnly, untouched), IoResult::Ok);
    std::vector<uint8_t> start(512);
    ASSERT_EQ(untouched.readAtSector(5120, start), IoResult::Ok);
    EXPECT_EQ(start, std::vector<uint8_t>(512, 0));
}

TEST(OrbctlBuild, ReportsLinesWhoseFilesAreMissing) {
    TempDir dir;
    const std::string project =
        saveProject(dir, {pictureItem(ContentKind::Bitmap, dir.file("vanished.bmp"))}, SettingsBlock{});
    Outcome run = orbctl("build " + project + " -o " + dir.file("p.tmp"));
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("1번째 아이템 1번째줄"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("vanished.bmp"), std::string::npos);
}

TEST(HostileGifsStayWithinAMemoryBudget, BuildStaysUnder200Megabytes) {
    TempDir dir;
    struct Case {
        size_t frames;
        bool fits;
    };
    // 7 frames of 4 MiB are the largest animation the content area holds. A refusal comes before
    // decoding: it costs less processor time than building the 7 frames (wall-clock time would
    // depend on the machine's load).
    double buildSeconds = 0;
    for (const Case c : {Case{7, true}, Case{20, false}, Case{200, false}}) {
        const std::string gif = dir.file(std::to_string(c.frames) + ".gif");
        testing::writeFileBytes(gif, testing::repeatedFrames(4096, 4096, true, c.frames));
        const std::string project =
            saveProject(dir, {pictureItem(ContentKind::Animation, gif)}, SettingsBlock{});
        const testing::Measured m =
            testing::runMeasured({ORBCTL_PATH, "build", project, "-o", dir.file("p.tmp")});
        EXPECT_EQ(m.status, c.fits ? 0 : 1) << c.frames << " frames";
        EXPECT_LT(m.peakMb, 200.0) << c.frames << " frames";
        if (c.fits) {
            buildSeconds = m.cpuSeconds;
        } else {
            EXPECT_LT(m.cpuSeconds, buildSeconds / 2) << c.frames << " frames: refused before decoding";
        }
    }
}

TEST(SpecialFilesNeverBlock, OrbctlOnFifos) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    Outcome r = testing::runCommand("timeout 20 " + std::string(ORBCTL_PATH) + " list " + dir.file("fifo"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("오픈할수 없습니다"), std::string::npos);

    const std::string project = saveProject(dir,
                                            {pictureItem(ContentKind::Bitmap, dir.file("fifo")),
                                             pictureItem(ContentKind::Animation, dir.file("fifo"))},
                                            SettingsBlock{});
    r = testing::runCommand("timeout 20 " + std::string(ORBCTL_PATH) + " build " + project + " -o " +
                            dir.file("p.tmp"));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("1번째 아이템 1번째줄"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("2번째 아이템 1번째줄"), std::string::npos) << r.output;
    r = testing::runCommand("timeout 20 " + std::string(ORBCTL_PATH) + " build " + dir.file("fifo") + " -o " +
                            dir.file("p.tmp"));
    EXPECT_EQ(r.status, 1);
}

TEST(ProblemLinesAreOnePrintableLineEach, StoredPathsAreEscaped) {
    EXPECT_EQ(printableLine("그림.bmp: 파일을 오픈할수 없습니다"), "그림.bmp: 파일을 오픈할수 없습니다");
    EXPECT_EQ(printableLine("a\x1B[31mb\nc\rd\te\x7F"), "a\\x1B[31mb\\x0Ac\\x0Dd\\x09e\\x7F");
    EXPECT_EQ(printableLine("\xC2\x9B"
                            "1m \xE2\x80\xA8"),
              "\\x9B1m \\u{2028}");  // C1 CSI, line separator
    EXPECT_EQ(printableLine("\xFF\xC3(\xED\xA0\x80\xE2\x82"), "\\xFF\\xC3(\\xED\\xA0\\x80\\xE2\\x82");
    EXPECT_EQ(printableLine("C:\\x1B"), "C:\\\\x1B");  // an escape cannot be forged either

    TempDir dir;
    const std::string forged = dir.file("x\x1B]0;owned\x07\nforged line\x1B[2J.bmp");
    const std::string project = saveProject(dir, {pictureItem(ContentKind::Bitmap, forged)}, SettingsBlock{});
    const Outcome r = orbctl("build " + project + " -o " + dir.file("p.tmp"));
    EXPECT_EQ(r.status, 0);
    ASSERT_FALSE(r.output.empty());
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_EQ(r.output.back(), '\n');
    for (size_t i = 0; i + 1 < r.output.size(); ++i)
        EXPECT_FALSE(static_cast<unsigned char>(r.output[i]) < 0x20 || r.output[i] == 0x7F) << "at " << i;
    EXPECT_NE(r.output.find("\\x1B]0;owned\\x07\\x0Aforged line\\x1B[2J.bmp"), std::string::npos) << r.output;
}

TEST(OutOfRangeNumbersAreUsageErrors, OrbctlAndSignemuOptions) {
    for (const char* baud :
         {"18446744073709551616", "4294967296", "99999999999999999999999", "57601", "-1", "x"}) {
        const Outcome r = orbctl(std::string("sign --serial /dev/null --baud ") + baud + " brightness 3");
        EXPECT_EQ(r.status, 2) << baud;
        EXPECT_NE(r.output.find("--baud needs one of 1200"), std::string::npos) << baud << ": " << r.output;
        EXPECT_EQ(
            orbctl(std::string("send ") + EXAMPLE_PROJECT + " --serial /dev/null --baud " + baud).status, 2);
    }
    for (const char* option : {"--line-rate", "--no-answer-after", "--bad-sum-after", "--delay",
                               "--delay-frame", "--close-after"}) {
        for (const char* value :
             {"4294967295", "18446744073709551616", "99999999999999999999999", "-1", ""}) {
            const Outcome r = testing::runCommand("timeout 20 " + std::string(SIGNEMU_PATH) +
                                                  " --tcp 127.0.0.1:0 " + option + " '" + value + "'");
            EXPECT_EQ(r.status, 2) << option << " " << value << ": " << r.output;
            EXPECT_NE(r.output.find(std::string(option) + " needs a number from 0 to"), std::string::npos)
                << option << " " << value << ": " << r.output;
        }
    }
    const Outcome r =
        testing::runCommand("timeout 20 " + std::string(SIGNEMU_PATH) + " --tcp 127.0.0.1:0 --delay");
    EXPECT_EQ(r.status, 2);
}

TEST(LinksAndTemporaryFiles, BuildIntoADanglingLinkMakesItsTarget) {
    TempDir dir;
    std::filesystem::create_symlink("made.tmp", dir.path() / "preview.tmp");
    const Outcome r = orbctl("build " + std::string(EXAMPLE_PROJECT) + " -o " + dir.file("preview.tmp"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "preview.tmp"));
    EXPECT_EQ(std::filesystem::file_size(dir.path() / "made.tmp"), ProgramImage::kSize);
    size_t entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
    EXPECT_EQ(entries, 2u);  // no temporary file beside them
}

}  // namespace
}  // namespace orb
