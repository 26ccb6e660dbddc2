// The frame a sign shows, from what the store says it holds and was given: the program played
// from its SignApply at the sign's size, dark in its OFF hours, started again when what it holds
// changes, and refused outside the times that may be asked for.
#include "service/core/SignFrames.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <thread>

#include "editor/core/ProgramWriter.h"
#include "service/core/tests/StoreFixture.h"
#include "testsupport/TestFonts.h"

namespace orb {
namespace {

using testing::TempDir;

class SignFramesTest : public testing::StoreFixture {
  protected:
    void SetUp() override {
        StoreFixture::SetUp();
        testing::writeTestFonts(fontDir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(fontDir.path().string(), failed)) << failed;
        std::ifstream in(EXAMPLE_PROJECT, std::ios::binary);
        std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        ItemStore items;
        ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, items), IoResult::Ok);
        itemCount = items.itemCount();
        ProgramVersionInput version{"{}", std::move(bytes), itemCount, {}};
        ASSERT_EQ(store.programs.add("demo", version, actor(), program), DbStatus::Ok);
        sign = addSign("front");
    }

    void hold(const std::string& since) {
        ASSERT_EQ(store.signs.recordHolding(sign, {SignHolding::Program, program, 1, since, since}, actor()),
                  DbStatus::Ok);
    }
    LocalTimestamp in(int64_t ms) const { return fromMillis(clock.nowMillis() + ms); }

    // The example as the sign of 6 x 1 modules plays it from SINCE, directly.
    std::string expectedAt(const LocalTimestamp& since, const LocalTimestamp& at) {
        ItemStore items;
        EXPECT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, items), IoResult::Ok);
        ProgramPlan plan;
        EXPECT_EQ(planProgram(items, itemCount, 6, 1, plan).result, PlanResult::Ok);
        auto image = std::make_shared<ProgramImage>();
        ImageSink sink(*image);
        EXPECT_EQ(writeProgram(plan, sink), IoResult::Ok);
        SignPlayback playback(image, SignSettings{}, {since.time, since.millisecond}, fonts, 3'600'000);
        std::string rows;
        EXPECT_EQ(playback.frameAt({at.time, at.millisecond}, rows), PlaybackResult::Ok);
        return rows;
    }

    static bool dark(const std::string& rows) { return rows.find_first_of("RGY") == std::string::npos; }

    TempDir fontDir;
    SignFonts fonts;
    int itemCount = 0;
    int64_t program = 0, sign = 0;
};

TEST_F(SignFramesTest, TheSignPlaysWhatItHoldsFromItsApplyAndIsDarkInItsOffHours) {
    SignFrames frames(store, clock, fonts);
    const LocalTimestamp since = in(-20'000);
    hold(toIsoText(since));
    std::string rows;
    // Asked for in any order: later times run the play on, an earlier one plays it again.
    for (const int64_t ms : {1'500, 4'000, 250, 4'000}) {
        ASSERT_TRUE(frames.frameAt(sign, in(ms), rows).ok());
        EXPECT_EQ(rows, expectedAt(since, in(ms))) << ms;
    }
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 16);
    EXPECT_FALSE(dark(rows));

    // ON/OFF given later: 09:00 lies in the OFF hours.
    SignSettingsRecord given;
    given.onOffEnabled = true, given.onTime = "10:00", given.offTime = "08:00",
    given.onOffAt = toIsoText(in(0));
    ASSERT_EQ(store.signs.recordSettings(sign, given, actor()), DbStatus::Ok);
    ASSERT_TRUE(frames.frameAt(sign, in(5'000), rows).ok());
    EXPECT_TRUE(dark(rows)) << rows;
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 16);

    // A size command after the push: the sign plays at its new size.
    given = {};
    given.width = 10, given.height = 2, given.sizeAt = toIsoText(in(0));
    given.onOffEnabled = false, given.onOffAt = toIsoText(in(0));
    ASSERT_EQ(store.signs.recordSettings(sign, given, actor()), DbStatus::Ok);
    ASSERT_TRUE(frames.frameAt(sign, in(5'000), rows).ok());
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 32);
    EXPECT_EQ(rows.find('\n'), 160u);
}

TEST_F(SignFramesTest, FramesAreRefusedOutsideWhatMayBeAskedFor) {
    SignFrameLimits limits;
    limits.maxRunMs = 600'000;
    limits.keepEveryMs = 20;
    SignFrames frames(store, clock, fonts, limits);
    std::string rows = "kept";
    EXPECT_EQ(frames.frameAt(sign, in(0), rows).outcome, Outcome::Conflict);  // holds nothing known
    EXPECT_EQ(frames.frameAt(sign + 1, in(0), rows).outcome, Outcome::NotFound);
    hold(toIsoText(in(-1'000)));
    EXPECT_EQ(frames.frameAt(sign, in(-61'000), rows).outcome, Outcome::OutOfRange);
    EXPECT_EQ(frames.frameAt(sign, in(601'000), rows).outcome, Outcome::OutOfRange);
    EXPECT_EQ(frames.frameAt(sign, in(-2'000), rows).outcome, Outcome::OutOfRange);  // before its apply
    EXPECT_EQ(rows, "kept");
    EXPECT_TRUE(frames.frameAt(sign, in(590'000), rows).ok());
    EXPECT_TRUE(frames.frameAt(sign, in(0), rows).ok());  // played again: the push is recent

    SignFonts none;
    SignFrames unlit(store, clock, none);
    EXPECT_EQ(unlit.frameAt(sign, in(0), rows).outcome, Outcome::Unavailable);
}

TEST_F(SignFramesTest, APlayFarBehindIsCaughtUpAndThenRunsOnlyForward) {
    SignFrameLimits limits;
    limits.maxRunMs = 600'000;
    limits.keepEveryMs = 20;
    SignFrames frames(store, clock, fonts, limits);
    hold(toIsoText(in(-3'600'000)));  // pushed an hour ago
    std::string rows;
    ServiceResult r = frames.frameAt(sign, in(0), rows);
    EXPECT_EQ(r.outcome, Outcome::Unavailable);
    EXPECT_NE(r.message.find("caught up"), std::string::npos) << r.message;
    for (int i = 0; i < 3000 && !r.ok(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        r = frames.frameAt(sign, in(0), rows);
    }
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 16);
    ASSERT_TRUE(frames.frameAt(sign, in(300'000), rows).ok());
    // Back from there would play the hour again.
    r = frames.frameAt(sign, in(0), rows);
    EXPECT_EQ(r.outcome, Outcome::OutOfRange);
    EXPECT_NE(r.message.find("or later"), std::string::npos) << r.message;
}

}  // namespace
}  // namespace orb
