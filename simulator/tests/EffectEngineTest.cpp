#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "image/CodeLists.h"
#include "image/EffectCatalogue.h"
#include "simulator/engine/EffectRoutines.h"

namespace orb {
namespace {

using E = EntryEffect;
using H = HoldEffect;
using X = ExitEffect;

// The routines on their own: a 10-module sign (160 pixels) with one line of the given height at
// row 0, and a picture drawn into that band of the working pair by the test.
class EffectEngine : public ::testing::Test {
  protected:
    void prepare(uint8_t heightModules) {
        geometry = {10, heightModules};
        working = std::make_unique<PlanePair>();
        for (auto& e : effects) e = std::make_unique<EffectState>();
        rows = heightModules * 16;
    }
    void light(int x, int y, int colour = 1) {
        if (colour & 1) working->red.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        if (colour & 2) working->green.row(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    // A picture where each pixel is unique enough: column x, row y is lit when (x + 3y) % 7 == 0.
    void pattern() {
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < 160; ++x)
                if ((x + 3 * y) % 7 == 0) light(x, y, 1 + (x + y) % 3);
    }
    int at(int x, int y) const { return static_cast<int>(PlaneView(*working, 160, rows).ledAt(x, y)); }
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
    EffectTarget target(int line) { return {*working, geometry, line}; }
    // Returns the speed code the line is to tick at.
    template <typename Effect>
    int start(Effect e, int speed = 2, int line = 1) {
        return startEffect(effect(line), target(line), e, speed, 0, rows);
    }
    void step(int line = 1) { stepEffect(effect(line), target(line)); }
    // Steps until done; returns the number of steps including the finishing one.
    int stepsToDone(int limit = 1000, int line = 1) {
        for (int n = 1; n <= limit; ++n) {
            step(line);
            if (effect(line).done) return n;
        }
        return -1;
    }
    EffectState& effect(int line = 1) { return *effects[static_cast<size_t>(line - 1)]; }

    SignGeometry geometry;
    std::unique_ptr<PlanePair> working;
    std::array<std::unique_ptr<EffectState>, 3> effects;
    int rows = 16;
};

TEST_F(EffectEngine, EnterFromTheRight) {
    prepare(1);
    pattern();
    EXPECT_EQ(start(E::FromRight), 2);  // ticks at speed code 2: 10 ms
    step(1);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < 159; ++x) ASSERT_EQ(at(x, y), 0);
        EXPECT_EQ(at(159, y), expected(0, y));  // captured column 0 at the right edge
    }
    for (int n = 2; n <= 159; ++n) step(1);
    EXPECT_FALSE(effect().done);
    for (int y = 0; y < rows; ++y)
        for (int x = 1; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x - 1, y)) << x << "," << y;
    step(1);  // the finishing step
    EXPECT_TRUE(effect().done);
    EXPECT_TRUE(bandIsPattern());
}

TEST_F(EffectEngine, StepCountsOfTheEntries) {
    struct Case {
        EntryEffect effect;
        uint8_t height;
        int steps;  // advancing steps plus the finishing one
    };
    // Sideways: P - 1; closing: P / 2; opening: P / 2 - 1; from the top or bottom: R; to or from
    // the middle row: R / 2.
    for (const Case& c :
         {Case{E::FromRight, 1, 160}, Case{E::FromLeft, 1, 160}, Case{E::FromTop, 1, 17},
          Case{E::FromBottom, 2, 33}, Case{E::CloseToCentre, 1, 81}, Case{E::OpenFromCentre, 1, 80},
          Case{E::CloseToMiddleRow, 2, 17}, Case{E::OpenFromMiddleRow, 2, 17}}) {
        SCOPED_TRACE(keyOf(c.effect));
        prepare(c.height);
        pattern();
        start(c.effect);
        EXPECT_EQ(stepsToDone(), c.steps);
        EXPECT_TRUE(bandIsPattern());
        step(1);  // further steps keep finishing
        EXPECT_TRUE(bandIsPattern());
    }
}

TEST_F(EffectEngine, EnterFromTheTopAndFromTheMiddle) {
    prepare(1);
    pattern();
    start(E::FromTop);
    step(1);
    EXPECT_TRUE(bandIsDark());  // n = 0 changes nothing
    for (int n = 2; n <= 16; ++n) step(1);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x, y + 1));
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 15), 0);

    prepare(2);
    pattern();
    start(E::OpenFromMiddleRow);
    step(1);  // n = 0: row 16 shows captured row 31, the bottom copy winning
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 16), expected(x, 31));
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 15), 0);
}

TEST_F(EffectEngine, ClosingToTheCentreShowsTheInnerColumnsBeforeFinishing) {
    prepare(1);
    for (int y = 0; y < 16; ++y) light(0, y), light(159, y);
    start(E::CloseToCentre);
    for (int n = 1; n <= 80; ++n) step(1);
    EXPECT_FALSE(effect().done);
    // The left half shows captured columns 1..80, so captured column 0 has not arrived yet.
    for (int y = 0; y < 16; ++y) EXPECT_EQ(at(0, y), 0);
    step(1);
    EXPECT_TRUE(effect().done);
    EXPECT_EQ(at(0, 3), 1);
    EXPECT_EQ(at(159, 3), 1);
}

TEST_F(EffectEngine, Exits) {
    struct Case {
        ExitEffect effect;
        uint8_t height;
        int steps;
    };
    for (const Case& c : {Case{X::ToRight, 1, 160}, Case{X::ToLeft, 1, 160}, Case{X::Up, 1, 17},
                          Case{X::Down, 1, 17}, Case{X::ToCentre, 1, 81}, Case{X::ToBothSides, 1, 80},
                          Case{X::ToMiddleRow, 2, 17}, Case{X::UpAndDown, 2, 17}}) {
        SCOPED_TRACE(keyOf(c.effect));
        prepare(c.height);
        pattern();
        start(c.effect);
        EXPECT_EQ(stepsToDone(), c.steps);
        EXPECT_TRUE(bandIsDark());
    }

    // Out to the right moves the picture right, one pixel a step.
    prepare(1);
    pattern();
    start(X::ToRight);
    step(1);
    for (int y = 0; y < 16; ++y) {
        EXPECT_EQ(at(0, y), 0);
        for (int x = 1; x < 160; ++x) ASSERT_EQ(at(x, y), expected(x - 1, y));
    }

    // Vanishing into the centre loses the column left of the centre on its first step.
    prepare(1);
    for (int y = 0; y < 16; ++y) light(79, y);
    start(X::ToCentre);
    step(1);
    EXPECT_TRUE(bandIsDark());
}

TEST_F(EffectEngine, ShakeAroundOneLitPixel) {
    prepare(1);
    light(50, 8);
    start(H::ShakeAround);
    // Right, up, left, down, three ticks each, repeating every 12 ticks.
    const std::pair<int, int> places[4] = {{51, 8}, {50, 7}, {49, 8}, {50, 9}};
    for (int tick = 0; tick < 24; ++tick) {
        step(1);
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
    // Rotating left on line 1 with speed code 2 (rate 2.0): 6 degrees a tick; on line 3, 8 degrees.
    EXPECT_EQ(start(H::RotateLeft, 2, 1), 3);  // always speed code 3: 20 ms
    step(1);
    EXPECT_EQ(effect().turn.degrees, 6 * 65536);
    effect().turn.degrees = 358 * 65536;
    step(1);
    EXPECT_EQ(effect().turn.degrees >> 16, 4);

    start(H::RotateLeft, 2, 3);
    step(3);
    EXPECT_EQ(effect(3).turn.degrees, 8 * 65536);

    // Rotating right with rate 1.0 (speed code 3) starts at 359 and turns back; 2 - 3 wraps to 359.
    start(H::RotateRight, 3, 1);
    step(1);
    EXPECT_EQ(effect().turn.degrees >> 16, 356);
    effect().turn.degrees = 2 * 65536;
    step(1);
    EXPECT_EQ(effect().turn.degrees >> 16, 359);

    // At angle 0 the picture stands upright: the centre pixel stays where it is.
    start(H::RotateLeft, 6, 1);
    step(1);
    EXPECT_EQ(at(80, 8), 1);
    EXPECT_EQ(effect().turn.rate, 21845);  // a third, rounded down
}

TEST_F(EffectEngine, RotationByNinetyDegrees) {
    prepare(2);     // 32 rows: centre (80, 16)
    light(84, 16);  // 4 right of the centre
    start(H::RotateLeft, 2);
    effect().turn.degrees = 90 * 65536;
    step(1);
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
    start(H::ShrinkAndGrow, 3);  // rate 1.0: two pixels a tick
    step(1);
    EXPECT_TRUE(bandIsPattern());  // at full size the mapping is the identity
    EXPECT_EQ(effect().zoom.size >> 16, 157);
    int ticks = 1;
    while (!effect().zoom.growing && ticks < 100) step(1), ++ticks;
    EXPECT_EQ(effect().zoom.size >> 16, 79);  // the first size at or below 80
    EXPECT_EQ(ticks, 40);
    while (effect().zoom.growing && ticks < 200) step(1), ++ticks;
    EXPECT_EQ(effect().zoom.size, 159 * 65536);

    prepare(1);
    pattern();
    start(H::GrowAndShrink, 3);
    step(1);
    EXPECT_TRUE(bandIsPattern());
    ticks = 1;
    while (!effect().zoom.growing && ticks < 100) step(1), ++ticks;
    EXPECT_EQ(effect().zoom.size >> 16, 79);  // grow-and-shrink turns only below 80
    EXPECT_EQ(ticks, 40);
}

TEST_F(EffectEngine, EffectsWithoutARoutineNeverFinish) {
    auto check = [&](auto effect) {
        SCOPED_TRACE(keyOf(effect));
        prepare(1);
        pattern();
        EXPECT_EQ(start(effect), 0);  // the line keeps its period
        EXPECT_EQ(stepsToDone(300), -1);
        EXPECT_TRUE(bandIsPattern());  // left as captured
    };
    check(E::Unknown);
    check(E::PassAcross);  // moved by the pass-through, not by a table routine
    check(H::Unknown);
    check(X::Unknown);
    check(X::None);
}

// The dialogs' effect lists are the texts of the item record's code tables, and every routine
// table follows the effect engine's code tables: each routine's effect is the one whose list entry
// the engine's table names for that code.
TEST(EffectCatalogue, ListsAndRoutineTablesFollowTheCodeTables) {
    using Texts = std::vector<std::string>;
    auto strings = [](CodeList list) { return Texts(list.begin(), list.end()); };
    const Texts text = {"1. 효과없음",
                        "2. 지나가기",
                        "3. 오른쪽에서 들어오기",
                        "4. 왼쪽에서 들어오기",
                        "5. 위에서 들어오기",
                        "6. 아래에서 들어오기",
                        "7. 좌/우에서 가운데로 합치기",
                        "8. 가운데에서 좌/우로 나타나기",
                        "9. 위/아래에서 가운데로 합치기",
                        "10. 가운데에서 위/아래로 나타나기"};
    const Texts picture = {"1. 효과없음",
                           "2. 지나가기",
                           "3. 위로 지나가기(스크롤)",
                           "3. 오른쪽에서 들어오기",
                           "4. 왼쪽에서 들어오기",
                           "5. 위에서 들어오기",
                           "6. 아래에서 들어오기",
                           "7. 좌/우에서 가운데로 합치기",
                           "8. 가운데에서 좌/우로 나타나기",
                           "9. 위/아래에서 가운데로 합치기",
                           "10. 가운데에서 위/아래로 나타나기"};
    EXPECT_EQ(strings(textEntryEffects()), text);
    EXPECT_EQ(strings(pictureEntryEffects()), picture);
    EXPECT_EQ(
        strings(holdEffects()),
        (Texts{"1.효과없음(유지시간동안유지)", "2.좌우로 흔들기", "3.상하로 흔들기", "4.상하좌우로 흔들기",
               "5.좌측으로 회전하기", "6.우측으로 회전하기", "7.축소 / 확대하기", "8. 확대 / 축소하기"}));
    EXPECT_EQ(strings(exitEffects()),
              (Texts{"1. 효과없음", "2. 오른쪽으로 나가기", "3. 왼쪽으로 나가기", "4. 위로 나가기",
                     "5. 아래로 나기기", "6. 좌 / 우에서 가운데로 사라지기", "7. 좌 / 우로 나가기",
                     "8. 위 / 아래에서 가운데로 사라지기", "9. 위 / 아래로 나가기"}));

    // The routine tables, code by code, by the list entry (without its number) of each routine's effect.
    auto labelsOf = [](auto catalogue, auto effects) {
        Texts out;
        for (auto effect : effects)
            for (const auto& entry : catalogue)
                if (entry.effect == effect) {
                    const std::string label = entry.label;
                    out.push_back(label.substr(label.find_first_not_of("0123456789. ")));
                }
        return out;
    };
    EXPECT_EQ(labelsOf(textEntryCatalogue(), entryEffectsWithRoutines()),
              (Texts{"오른쪽에서 들어오기", "왼쪽에서 들어오기", "위에서 들어오기", "아래에서 들어오기",
                     "좌/우에서 가운데로 합치기", "가운데에서 좌/우로 나타나기",
                     "위/아래에서 가운데로 합치기", "가운데에서 위/아래로 나타나기"}));
    EXPECT_EQ(labelsOf(exitCatalogue(), exitEffectsWithRoutines()),
              (Texts{"오른쪽으로 나가기", "왼쪽으로 나가기", "위로 나가기", "아래로 나기기",
                     "좌 / 우에서 가운데로 사라지기", "좌 / 우로 나가기", "위 / 아래에서 가운데로 사라지기",
                     "위 / 아래로 나가기"}));
    EXPECT_EQ(labelsOf(holdCatalogue(), holdEffectsWithRoutines()),
              (Texts{"좌우로 흔들기", "상하로 흔들기", "상하좌우로 흔들기", "좌측으로 회전하기",
                     "우측으로 회전하기", "축소 / 확대하기", "확대 / 축소하기"}));
}

}  // namespace
}  // namespace orb
