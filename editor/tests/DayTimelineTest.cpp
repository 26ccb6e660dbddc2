#include "editor/core/DayTimeline.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

constexpr int at(int hour, int minute = 0) {
    return hour * 60 + minute;
}

ItemHeader sentenceItem(ClockTime start, ClockTime end) {
    ItemHeader h = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    h.setKind(1, ContentKind::Sentence);
    h.setWindow(start, end);
    return h;
}

SettingsBlock withWindowMode(uint8_t mode) {
    SettingsBlock s;
    s.setSignWidth(10), s.setSignHeight(1), s.setWindowMode(mode);
    return s;
}

using Periods = std::vector<TimelinePeriod>;

TEST(DayTimeline, ModeZeroPlaysEveryItemWithContentAllDay) {
    const std::vector<ItemHeader> items = {
        sentenceItem({8, 0}, {9, 0}), ItemHeader::newItem(LayoutCode::TwoLines, {1, 1, 0}),  // no content
        sentenceItem({20, 0}, {21, 0}), ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 1, 0})};
    EXPECT_EQ(dayTimeline(items, withWindowMode(0)), (Periods{{0, at(24), false, {0, 2, 3}}}));
}

TEST(DayTimeline, OverlappingWindowsShareTheirCommonPart) {
    const std::vector<ItemHeader> items = {sentenceItem({8, 0}, {12, 0}), sentenceItem({10, 30}, {14, 0})};
    EXPECT_EQ(dayTimeline(items, withWindowMode(1)), (Periods{{0, at(8), false, {}},
                                                              {at(8), at(10, 30), false, {0}},
                                                              {at(10, 30), at(12), false, {0, 1}},
                                                              {at(12), at(14), false, {1}},
                                                              {at(14), at(24), false, {}}}));
}

TEST(DayTimeline, AWindowPassingMidnightPlaysAtBothEndsOfTheDay) {
    const std::vector<ItemHeader> items = {sentenceItem({22, 0}, {2, 0}), sentenceItem({0, 0}, {0, 0})};
    EXPECT_EQ(
        dayTimeline(items, withWindowMode(1)),
        (Periods{{0, at(2), false, {0, 1}}, {at(2), at(22), false, {1}}, {at(22), at(24), false, {0, 1}}}));
}

TEST(DayTimeline, OnOffTimesDarkenTheSignOutsideThem) {
    SettingsBlock s = withWindowMode(1);
    s.setOnOffEnabled(true);
    s.setOnOffTimes(7, 0, 23, 30);
    const std::vector<ItemHeader> items = {sentenceItem({6, 0}, {8, 0}), sentenceItem({23, 0}, {1, 0})};
    EXPECT_EQ(dayTimeline(items, s), (Periods{{0, at(7), true, {}},
                                              {at(7), at(8), false, {0}},
                                              {at(8), at(23), false, {}},
                                              {at(23), at(23, 30), false, {1}},
                                              {at(23, 30), at(24), true, {}}}));
    s.setOnOffEnabled(false);
    EXPECT_EQ(dayTimeline(items, s).front(), (TimelinePeriod{0, at(1), false, {1}}));
}

TEST(DayTimeline, OnOffTimesPassingMidnightKeepTheSignLitAtNight) {
    SettingsBlock s = withWindowMode(0);
    s.setOnOffEnabled(true);
    s.setOnOffTimes(18, 0, 6, 0);
    const std::vector<ItemHeader> items = {sentenceItem({0, 0}, {0, 0})};
    EXPECT_EQ(dayTimeline(items, s),
              (Periods{{0, at(6), false, {0}}, {at(6), at(18), true, {}}, {at(18), at(24), false, {0}}}));
}

TEST(DayTimeline, SettingsAreReadAsTheEditorCorrectsThem) {
    const std::vector<ItemHeader> items = {sentenceItem({8, 0}, {9, 0})};
    SettingsBlock s = withWindowMode(7);  // read as 0
    EXPECT_EQ(dayTimeline(items, s).size(), 1u);
    EXPECT_TRUE(insideDailySpan({8, 0}, {9, 0}, at(8, 59)));
    EXPECT_FALSE(insideDailySpan({8, 0}, {9, 0}, at(9)));
}

}  // namespace
}  // namespace orb
