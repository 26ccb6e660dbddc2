// The playback of a sign against what Glimmer shows: the frames of `Glimmer --headless --dump` of
// the same image at the same times, and the virtual sign's with ON/OFF and the display window.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "editor/core/ProgramWriter.h"
#include "link/SignFrame.h"
#include "service/live/SignPlayback.h"
#include "sign/VirtualSign.h"
#include "simulator/engine/SignClock.h"
#include "simulator/headless/HeadlessRun.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::TempDir;

constexpr LocalDateTime kSince{2026, 3, 2, 8, 59, 50};

// The example project built as the service builds a program: into an image in memory.
std::shared_ptr<ProgramImage> exampleImage() {
    ItemStore store;
    EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    ProgramPlan plan;
    EXPECT_EQ(planProgram(store, store.itemCount(), 10, 2, plan).result, PlanResult::Ok);
    auto image = std::make_shared<ProgramImage>();
    ImageSink sink(*image);
    EXPECT_EQ(writeProgram(plan, sink), IoResult::Ok);
    return image;
}

std::vector<uint8_t> bytesOf(const ProgramImage& image) {
    std::vector<uint8_t> bytes(ProgramImage::kSize);
    EXPECT_EQ(image.read(0, bytes), IoResult::Ok);
    return bytes;
}

// The blocks of a --dump: time to its rows.
std::map<uint64_t, std::string> parseDump(const std::string& text) {
    std::map<uint64_t, std::string> frames;
    std::istringstream in(text);
    std::string line, *rows = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("@ ", 0) == 0)
            rows = &frames[std::stoull(line.substr(2))];
        else if (rows && !line.empty())
            *rows += line + '\n';
    }
    return frames;
}

std::string atList(const std::vector<uint64_t>& times) {
    std::string list;
    for (uint64_t t : times) list += (list.empty() ? "" : ",") + std::to_string(t);
    return list;
}

SignInstant after(uint64_t ms) {
    return {shift(kSince, static_cast<int64_t>(ms / 1000)), static_cast<int>(ms % 1000)};
}

class SignPlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeTestFonts(fontDir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(fontDir.path().string(), failed)) << failed;
    }

    SignSettings exampleSettings() const {
        SignSettings s;
        s.width = 10, s.height = 2;
        return s;
    }

    // Asks the playback for each time in order and expects the frames of REFERENCE.
    void expectFrames(SignPlayback& playback, const std::vector<uint64_t>& asked,
                      const std::map<uint64_t, std::string>& reference) {
        for (uint64_t t : asked) {
            SCOPED_TRACE("at " + std::to_string(t) + " ms");
            std::string rows;
            ASSERT_EQ(playback.frameAt(after(t), rows), PlaybackResult::Ok);
            ASSERT_TRUE(reference.count(t));
            EXPECT_EQ(rows, reference.at(t));
            // The planes are the same frame.
            const ColourPlanes planes = playback.planes();
            for (int y = 0, i = 0; y < planes.height(); ++y, ++i)
                for (int x = 0; x < planes.width(); ++x, ++i)
                    ASSERT_EQ(rows[size_t(i)],
                              ".RGY"[int(planes.test(1, x, y)) + 2 * int(planes.test(2, x, y))]);
        }
    }

    TempDir dir, fontDir;
    SignFonts fonts;
};

TEST_F(SignPlaybackTest, FramesAreGlimmerHeadlessDumpsAtTheSameTimes) {
    const auto image = exampleImage();
    testing::writeFileBytes(dir.file("preview.tmp"), bytesOf(*image));
    // Times in order, across a minute; then one before them, played again from the start.
    const std::vector<uint64_t> asked = {0,     1,     700,   4321,   9999,  10000,
                                         15000, 70000, 70001, 125000, 15000, 125500};
    const testing::Outcome r = testing::runCommand(
        std::string(GLIMMER_PATH) + " --headless --image " + dir.file("preview.tmp") + " --fonts " +
        fontDir.path().string() + " --now \"2026-03-02 08:59:50\" --until 125500 --dump " +
        dir.file("dump.txt") + " --at " + atList(asked));
    ASSERT_EQ(r.status, 0) << r.output;
    const auto reference = parseDump(testing::readFileText(dir.file("dump.txt")));
    ASSERT_EQ(reference.size(), 11u);
    ASSERT_NE(reference.at(15000).find_first_not_of(".\n"), std::string::npos) << "the sign shows something";

    SignPlayback playback(image, exampleSettings(), {kSince, 0}, fonts, 86'400'000);
    expectFrames(playback, asked, reference);
    EXPECT_EQ(playback.geometry().pixels(), 160);
    EXPECT_EQ(playback.geometry().ledRows(), 32);
}

// The virtual sign given the same memory and settings, run headless as `Glimmer --sign` runs.
struct VirtualSignPlayer : HeadlessPlayer {
    explicit VirtualSignPlayer(VirtualSign& s) : sign(s) {}
    void pass(uint64_t nowMs, const LocalDateTime& now) override { sign.pass(nowMs, now); }
    uint64_t nextDeadline() const override { return sign.nextDeadline(); }
    const PlanePair& frame() const override { return sign.frame(); }
    const SignGeometry& geometry() const override { return sign.geometry(); }
    VirtualSign& sign;
};

TEST_F(SignPlaybackTest, OnOffAndTheDisplayWindowActAsOnTheVirtualSign) {
    const auto image = exampleImage();
    SignSettings settings = exampleSettings();
    settings.onOff = {true, 9, 0, 9, 1};  // lit from 09:00 to 09:01
    settings.windowMode = 1;              // the first item's window opens at 09:00
    settings.brightness = 4;

    std::vector<uint8_t> memory = bytesOf(*image);
    memory[ProgramImage::kWindowModeOffset] = 1;
    VirtualSign sign(fonts, 0, kSince);
    ASSERT_TRUE(sign.loadMemory(memory, 0, kSince));
    std::vector<uint8_t> out;
    std::vector<std::string> log;
    const SignFrame onOff = SignFrame::setOnOff(true, 9, 0, 9, 1);
    sign.receive(onOff.view(), Arrival::Continuing, out, log, 0, kSince);
    const SignFrame level = SignFrame::setBrightness(4);
    sign.receive(level.view(), Arrival::Continuing, out, log, 0, kSince);

    const std::vector<uint64_t> asked = {0, 5000, 9999, 10000, 10500, 40000, 69999, 70000, 70100, 75000};
    HeadlessOptions run;
    run.until = 75000;
    run.now = kSince;
    run.dump = dir.file("dump.txt");
    run.at = asked;
    VirtualSignPlayer player(sign);
    ASSERT_EQ(playHeadless(run, player), 0);
    const auto reference = parseDump(testing::readFileText(run.dump));

    SignPlayback playback(image, settings, {kSince, 0}, fonts, 86'400'000);
    expectFrames(playback, asked, reference);
    EXPECT_EQ(playback.brightness(), sign.brightness());
    // Dark before 09:00 and from 09:01 (once a pass has seen the minute), lit between.
    for (uint64_t t : {0, 9999, 70100, 75000})
        EXPECT_EQ(reference.at(t).find_first_not_of(".\n"), std::string::npos) << t;
    EXPECT_NE(reference.at(40000).find_first_not_of(".\n"), std::string::npos);
}

TEST_F(SignPlaybackTest, EachCallIsBoundedAndARefusalPlaysNothing) {
    SignPlayback playback(exampleImage(), exampleSettings(), {kSince, 250}, fonts, 60'000);
    std::string rows = "untouched";
    EXPECT_EQ(playback.frameAt({kSince, 249}, rows), PlaybackResult::BeforeSince);
    EXPECT_EQ(playback.frameAt(after(60'251), rows), PlaybackResult::TooFar);
    EXPECT_EQ(rows, "untouched");
    EXPECT_EQ(playback.playedMs(), -1);

    // Forward, each call within the limit of the last one.
    EXPECT_EQ(playback.playTo(after(30'250)), PlaybackResult::Ok);
    EXPECT_LE(playback.playedMs(), 30'000);
    EXPECT_EQ(playback.playTo(after(85'250)), PlaybackResult::Ok);
    const int64_t played = playback.playedMs();
    EXPECT_GT(played, 60'000);
    // An earlier time plays again from the start: refused when that is more than the limit.
    EXPECT_EQ(playback.playTo(after(65'000)), PlaybackResult::TooFar);
    EXPECT_EQ(playback.playedMs(), played);
    EXPECT_EQ(playback.playTo(after(20'250)), PlaybackResult::Ok);
    EXPECT_LE(playback.playedMs(), 20'000);
    EXPECT_STREQ(toText(PlaybackResult::TooFar), "the time lies too far from the last one played");
}

}  // namespace
}  // namespace orb
