// The engine's parts on their own: the composer, a line player's tick, and what the sequencer makes
// of an item header.
#include <gtest/gtest.h>

#include "TestSign.h"
#include "simulator/engine/Composer.h"
#include "simulator/engine/LinePlayer.h"
#include "simulator/engine/PassThrough.h"

namespace orb {
namespace {

using testing::itemHeader;
using testing::TestImage;
using testing::TestSign;

TEST(Composer, ShowsEachBandFromTheSetItShows) {
    Composer c;
    c.clear();
    setBitAt(c.set(0).red.row(0), 3, true);     // line 1's band, rows 0..15, in set A
    setBitAt(c.set(1).green.row(16), 5, true);  // line 2's band, rows 16..31, in set B
    setBitAt(c.set(1).red.row(1), 7, true);     // set B outside line 1's shown band
    const ShownBand bands[] = {{0, 16, 0}, {16, 16, 1}};
    c.compose(bands);
    const PlaneView v(c.front(), 160, 32);
    EXPECT_EQ(v.ledAt(3, 0), Led::Red);
    EXPECT_EQ(v.ledAt(5, 16), Led::Green);
    EXPECT_EQ(v.ledAt(7, 1), Led::Dark);

    const PlanePair* first = &c.front();
    const ShownBand one[] = {{16, 16, 1}};
    c.compose(one);  // the other frame now, with only line 2
    EXPECT_NE(&c.front(), first);
    EXPECT_EQ(PlaneView(c.front(), 160, 32).ledAt(3, 0), Led::Dark);
    EXPECT_EQ(PlaneView(c.front(), 160, 32).ledAt(5, 16), Led::Green);
}

TEST(LinePlayer, PeriodsDeadlinesAndLineSets) {
    auto l = std::make_unique<LinePlayer>();
    l->setPeriod(0);
    EXPECT_EQ(l->period(), 10);  // speed codes below 2 tick as 2
    l->setPeriod(9);
    EXPECT_EQ(l->period(), 50);
    l->setPeriod(3);
    l->resetTick();
    l->scheduleFrom(100);
    EXPECT_EQ(l->deadline(), 120u);
    EXPECT_FALSE(l->stepDone());

    l->beginStep();
    EXPECT_EQ(l->drawSet(), 1);
    EXPECT_EQ(l->shownSet(), 0);  // set A stays shown while B is drawn
    l->endStep();
    EXPECT_EQ(l->shownSet(), 1);
    EXPECT_TRUE(l->stepDone());

    l->renew(120);  // not past the deadline yet
    EXPECT_TRUE(l->stepDone());
    l->renew(121);
    EXPECT_FALSE(l->stepDone());
    EXPECT_EQ(l->deadline(), 141u);
}

TEST(Sequencer, ReadsEffectsThroughTheCatalogueOfTheLinesKind) {
    TestImage image;
    image.header(10, 2, 2);
    ItemHeader pictures = itemHeader(LayoutCode::TwoLines, {1, 1, 0},
                                     {ContentKind::Bitmap, ContentKind::Sentence, ContentKind::None});
    pictures.setEffects(1, {2, 4, 1, 0, 0, 0, 0});
    pictures.setEffects(2, {2, 8, 9, 0, 0, 0, 0});
    image.item(0, pictures);
    TestSign sign(image);
    const Sequencer& q = sign.engine->sequencer();
    EXPECT_EQ(q.playMode(), PlayMode::Program);
    EXPECT_EQ(q.layout(), LayoutCode::TwoLines);
    EXPECT_EQ(q.activeLines(), 2);
    EXPECT_EQ(q.line(1).entry, EntryEffect::ScrollUp);  // code 2 of the picture list
    EXPECT_EQ(q.line(1).hold, HoldEffect::RotateLeft);
    EXPECT_EQ(q.line(1).exit, ExitEffect::ToRight);
    EXPECT_EQ(q.line(2).entry, EntryEffect::FromRight);  // code 2 of the text list
    EXPECT_EQ(q.line(2).hold, HoldEffect::Unknown);
    EXPECT_EQ(q.line(2).exit, ExitEffect::Unknown);
    EXPECT_EQ(q.line(1).startRow, 0);
    EXPECT_EQ(q.line(2).startRow, 16);

    // The sentence of a title and sentence reads the text list whatever kind is stored for it.
    TestImage titled;
    titled.header(10, 2, 1);
    ItemHeader h = itemHeader(LayoutCode::TitleAndSentence, {1, 1, 0},
                              {ContentKind::None, ContentKind::Bitmap, ContentKind::None});
    h.setEffects(2, {2, 0, 0, 0, 0, 0, 0});
    titled.item(0, h);
    TestSign title(titled);
    EXPECT_EQ(title.line(2).entry, EntryEffect::FromRight);
    EXPECT_EQ(title.engine->sequencer().activeLines(), 2);
}

// The pass-through motions on a state of their own: a 10-module, one-module-high sign whose line 1
// fills it.
class PassThroughTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::writeTestFonts(dir.path().string());
        std::string failed;
        ASSERT_TRUE(fonts.loadFonts(dir.path().string(), failed));
        state = std::make_unique<SimState>(source, fonts);
        state->setGeometry({10, 1});
        LinePlayer& l = line();
        l.startRow = 0;
        l.rowCount = 16;
        l.kind = ContentKind::Bitmap;
    }
    LinePlayer& line() { return state->line(1); }
    // A bitmap in the line's canvas: column 0 red and its last column green, on every row.
    void canvasBitmap(int width) {
        line().contentWidth = static_cast<uint16_t>(width);
        for (int k = 0; k < 16; ++k) {
            setBitAt(&line().canvas.red[size_t(k) * ScrollCanvas::kBytesPerRow], 0, true);
            setBitAt(&line().canvas.green[size_t(k) * ScrollCanvas::kBytesPerRow], width - 1, true);
        }
    }
    Led at(int x, int y) const { return PlaneView(*state->working, 160, 16).ledAt(x, y); }

    testing::TempDir dir;
    SignFonts fonts;
    TestImage image;
    MemoryImageSource source{image.bytes};
    std::unique_ptr<SimState> state;
};

TEST_F(PassThroughTest, ABitmapPassesAcrossFromTheRightEdge) {
    canvasBitmap(40);
    startBitmapPass(*state, 1, PassMode::Across);
    int steps = 0;
    bool done = false;
    while (!done && steps < 1000) {
        done = stepBitmapPass(*state, 1, PassMode::Across);
        ++steps;
        const int first = line().passCursor;  // where the first column now stands
        if (first >= 0 && first < 160) {
            ASSERT_EQ(at(first, 5), Led::Red) << "step " << steps;
        }
        if (first + 39 >= 0 && first + 39 < 160) {
            ASSERT_EQ(at(first + 39, 5), Led::Green) << "step " << steps;
        }
    }
    EXPECT_EQ(steps, 199);  // the cursor from 159 down to -40
    EXPECT_EQ(line().passCursor, -40);
    for (int x = 0; x < 160; ++x) ASSERT_EQ(at(x, 5), Led::Dark);
}

TEST_F(PassThroughTest, AWideBitmapIsRevealedUntilItsEndIsInView) {
    canvasBitmap(200);
    // Drawn at column 0 as a held bitmap is: only its first 160 columns show.
    for (int k = 0; k < 16; ++k) setBitAt(state->working->red.row(k), 0, true);
    startBitmapPass(*state, 1, PassMode::Reveal);
    int steps = 1;
    while (!stepBitmapPass(*state, 1, PassMode::Reveal) && steps < 1000) ++steps;
    EXPECT_EQ(steps, 41);               // the cursor from 0 down to -41
    EXPECT_EQ(at(158, 3), Led::Green);  // the last column, one in from the edge
    EXPECT_EQ(at(159, 3), Led::Dark);
}

TEST_F(PassThroughTest, ABitmapScrollsUpRowByRow) {
    // A 16 x 10 picture at sector 5120 whose row r lights column r, centred at x = 72.
    image.planes(5120 * 512, 16, 10, [](int x, int y) { return x == y ? 1 : 0; });
    LinePlayer& l = line();
    l.contentWidth = 16;
    l.contentHeight = 10;
    l.dataOffset = 5120 * 512;
    startScrollUp(l);
    EXPECT_FALSE(stepScrollUp(*state, 1));
    EXPECT_EQ(at(72, 15), Led::Red);  // picture row 0 enters at the bottom
    for (int n = 2; n <= 10; ++n) EXPECT_FALSE(stepScrollUp(*state, 1));
    for (int r = 0; r < 10; ++r) EXPECT_EQ(at(72 + r, 6 + r), Led::Red) << r;
    int steps = 10;
    while (!stepScrollUp(*state, 1) && steps < 100) ++steps;
    EXPECT_EQ(steps + 1, 26);  // the band's rows plus the picture's
}

TEST(SignEngine, NextDeadlineNamesTheFirstPassThatCanChangeAnything) {
    TestImage image;
    image.header(10, 1, 1);
    image.item(0, itemHeader(LayoutCode::OneLine, {1, 0, 0},
                             {ContentKind::Clock, ContentKind::None, ContentKind::None}));
    TestSign sign(image);
    EXPECT_EQ(sign.engine->nextDeadline(), 0u);  // due at once after the start
    sign.engine->pass(0, sign.clock);
    const uint64_t next = sign.engine->nextDeadline();
    EXPECT_EQ(next, sign.line(1).deadline() + 1);  // the pass that makes line 1 due again
    sign.engine->pass(next, sign.clock);
    EXPECT_EQ(sign.engine->nextDeadline(), 0u);  // and the next one steps it
}

}  // namespace
}  // namespace orb
