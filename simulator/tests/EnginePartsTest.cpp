// The engine's parts on their own: the composer, a line player's tick, and what the sequencer makes
// of an item header.
#include <gtest/gtest.h>

#include "TestSign.h"
#include "simulator/engine/Composer.h"
#include "simulator/engine/LinePlayer.h"

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
