#include <gtest/gtest.h>

#include "TestSign.h"

namespace orb {
namespace {

using testing::TestImage;
using testing::TestSign;

// A 10-module sign (160 pixels) with one line of the given height on it, and a picture drawn
// into that line's band of the working pair by the test.
class EffectEngine : public ::testing::Test {
  protected:
    void prepare(uint8_t heightModules) {
        TestImage image;
        image.header(10, heightModules, 0);
        sign = std::make_unique<TestSign>(image);
        rows = heightModules * 16;
        clearPair(sign->engine->workingPair());
    }
    void light(int x, int y, int colour = 1) {
        PlanePair& w = sign->engine->workingPair();
        if (colour & 1) w.red.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        if (colour & 2) w.green.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    // Every pixel of a column lit with its row's colour... a picture where each pixel is unique
    // enough: column x, row y is lit when (x + 3y) % 7 == 0.
    void pattern() {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 160; ++x)
                if ((x + 3 * y) % 7 == 0) light(x, y, 1 + (x + y) % 3);
    }
    int at(int x, int y) const {
        const PlanePair& w = sign->engine->workingPair();
        return static_cast<int>(PlaneView(w, 608, 160).ledAt(x, y));
    }
    static int expected(int x, int y) { return (x + 3 * y) % 7 == 0 ? 1 + (x + y) % 3 : 0; }
    bool bandIsPattern() const {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 160; ++x)
                if (at(x, y) != expected(x, y)) return false;
        return true;
    }
    bool bandIsDark() const {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 160; ++x)
                if (at(x, y)) return false;
        return true;
    }
    void start(EffectPhase phase, int code, int speed = 2, int line = 1) {
        sign->engine->startEffect(line, phase, code, speed, 0, rows);
    }
    // Steps until done; returns the number of steps including the finishing one.
    int stepsToDone(int limit = 1000, int line = 1) {
        for (int n = 1; n <= limit; ++n) {
            sign->engine->stepEffect(line);
            if (sign->engine->effectState(line).done) return n;
        }
        return -1;
    }
    EffectState& effect(int line = 1) { return sign->engine->effectState(line); }

    std::unique_ptr<TestSign> sign;
    int rows = 16;
};

TEST_F(EffectEngine, EnterFromTheRight) {
    prepare(1);
    pattern();
    start(EffectPhase::Entry, 0);
    EXPECT_EQ(sign->engine->lineState(1).period, 10);  // speed code 2
    sign->engine->stepEffect(1);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < 159; ++x) ASSERT_EQ(at(x, y), 0);
        EXPECT_EQ(at(159, y), expected(0, y));  // captured column 0 at the right edge
    }
    for (int n = 2; n <= 159; ++n) sign->engine->stepEffect(1);
    EXPECT_FALSE(effect().done);
    for (int y = 0; y < rows; ++y)
        for (int x = 1; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x - 1, y)) << x << "," << y;
    sign->engine->stepEffect(1);  // the finishing step
    EXPECT_TRUE(effect().done);
    EXPECT_TRUE(bandIsPattern());
}

TEST_F(EffectEngine, StepCountsOfTheEntries) {
    struct Case {
        int code;
        uint8_t height;
        int steps;  // advancing steps plus the finishing one
    };
    // 0, 1: P - 1; 4: P / 2; 5: P / 2 - 1; 2, 3: R; 6, 7: R / 2.
    for (const Case& c : {Case{0, 1, 160}, Case{1, 1, 160}, Case{2, 1, 17}, Case{3, 2, 33}, Case{4, 1, 81},
                          Case{5, 1, 80}, Case{6, 2, 17}, Case{7, 2, 17}}) {
        SCOPED_TRACE(c.code);
        prepare(c.height);
        pattern();
        start(EffectPhase::Entry, c.code);
        EXPECT_EQ(stepsToDone(), c.steps);
        EXPECT_TRUE(bandIsPattern());
        sign->engine->stepEffect(1);  // further steps keep finishing
        EXPECT_TRUE(bandIsPattern());
    }
}

TEST_F(EffectEngine, EnterFromTheTopAndFromTheMiddle) {
    prepare(1);
    pattern();
    start(EffectPhase::Entry, 2);
    sign->engine->stepEffect(1);
    EXPECT_TRUE(bandIsDark());  // n = 0 changes nothing
    for (int n = 2; n <= 16; ++n) sign->engine->stepEffect(1);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x, y + 1));
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 15), 0);

    prepare(2);
    pattern();
    start(EffectPhase::Entry, 7);
    sign->engine->stepEffect(1);  // n = 0: row 16 shows captured row 31, the bottom copy winning
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 16), expected(x, 31));
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 15), 0);
}

TEST_F(EffectEngine, EntryFourShowsTheInnerColumnsBeforeFinishing) {
    prepare(1);
    for (int y = 0; y < 16; ++y) light(0, y), light(159, y);
    start(EffectPhase::Entry, 4);
    for (int n = 1; n <= 80; ++n) sign->engine->stepEffect(1);
    EXPECT_FALSE(effect().done);
    // The left half shows captured columns 1..80, so captured column 0 has not arrived yet.
    for (int y = 0; y < 16; ++y) EXPECT_EQ(at(0, y), 0);
    sign->engine->stepEffect(1);
    EXPECT_TRUE(effect().done);
    EXPECT_EQ(at(0, 3), 1);
    EXPECT_EQ(at(159, 3), 1);
}

TEST_F(EffectEngine, Exits) {
    struct Case {
        int code;
        uint8_t height;
        int steps;
    };
    for (const Case& c : {Case{0, 1, 160}, Case{1, 1, 160}, Case{2, 1, 17}, Case{3, 1, 17}, Case{4, 1, 81},
                          Case{5, 1, 80}, Case{6, 2, 17}, Case{7, 2, 17}}) {
        SCOPED_TRACE(c.code);
        prepare(c.height);
        pattern();
        start(EffectPhase::Exit, c.code);
        EXPECT_EQ(stepsToDone(), c.steps);
        EXPECT_TRUE(bandIsDark());
    }

    // Exit 0 moves the picture right, one pixel a step.
    prepare(1);
    pattern();
    start(EffectPhase::Exit, 0);
    sign->engine->stepEffect(1);
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(at(0, y), 0);
        for (int x = 1; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x - 1, y));
    }

    // Exit 4 loses the column left of the centre on its first step.
    prepare(1);
    for (int y = 0; y < 16; ++y) light(79, y);
    start(EffectPhase::Exit, 4);
    sign->engine->stepEffect(1);
    EXPECT_TRUE(bandIsDark());
}

TEST_F(EffectEngine, ShakeAroundOneLitPixel) {
    prepare(1);
    light(50, 8);
    start(EffectPhase::Hold, 2);
    // Right, up, left, down, three ticks each, repeating every 12 ticks.
    const std::pair<int, int> places[4] = {{51, 8}, {50, 7}, {49, 8}, {50, 9}};
    for (int tick = 0; tick < 24; ++tick) {
        sign->engine->stepEffect(1);
        const auto [x, y] = places[(tick / 3) % 4];
        SCOPED_TRACE(tick);
        EXPECT_EQ(at(x, y), 1);
        int lit = 0;
        for (int yy = 0; yy < 16; ++yy)
            for (int xx = 0; xx < 160; ++xx) lit += at(xx, yy) != 0;
        EXPECT_EQ(lit, 1);
    }
    EXPECT_FALSE(effect().done);  // holds never finish
}

TEST_F(EffectEngine, RotationAngles) {
    prepare(1);
    light(80, 8);
    // Code 3 on line 1 with speed code 2 (rate 2.0): 6 degrees a tick; on line 3, 8 degrees.
    start(EffectPhase::Hold, 3, 2, 1);
    EXPECT_EQ(sign->engine->lineState(1).period, 20);  // always 20 ms
    sign->engine->stepEffect(1);
    EXPECT_EQ(effect().angle, 6 * 65536);
    effect().angle = 358 * 65536;
    sign->engine->stepEffect(1);
    EXPECT_EQ(effect().angle >> 16, 4);

    start(EffectPhase::Hold, 3, 2, 3);
    sign->engine->stepEffect(3);
    EXPECT_EQ(effect(3).angle, 8 * 65536);

    // Code 4 with rate 1.0 (speed code 3) starts at 359 and turns back; 2 - 3 wraps to 359.
    start(EffectPhase::Hold, 4, 3, 1);
    sign->engine->stepEffect(1);
    EXPECT_EQ(effect().angle >> 16, 356);
    effect().angle = 2 * 65536;
    sign->engine->stepEffect(1);
    EXPECT_EQ(effect().angle >> 16, 359);

    // At angle 0 the picture stands upright: the centre pixel stays where it is.
    start(EffectPhase::Hold, 3, 6, 1);
    sign->engine->stepEffect(1);
    EXPECT_EQ(at(80, 8), 1);
    EXPECT_EQ(effect().rate, 21845);  // a third, rounded down
}

TEST_F(EffectEngine, RotationByNinetyDegrees) {
    prepare(2);     // 32 rows: centre (80, 16)
    light(84, 16);  // 4 right of the centre
    start(EffectPhase::Hold, 3, 2);
    effect().angle = 90 * 65536;
    sign->engine->stepEffect(1);
    // A growing angle turns clockwise on the screen: right of the centre becomes below it.
    EXPECT_EQ(at(80, 20), 1);
    int lit = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 160; ++x) lit += at(x, y) != 0;
    EXPECT_EQ(lit, 1);
}

TEST_F(EffectEngine, ZoomTurningPointsAndIdentity) {
    prepare(1);
    pattern();
    start(EffectPhase::Hold, 5, 3);  // rate 1.0: two pixels a tick
    sign->engine->stepEffect(1);
    EXPECT_TRUE(bandIsPattern());  // at full size the mapping is the identity
    EXPECT_EQ(effect().angle >> 16, 157);
    int ticks = 1;
    while (!effect().growing && ticks < 100) sign->engine->stepEffect(1), ++ticks;
    EXPECT_EQ(effect().angle >> 16, 79);  // the first size at or below 80
    EXPECT_EQ(ticks, 40);
    while (effect().growing && ticks < 200) sign->engine->stepEffect(1), ++ticks;
    EXPECT_EQ(effect().angle, 159 * 65536);

    prepare(1);
    pattern();
    start(EffectPhase::Hold, 6, 3);
    sign->engine->stepEffect(1);
    EXPECT_TRUE(bandIsPattern());
    ticks = 1;
    while (!effect().growing && ticks < 100) sign->engine->stepEffect(1), ++ticks;
    EXPECT_EQ(effect().angle >> 16, 79);  // code 6 turns only below 80
    EXPECT_EQ(ticks, 40);
}

TEST_F(EffectEngine, CodesOutsideTheTablesNeverFinish) {
    for (auto [phase, code] : {std::pair{EffectPhase::Entry, 8}, std::pair{EffectPhase::Exit, 8},
                               std::pair{EffectPhase::Hold, 7}, std::pair{EffectPhase::Entry, 255}}) {
        prepare(1);
        pattern();
        start(phase, code);
        EXPECT_EQ(stepsToDone(300), -1);
        EXPECT_TRUE(bandIsPattern());  // left as captured
    }
}

}  // namespace
}  // namespace orb
