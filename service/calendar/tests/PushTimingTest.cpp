#include "service/calendar/PushTiming.h"

#include <gtest/gtest.h>

#include "testsupport/ItemBuilder.h"

namespace orb {
namespace {

ItemRecord sentence(const std::string& text, ClockTime start = {}, ClockTime end = {}) {
    return testing::ItemBuilder(LayoutCode::OneLine, {1, 0, 0})
        .kind(1, ContentKind::Sentence)
        .text(1, text, 0x0040)
        .window(start, end)
        .item;
}

// A compiled program: display-window mode 1, lit from ON to OFF when given.
ItemStore compiled(const std::vector<ItemRecord>& items, std::optional<std::pair<int, int>> onOff = {}) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i) store.writeRecord(static_cast<int>(i), items[i]);
    SettingsBlock s;
    s.setWindowMode(1);
    if (onOff) {
        s.setOnOffEnabled(true);
        s.setOnOffTimes(static_cast<uint8_t>(onOff->first), 0, static_cast<uint8_t>(onOff->second), 0);
    }
    store.writeSettings(s);
    return store;
}

LocalDateTime t(int day, int hour, int minute = 0) {
    return {2025, 3, day, hour, minute, 0};
}

void expectTime(const LocalDateTime& actual, const LocalDateTime& expected) {
    EXPECT_EQ(std::tuple(actual.day, actual.hour, actual.minute),
              std::tuple(expected.day, expected.hour, expected.minute));
}

TEST(PushTiming, APushFallsInADarkStretchBothProgramsShare) {
    const ItemStore old = compiled({sentence("어제")}, std::pair(7, 23));
    const ItemStore next = compiled({sentence("오늘")}, std::pair(7, 23));
    const PushTime p = choosePushTime(&old, next, t(5, 0), t(4, 20));
    expectTime(p.at, t(4, 23));
    expectTime(p.until, t(5, 7));
    EXPECT_TRUE(p.invisible && p.dark);
    EXPECT_EQ(p.lateMinutes, 0);
}

TEST(PushTiming, WithoutDarknessThePushComesWhereBothShowTheSameContent) {
    // The same item under another window is the same sight; the new day adds one from 08:00.
    const ItemStore old = compiled({sentence("메뉴", {6, 0}, {0, 0})});
    const ItemStore next = compiled({sentence("메뉴"), sentence("점심", {8, 0}, {10, 0})});
    PushTime p = choosePushTime(&old, next, t(5, 0), t(4, 12));
    expectTime(p.at, t(4, 12));  // now: they agree from here to 08:00 tomorrow but for 00:00-06:00
    // Before 06:00 the old program showed nothing: the first difference is at midnight.
    expectTime(p.until, t(5, 0));
    EXPECT_TRUE(p.invisible);
    EXPECT_FALSE(p.dark);
    // With the old program showing the item all day, the push may wait up to 08:00.
    const ItemStore allDay = compiled({sentence("메뉴")});
    p = choosePushTime(&allDay, next, t(5, 0), t(4, 12));
    expectTime(p.at, t(4, 12));
    expectTime(p.until, t(5, 8));
}

TEST(PushTiming, ProgramsDifferingAtTheBoundaryArePushedRightOnIt) {
    const ItemStore old = compiled({sentence("어제")});
    const ItemStore next = compiled({sentence("오늘")});
    const PushTime p = choosePushTime(&old, next, t(5, 0), t(4, 12));
    expectTime(p.at, t(5, 0));
    EXPECT_FALSE(p.invisible);
    EXPECT_EQ(p.lateMinutes, 0);
}

TEST(PushTiming, APushAlreadyLateGoesNowAndSaysHowLate) {
    const ItemStore old = compiled({sentence("메뉴")});
    const ItemStore next = compiled({sentence("메뉴"), sentence("점심", {8, 0}, {10, 0})});
    PushTime p = choosePushTime(&old, next, t(5, 0), t(5, 9));
    expectTime(p.at, t(5, 9));
    EXPECT_EQ(p.lateMinutes, 60);
    // Within the day but before the first difference it is not late.
    p = choosePushTime(&old, next, t(5, 0), t(5, 7));
    expectTime(p.at, t(5, 7));
    expectTime(p.until, t(5, 8));
    EXPECT_EQ(p.lateMinutes, 0);
    // Not knowing what the sign holds: now.
    p = choosePushTime(nullptr, next, t(5, 0), t(4, 12));
    expectTime(p.at, t(4, 12));
    EXPECT_FALSE(p.invisible);
}

TEST(PushTiming, TheSwitchIsMeasuredAgainstWhatDiffered) {
    const ItemStore old = compiled({sentence("어제")}, std::pair(7, 23));
    const ItemStore next = compiled({sentence("오늘")});
    // Lit all night, the new program differs from the old at every minute of the night.
    EXPECT_EQ(switchDelay(&old, next, t(5, 0), t(5, 0, 5)).lateMinutes, 5);
    EXPECT_EQ(switchDelay(&old, next, t(5, 0), t(4, 23, 50)).earlyMinutes, 10);
    const ItemStore sameNight = compiled({sentence("오늘")}, std::pair(7, 23));
    const SwitchDelay d = switchDelay(&old, sameNight, t(5, 0), t(5, 6, 30));
    EXPECT_EQ(std::tuple(d.earlyMinutes, d.lateMinutes), std::tuple(0, 0));
    EXPECT_EQ(switchDelay(&old, sameNight, t(5, 0), t(5, 7, 30)).lateMinutes, 30);
}

}  // namespace
}  // namespace orb
