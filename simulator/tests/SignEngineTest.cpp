#include <gtest/gtest.h>

#include "TestSign.h"
#include "image/Cp949.h"
#include "simulator/engine/ContentRenderers.h"

namespace orb {
namespace {

using testing::itemHeader;
using testing::TestImage;
using testing::TestSign;

constexpr auto kNone = ContentKind::None;
constexpr uint16_t kGreenText = 0x0040;

// A one-line item showing text with entry, hold and exit codes and a hold time code.
ItemHeader sentenceItem(uint8_t height, EffectBlock effects = {}, uint16_t sector = 5120) {
    ItemHeader h = itemHeader(LayoutCode::OneLine, {height, 0, 0}, {ContentKind::Sentence, kNone, kNone},
                              {sector, 0, 0});
    h.setEffects(1, effects);
    return h;
}

ItemHeader kindItem(ContentKind kind, uint8_t height = 1, uint8_t holdTime = 0) {
    ItemHeader h = itemHeader(LayoutCode::OneLine, {height, 0, 0}, {kind, kNone, kNone}, {5120, 0, 0});
    h.setEffects(1, {0, 0, 0, holdTime, 0, 0, 0});
    return h;
}

int litColumns(const TestSign& s, int row) {
    int n = 0;
    for (int x = 0; x < s.engine->geometry().pixels(); ++x) n += s.led(x, row) != 0;
    return n;
}

TEST(SignEngine, IdlePictures) {
    struct Case {
        uint8_t height;
        int redTop, greenTop;
    };
    for (const Case& c : {Case{1, 0, 0}, Case{2, 0, 16}, Case{3, 8, 24}}) {
        SCOPED_TRACE(int{c.height});
        TestImage image;
        image.header(6, c.height, 0);
        TestSign sign(image);
        sign.step();
        EXPECT_EQ(sign.engine->sequencer().playMode(), PlayMode::Idle);
        const PlanePair& f = sign.frame();
        for (int y = 0; y < 16 * c.height; ++y)
            for (int x = 0; x < 96; ++x) {
                const bool inRed = y >= c.redTop && y < c.redTop + 16 && x >= 8 && x < 88;
                const bool inGreen = y >= c.greenTop && y < c.greenTop + 16 && x >= 8 && x < 88;
                ASSERT_TRUE(!f.red.pixel(x, y) || inRed) << x << "," << y;
                ASSERT_TRUE(!f.green.pixel(x, y) || inGreen) << x << "," << y;
            }
        EXPECT_GT(sign.litIn(c.redTop, 16), 40);
        EXPECT_GT(sign.litIn(c.greenTop, 16), 40);
    }

    // Items, but none that can play: the idle picture too.
    TestImage image;
    image.header(6, 1, 2);
    image.item(0, itemHeader(LayoutCode::TwoLines, {1, 1, 0}, {kNone, kNone, kNone}));
    image.item(1, itemHeader(static_cast<LayoutCode>(9), {1, 0, 0}, {ContentKind::Sentence, kNone, kNone}));
    TestSign sign(image);
    EXPECT_EQ(sign.engine->sequencer().playMode(), PlayMode::Idle);
}

TEST(SignEngine, GeometryReplacement) {
    struct Case {
        uint8_t width, height;
        int modulesWide, modulesHigh;
    };
    for (const Case& c : {Case{39, 1, 6, 1}, Case{40, 2, 6, 2}, Case{10, 0, 10, 1}, Case{10, 11, 10, 1},
                          Case{38, 10, 38, 10}, Case{5, 1, 5, 1}, Case{4, 1, 6, 1}}) {
        TestImage image;
        image.header(c.width, c.height, 0);
        TestSign sign(image);
        EXPECT_EQ(sign.engine->geometry().widthModules, c.modulesWide) << int{c.width};
        EXPECT_EQ(sign.engine->geometry().heightModules, c.modulesHigh) << int{c.height};
    }
}

TEST(SignEngine, SkipsEmptyItemsAndWrapsAfterTheLast) {
    TestImage image;
    image.header(6, 1, 3);
    image.item(0, itemHeader(LayoutCode::TwoLines, {1, 1, 0}, {kNone, kNone, kNone}));
    image.item(1, sentenceItem(1));
    image.text(5120, "#");
    ItemHeader temperature = kindItem(ContentKind::Temperature);
    image.item(2, temperature);
    TestSign sign(image);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 1);  // item 0 has nothing to show
    sign.step(62);                                         // held for 62 ticks
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 1);
    sign.step();  // the tick that ends the hold
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 2);
    sign.step(62);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 2);
    sign.step();
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 1);  // wrapped, and item 0 skipped again
}

TEST(SignEngine, TextPositionsAndHoldTicks) {
    auto placed = [](uint8_t height, const std::string& text, uint8_t holdTime = 0) {
        TestImage image;
        image.header(10, 3, 1);
        image.item(0, sentenceItem(height, {0, 0, 0, holdTime, 0, 0, 0}));
        image.text(5120, text);
        auto sign = std::make_unique<TestSign>(image);
        sign->step();
        return sign;
    };
    auto twenty = placed(1, std::string(20, '#'));
    EXPECT_EQ(litColumns(*twenty, 0), 160);  // 160 pixels wide, from x = 0
    auto ten = placed(1, std::string(10, '#'));
    EXPECT_EQ(ten->led(39, 0), 0);
    EXPECT_NE(ten->led(40, 0), 0);  // 80 pixels wide, centred: x = 40
    EXPECT_NE(ten->led(119, 0), 0);
    EXPECT_EQ(ten->led(120, 0), 0);

    auto tall = placed(3, "#", 9);  // a 3-module line: 32-pixel font, 8 rows down
    EXPECT_EQ(litColumns(*tall, 7), 0);
    EXPECT_EQ(litColumns(*tall, 8), 16);
    EXPECT_EQ(litColumns(*tall, 39), 16);
    EXPECT_EQ(litColumns(*tall, 40), 0);
    EXPECT_EQ(tall->line(1).holdTicks, 625 - 1);  // code 9: 625 ticks, one spent
    EXPECT_EQ(ten->line(1).holdTicks, 62 - 1);    // code 0: 62
}

TEST(SignEngine, LongSentenceIsHeldRevealedAndHeldAgain) {
    TestImage image;
    image.header(10, 1, 2);
    image.item(0, sentenceItem(1));
    image.text(5120, std::string(29, '#') + "|");  // 240 pixels on a 160-pixel sign
    image.item(1, kindItem(ContentKind::Clock));
    TestSign sign(image);
    const LinePlayer& l = sign.line(1);
    EXPECT_EQ(l.textX, 0);
    sign.step(62);
    EXPECT_EQ(l.course, Course::Holding);
    sign.step();  // the hold ends: the reveal begins
    EXPECT_EQ(l.course, Course::Revealing);
    EXPECT_EQ(l.passCursor, -1);
    sign.step(79);
    EXPECT_EQ(l.course, Course::Revealing);
    sign.step();  // the 80th step brings the text's end into view
    EXPECT_EQ(l.course, Course::HoldingAgain);
    EXPECT_EQ(l.passCursor, -81);
    // The last character ('|', its right half empty) now stands at columns 152..159.
    EXPECT_NE(sign.led(151, 0), 0);
    EXPECT_NE(sign.led(155, 0), 0);
    EXPECT_EQ(sign.led(156, 0), 0);
    EXPECT_EQ(sign.led(159, 0), 0);
    sign.step(61);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 0);
    sign.step(2);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 1);  // no exit: the item ends after the second hold
}

TEST(SignEngine, LongSentenceLeavesFromTheSavedRows) {
    TestImage image;
    image.header(10, 1, 2);
    image.item(0, sentenceItem(1, {0, 0, 2, 0, 0, 0, 0}));  // exit code 1: out to the left
    image.text(5120, std::string(30, '#'));
    image.item(1, kindItem(ContentKind::Clock));
    TestSign sign(image);
    sign.step(63 + 80 + 62);  // hold, reveal, second hold
    EXPECT_EQ(sign.line(1).course, Course::HoldingAgain);
    sign.step();  // the hold ends: the band is restored from the saved rows and the exit starts
    EXPECT_EQ(sign.line(1).course, Course::Exiting);
    sign.step();
    EXPECT_EQ(litColumns(sign, 0), 159);  // the revealed text, one pixel further left
    EXPECT_EQ(sign.led(159, 0), 0);
    sign.step(158);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 0);
    sign.step();  // the finishing step ends the line and so the item
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 1);
}

TEST(SignEngine, WideBitmapIsRevealed) {
    TestImage image;
    image.header(10, 1, 1);
    ItemHeader h = itemHeader(LayoutCode::OneLine, {1, 0, 0}, {ContentKind::Bitmap, kNone, kNone});
    h.setPictureSize(1, 200, 16);
    image.item(0, h);
    image.planes(5120 * 512, 200, 16, [](int x, int) { return x == 199 ? 2 : 1; });  // green last column
    TestSign sign(image);
    sign.step();
    EXPECT_EQ(sign.led(0, 5), 1);  // drawn from x = 0
    EXPECT_EQ(sign.led(159, 5), 1);
    sign.step(62);
    const LinePlayer& l = sign.line(1);
    EXPECT_EQ(l.course, Course::Revealing);
    sign.step(40);
    EXPECT_EQ(l.course, Course::Revealing);
    sign.step();
    EXPECT_EQ(l.course, Course::HoldingAgain);
    EXPECT_EQ(l.passCursor, -41);
    EXPECT_EQ(sign.led(158, 5), 2);  // the green last column arrived
    EXPECT_EQ(sign.led(159, 5), 0);
}

// Entry 1 of a bitmap line: after each step the bitmap's first column stands at the pass cursor,
// so every column of the bitmap, the first included, crosses the sign.
TEST(SignEngine, BitmapPassesAcrossFromItsFirstColumn) {
    TestImage image;
    image.header(10, 1, 1);
    ItemHeader h = itemHeader(LayoutCode::OneLine, {1, 0, 0}, {ContentKind::Bitmap, kNone, kNone});
    h.setPictureSize(1, 40, 16);
    h.setEffects(1, {1, 0, 0, 0, 0, 0, 0});
    image.item(0, h);
    // Column 0 red, column 1 green, column 39 yellow, the rest dark.
    image.planes(5120 * 512, 40, 16, [](int x, int) { return x == 0 ? 1 : x == 1 ? 2 : x == 39 ? 3 : 0; });
    TestSign sign(image);
    sign.step();
    EXPECT_EQ(sign.led(158, 7), 1);  // the first column
    EXPECT_EQ(sign.led(159, 7), 2);
    EXPECT_EQ(sign.line(1).passCursor, 158);
    sign.step(100);
    EXPECT_EQ(sign.led(58, 7), 1);
    EXPECT_EQ(sign.led(59, 7), 2);
    EXPECT_EQ(sign.led(58 + 39, 7), 3);
    EXPECT_EQ(litColumns(sign, 7), 3);
    sign.step(58);
    EXPECT_EQ(sign.led(0, 7), 1);  // the first column reaches the left edge
    EXPECT_EQ(sign.led(1, 7), 2);
    sign.step();
    EXPECT_EQ(sign.led(0, 7), 2);
    EXPECT_EQ(litColumns(sign, 7), 2);
}

TEST(SignEngine, AnimationFramesAndAFinishedLineStayingDark) {
    TestImage image;
    image.header(6, 2, 1);
    ItemHeader h = itemHeader(LayoutCode::TwoLines, {1, 1, 0},
                              {ContentKind::Animation, ContentKind::Temperature, kNone}, {5120, 5200, 0});
    h.setPictureSize(1, 16, 16);
    h.setFrameCount(1, 5);
    h.setEffects(2, {0, 0, 0, 9, 0, 0, 0});
    image.item(0, h);
    for (int f = 0; f < 5; ++f)  // frame f lights column f
        image.planes(5120 * 512 + static_cast<uint64_t>(f) * 64, 16, 16,
                     [f](int x, int) { return x == f ? 1 : 0; });
    TestSign sign(image);
    const int x0 = (96 - 16) / 2;
    sign.step(2);
    EXPECT_EQ(sign.litIn(0, 16), 0);
    for (int f = 0; f < 5; ++f) {
        for (int tick = 0; tick < 3; ++tick) {
            sign.step();
            if (f == 4 && tick > 0) break;
            SCOPED_TRACE(::testing::Message() << "frame " << f << " tick " << tick);
            EXPECT_EQ(sign.led(x0 + f, 3), 1);
            EXPECT_EQ(sign.litIn(0, 16), 16);
        }
    }
    // 15 ticks in: the last frame was fetched and the line finished; now its band stays dark
    // while the temperature goes on.
    EXPECT_TRUE(sign.line(1).finished);
    sign.step(3);
    EXPECT_EQ(sign.litIn(0, 16), 0);
    EXPECT_GT(sign.litIn(16, 16), 0);
    EXPECT_EQ(sign.engine->sequencer().currentItem(), 0);
}

// Marks of the test fonts: a glyph drawn at x lights (x, bottom row).
void expectMarks(const TestSign& s, int row, std::initializer_list<std::pair<int, int>> marks) {
    for (auto [x, colour] : marks) EXPECT_EQ(s.led(x, row), colour) << "x = " << x;
}

TEST(SignEngine, ClockLayouts) {
    auto clockSign = [](uint8_t width, uint8_t height, LocalDateTime now) {
        TestImage image;
        image.header(width, height, 1);
        image.item(0, kindItem(ContentKind::Clock, height, 9));
        return std::make_unique<TestSign>(image, now);
    };
    // One row, 8 modules, 2:05 in the afternoon: 오후 at 28, " 2" at 60, ':' at 76, "05" at 84.
    auto one = clockSign(8, 1, {2026, 12, 6, 14, 5, 0});
    one->step(29);
    expectMarks(*one, 15, {{28, 3}, {44, 3}, {60, 0}, {68, 1}, {76, 0}, {84, 1}, {92, 1}});
    one->step();  // blink counter 30: the colon shows
    EXPECT_EQ(one->led(76, 15), 2);
    one->step(30);  // 60: hidden again
    EXPECT_EQ(one->led(76, 15), 0);

    // One row, 12 modules: year, month, day, then the time.
    auto wide = clockSign(12, 1, {2026, 3, 9, 9, 7, 0});
    wide->step();
    expectMarks(*wide, 15,
                {{0, 1},
                 {24, 1},
                 {32, 2},
                 {48, 0},
                 {56, 1},
                 {64, 2},
                 {80, 0},
                 {88, 1},
                 {96, 2},
                 {120, 3},
                 {152, 0},
                 {160, 1},
                 {176, 1},
                 {184, 1}});

    // Two rows, 6 modules, 2007-06-12: "07년 6월12일", then 오전/오후, hour 시, minute 분.
    auto two = clockSign(6, 2, {2007, 6, 12, 14, 5, 0});
    two->step();
    expectMarks(*two, 15, {{0, 1}, {8, 1}, {16, 2}, {32, 0}, {40, 1}, {48, 2}, {64, 1}, {72, 1}, {80, 2}});
    expectMarks(*two, 31, {{0, 3}, {16, 3}, {32, 0}, {40, 1}, {48, 2}, {64, 1}, {72, 1}, {80, 2}});

    // Two rows, 5 modules: no year, no 오전/오후, the minute space-padded.
    auto narrow = clockSign(5, 2, {2007, 6, 12, 14, 5, 0});
    narrow->step();
    expectMarks(*narrow, 15, {{8, 0}, {16, 1}, {24, 2}, {40, 1}, {48, 1}, {56, 2}});
    expectMarks(*narrow, 31, {{8, 0}, {16, 1}, {24, 2}, {40, 0}, {48, 1}, {56, 2}});

    // Midnight and noon read 12; the clock ends after its hold ticks.
    EXPECT_EQ(readClock({2099, 12, 31, 23, 59, 0}).hour, 11);
    EXPECT_TRUE(readClock({2099, 12, 31, 23, 59, 0}).afternoon);
    EXPECT_EQ(readClock({2099, 12, 31, 0, 30, 0}).hour, 12);
    EXPECT_FALSE(readClock({2099, 12, 31, 0, 30, 0}).afternoon);
    EXPECT_EQ(readClock({2100, 1, 1, 0, 30, 0}).year, 2005);
}

TEST(SignEngine, TemperaturePositions) {
    TestImage image;
    image.header(6, 1, 1);
    image.item(0, kindItem(ContentKind::Temperature));
    TestSign sign(image);
    sign.step();
    // "온도:" green from 4, "77.3" red from 44, "℃" yellow at 76.
    expectMarks(sign, 15, {{4, 2}, {20, 2}, {36, 2}, {44, 1}, {52, 1}, {60, 1}, {68, 1}, {76, 3}, {92, 0}});
}

TEST(SignEngine, DaysUntil) {
    struct Case {
        LocalDateTime today;
        uint16_t year;
        uint8_t month, day;
        int days;
    };
    const Case cases[] = {
        {{2007, 12, 31}, 2008, 1, 1, 1},  {{2008, 2, 28}, 2008, 3, 1, 2},    {{2007, 2, 28}, 2007, 3, 1, 1},
        {{2099, 12, 1}, 2100, 5, 5, 30},  {{2026, 12, 6}, 2026, 12, 6, 0},   {{2026, 12, 6}, 2026, 12, 5, -1},
        {{2026, 12, 6}, 2025, 1, 1, -1},  {{2026, 12, 6}, 2026, 11, 30, -1}, {{2026, 12, 6}, 2027, 1, 1, 26},
        {{2026, 11, 1}, 2026, 13, 5, 65}, {{2024, 1, 1}, 2025, 1, 1, 366},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(daysUntil(readClock(c.today), {c.year, c.month, c.day}), c.days)
            << c.today.year << "-" << c.today.month << "-" << c.today.day << " to " << c.year << "-"
            << int{c.month} << "-" << int{c.day};
    }
}

TEST(SignEngine, DdayTexts) {
    auto ddaySign = [](uint8_t height, const std::string& title, DdayDate date) {
        TestImage image;
        image.header(6, 2, 1);
        ItemHeader h = itemHeader(LayoutCode::OneLine, {height, 0, 0}, {ContentKind::Dday, kNone, kNone});
        h.setDdayDate(1, date);
        image.item(0, h);
        image.text(5120, title, kGreenText);
        return std::make_unique<TestSign>(image, LocalDateTime{2026, 12, 6, 9, 0, 0});
    };
    const std::string title = utf8ToCp949("가나").value();
    auto inlineCount = ddaySign(1, title, {2026, 12, 11});
    const LinePlayer& l = inlineCount->line(1);
    EXPECT_EQ(l.textView(), title + " D-5" + utf8ToCp949("일").value());
    EXPECT_EQ(l.textWidth, 80);
    EXPECT_EQ(l.holdTicks, 312);

    auto passed = ddaySign(1, title, {2026, 12, 1});
    EXPECT_EQ(passed->line(1).textView(), title + " D-XX" + utf8ToCp949("일").value());

    auto countRow = ddaySign(2, "", {2027, 1, 1});
    EXPECT_EQ(std::string(countRow->line(1).countView()), "D-26" + utf8ToCp949("일").value());
    countRow->step();
    EXPECT_EQ(countRow->litIn(0, 16), 0);                              // no title
    expectMarks(*countRow, 31, {{24, 1}, {32, 1}, {40, 1}, {48, 1}});  // "D-26일" (6 bytes) centred at 24
    auto passedRow = ddaySign(2, title, {2020, 1, 1});
    EXPECT_EQ(std::string(passedRow->line(1).countView()), "D-XXXX" + utf8ToCp949("일").value());

    // A title filling the whole text buffer: the count is cut, never written past it.
    auto full = ddaySign(1, std::string(509, 'a'), {2026, 12, 11});
    EXPECT_EQ(full->line(1).textLength(), 511u);
}

// Counts the reads of the image, which are system calls when it is a file.
class CountingSource final : public ImageSource {
  public:
    explicit CountingSource(const ImageSource& inner) : inner_(inner) {}
    size_t read(uint64_t offset, std::span<uint8_t> out) const override {
        ++reads;
        return inner_.read(offset, out);
    }
    mutable size_t reads = 0;

  private:
    const ImageSource& inner_;
};

TEST(SignEngine, AHugeCountOfEmptyItemsWrapsWithoutRereadingTheTable) {
    TestImage image;
    image.header(6, 1, 65535);
    for (int i = 0; i < 512; ++i)
        image.item(i, itemHeader(LayoutCode::TwoLines, {1, 1, 0}, {kNone, kNone, kNone}));
    image.item(510, sentenceItem(1));  // the only item with something to show
    image.text(5120, "#");
    testing::TempDir fontDir;
    testing::writeTestFonts(fontDir.path().string());
    SignFonts fonts;
    std::string failed;
    ASSERT_TRUE(fonts.loadFonts(fontDir.path().string(), failed));
    MemoryImageSource memory(image.bytes);
    CountingSource counting(memory);
    SignEngine engine(counting, fonts);
    const LocalDateTime now{2026, 12, 6, 14, 5, 0};
    engine.start(0, now);
    EXPECT_EQ(engine.sequencer().currentItem(), 510);
    // The sentence is held for 62 ticks; the 63rd ends the item. Every pass here is one tick.
    uint64_t t = 100;  // past the first deadlines
    for (int tick = 1; tick <= 62; ++tick, t += 100) engine.pass(t, now);
    EXPECT_EQ(engine.sequencer().line(1).holdTicks, 0);
    counting.reads = 0;
    // 511 is empty, and so are the 65,023 entries after it, which are not read and keep its
    // values; then 0..509 are empty too.
    engine.pass(t, now);
    EXPECT_EQ(engine.sequencer().currentItem(), 510);
    EXPECT_EQ(engine.sequencer().line(1).holdTicks, 62);  // started again
    EXPECT_EQ(engine.sequencer().playMode(), PlayMode::Program);
    EXPECT_LT(counting.reads, 5000u);  // not the whole table again for every skipped item
}

TEST(SignEngine, HostileItemsStayInsideTheirBuffers) {
    TestImage image;
    image.header(38, 10, 65535);
    ItemHeader h = itemHeader(LayoutCode::ThreeLines, {8, 8, 8},
                              {ContentKind::Animation, ContentKind::Bitmap, ContentKind::Sentence},
                              {65535, 65534, 65535});
    for (int line = 1; line <= 3; ++line) {
        h.setPictureSize(line, 65535, 65535);
        h.setFrameCount(line, 65535);
        h.setEffects(line, {255, 255, 255, 255, 255, 255, 255});
    }
    image.item(0, h);
    ItemHeader scroll = itemHeader(LayoutCode::TwoLines, {9, 255, 0},
                                   {ContentKind::Bitmap, ContentKind::Dday, kNone}, {65535, 65535, 0});
    scroll.setPictureSize(1, 4096, 300);
    scroll.setEffects(1, {2, 0, 0, 0, 9, 9, 9});
    image.item(1, scroll);
    for (int i = 2; i < 600; ++i) image.item(i % 512, sentenceItem(static_cast<uint8_t>(i)));
    std::fill(image.bytes.end() - 512, image.bytes.end(), 0xFF);
    TestSign sign(image);
    // Reads and writes outside a buffer are caught under AddressSanitizer; here the bands the
    // engine worked in must have stayed inside the planes, and it must still be playing.
    for (int t = 0; t < 3000; ++t) {
        sign.engine->pass(static_cast<uint64_t>(t), sign.clock);
        for (int line = 1; line <= 3; ++line) {
            const LinePlayer& l = sign.line(line);
            ASSERT_GE(l.startRow, 0);
            ASSERT_GE(l.rowCount, 0);
            ASSERT_LE(l.startRow + l.rowCount, BitPlane::kRows) << "line " << line << " at " << t;
        }
    }
    EXPECT_EQ(sign.engine->sequencer().playMode(), PlayMode::Program);
    EXPECT_EQ(sign.engine->geometry().ledRows(), 160);
}

}  // namespace
}  // namespace orb
