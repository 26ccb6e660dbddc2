// The virtual sign plays what it was sent with the simulator's engine, and its settings act on
// what it shows.
#include <gtest/gtest.h>

#include "editor/core/ProgramVerify.h"
#include "editor/core/ProgramWriter.h"
#include "link/SignFrame.h"
#include "sign/VirtualSign.h"
#include "simulator/engine/SignClock.h"
#include "testsupport/TempDir.h"
#include "testsupport/TestFonts.h"
#include "testsupport/TestImage.h"

namespace orb {
namespace {

using testing::TestImage;

const LocalDateTime kPcNow{2026, 12, 6, 14, 5, 0};

struct Fonts {
    Fonts() {
        testing::writeTestFonts(dir.path().string());
        std::string failed;
        EXPECT_TRUE(fonts.loadFonts(dir.path().string(), failed)) << failed;
    }
    testing::TempDir dir;
    SignFonts fonts;
};

void append(std::vector<uint8_t>& to, const SignFrame& f) {
    to.insert(to.end(), f.bytes.begin(), f.bytes.begin() + f.length);
}

// What a sign receives for the size command and a transfer of the plan, and the image that
// `orbctl build` writes for it.
struct Sent {
    std::vector<uint8_t> stream;
    TestImage image;
};

Sent transferOf(const ProgramPlan& plan) {
    Sent s;
    const std::vector<uint8_t> size = {plan.imageHeader.width, plan.imageHeader.height};
    append(s.stream, SignFrame::memoryWrite(ProgramImage::kHeaderOffset, size));
    for (const ProgramWrite& w : plan.writes) {
        const SignRange r = signRange(w);
        for (size_t at = 0; at < r.bytes.size(); at += 512)
            append(s.stream,
                   SignFrame::memoryWrite(static_cast<uint32_t>(r.address + at),
                                          r.bytes.subspan(at, std::min<size_t>(512, r.bytes.size() - at))));
        std::copy(w.bytes.begin(), w.bytes.end(),
                  s.image.bytes.begin() + static_cast<std::ptrdiff_t>(w.address));
    }
    append(s.stream, SignFrame::apply());
    return s;
}

std::vector<uint8_t> send(VirtualSign& sign, const std::vector<uint8_t>& stream, uint64_t nowMs,
                          const LocalDateTime& pcNow = kPcNow) {
    std::vector<uint8_t> out;
    std::vector<std::string> log;
    sign.receive(stream, Arrival::Continuing, out, log, nowMs, pcNow);
    return out;
}

std::vector<uint8_t> send(VirtualSign& sign, const SignFrame& f, uint64_t nowMs,
                          const LocalDateTime& pcNow = kPcNow) {
    std::vector<uint8_t> stream;
    append(stream, f);
    return send(sign, stream, nowMs, pcNow);
}

bool sameFrame(const PlanePair& a, const PlanePair& b) {
    return a.red.bytes == b.red.bytes && a.green.bytes == b.green.bytes;
}

int lit(const PlanePair& p) {
    int n = 0;
    for (size_t i = 0; i < BitPlane::kBytes; ++i) n += __builtin_popcount(p.red.bytes[i] | p.green.bytes[i]);
    return n;
}

// Plays the sign and an engine over `reference` side by side from `from` to `until`, one pass a
// millisecond, and counts the compared frames that differ.
int differingFrames(VirtualSign& sign, SignEngine& reference, uint64_t from, uint64_t until,
                    const LocalDateTime& pcStart = kPcNow) {
    int differ = 0;
    for (uint64_t t = from; t <= until; ++t) {
        const LocalDateTime now = advance(pcStart, t);
        sign.pass(t, now);
        reference.pass(t, now);
        if (t % 25 == 0 && !sameFrame(sign.frame(), reference.frontFrame())) ++differ;
    }
    return differ;
}

TEST(VirtualSign, PlaysWhatItWasSentAsTheSimulatorPlaysTheBuiltImage) {
    Fonts fonts;
    ItemStore store;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, store), IoResult::Ok);
    ProgramPlan plan;
    ASSERT_EQ(planProgram(store, store.itemCount(), 6, 1, plan).result, PlanResult::Ok);
    const Sent sent = transferOf(plan);

    VirtualSign sign(fonts.fonts, 0, kPcNow);
    const std::vector<uint8_t> answers = send(sign, sent.stream, 0);
    EXPECT_FALSE(answers.empty());
    MemoryImageSource image(sent.image.bytes);
    SignEngine reference(image, fonts.fonts);
    reference.start(0, kPcNow);
    EXPECT_EQ(differingFrames(sign, reference, 0, 12000), 0);
    EXPECT_GT(lit(sign.frame()), 0);
    EXPECT_EQ(sign.responder().applies(), 1);

    // Each SignApply starts the program again from its first item.
    send(sign, SignFrame::apply(), 12001);
    SignEngine fresh(image, fonts.fonts);
    fresh.start(12001, advance(kPcNow, 12001));
    EXPECT_EQ(differingFrames(sign, fresh, 12001, 18000), 0);
    EXPECT_EQ(sign.responder().applies(), 2);
}

TEST(VirtualSign, KeepsTheClockItWasGivenAsAnOffsetFromThePcs) {
    Fonts fonts;
    VirtualSign sign(fonts.fonts, 0, kPcNow);
    EXPECT_EQ(sign.signTime(kPcNow).hour, 14);
    send(sign, SignFrame::setClock({2030, 1, 1, 0, 0, 0}), 0);
    const LocalDateTime later = sign.signTime(advance(kPcNow, 70'000));
    EXPECT_EQ((std::array{later.year, later.month, later.day, later.hour, later.minute, later.second}),
              (std::array{2030, 1, 1, 0, 1, 10}));
    // Behind the PC's clock, over a month's and a leap day's end.
    send(sign, SignFrame::setClock({2024, 2, 29, 23, 59, 50}), 0);
    const LocalDateTime next = sign.signTime(advance(kPcNow, 15'000));
    EXPECT_EQ((std::array{next.year, next.month, next.day, next.hour, next.minute, next.second}),
              (std::array{2024, 3, 1, 0, 0, 5}));
}

TEST(VirtualSign, IsDarkOutsideItsOnPeriodAndDimmedAsAsked) {
    Fonts fonts;
    TestImage image;
    image.header(6, 1, 1);
    image.item(0, testing::itemHeader(LayoutCode::OneLine, {1, 0, 0}, {ContentKind::Sentence}));
    image.text(5120, "###");
    VirtualSign sign(fonts.fonts, 0, kPcNow);
    ASSERT_TRUE(sign.loadMemory(image.bytes, 0, kPcNow));
    EXPECT_FALSE(sign.loadMemory(std::vector<uint8_t>(16), 0, kPcNow));
    for (uint64_t t = 0; t < 3000; ++t) sign.pass(t, kPcNow);
    EXPECT_FALSE(sign.dark());
    const int shown = lit(sign.frame());
    EXPECT_GT(shown, 0);

    struct Case {
        uint8_t on, off;
        bool dark;
    };
    // 14:05 on the PC's clock.
    for (const Case& c : {Case{7, 22, false}, Case{15, 22, true}, Case{22, 7, true}, Case{13, 3, false}}) {
        send(sign, SignFrame::setOnOff(true, c.on, 0, c.off, 0), 3000);
        sign.pass(3001, kPcNow);
        EXPECT_EQ(sign.dark(), c.dark) << int(c.on) << "-" << int(c.off);
        EXPECT_EQ(lit(sign.frame()) == 0, c.dark);
    }
    send(sign, SignFrame::setOnOff(false, 15, 0, 22, 0), 3002);
    sign.pass(3003, kPcNow);
    EXPECT_FALSE(sign.dark());

    EXPECT_DOUBLE_EQ(sign.brightness(), 1.0);
    send(sign, SignFrame::setBrightness(0), 3004);
    EXPECT_NEAR(sign.brightness(), 0.1, 1e-9);
    send(sign, SignFrame::setBrightness(9), 3005);
    EXPECT_DOUBLE_EQ(sign.brightness(), 1.0);
}

TEST(VirtualSign, InWindowModeOneSkipsTheItemsOutsideTheirWindow) {
    Fonts fonts;
    ItemHeader morning = testing::itemHeader(LayoutCode::OneLine, {1, 0, 0}, {ContentKind::Sentence});
    morning.setWindow({8, 0}, {9, 0});
    ItemHeader always = testing::itemHeader(LayoutCode::OneLine, {1, 0, 0}, {ContentKind::Sentence}, {5123});
    TestImage image;
    image.header(6, 1, 2);
    image.item(0, morning);
    image.item(1, always);
    image.text(5120, "#");
    image.text(5123, "|||");
    // The same program with only the second item.
    TestImage second = image;
    second.header(6, 1, 1);
    second.item(0, always);

    VirtualSign sign(fonts.fonts, 0, kPcNow);
    ASSERT_TRUE(sign.loadMemory(image.bytes, 0, kPcNow));
    EXPECT_FALSE(sign.shownItems());  // mode 0: everything
    std::vector<uint8_t> stream;
    append(stream, SignFrame::memoryWrite(ProgramImage::kWindowModeOffset, std::vector<uint8_t>{1}));
    append(stream, SignFrame::apply());
    send(sign, stream, 0);
    ASSERT_TRUE(sign.shownItems());
    EXPECT_EQ(*sign.shownItems(), std::vector<uint16_t>{1});
    MemoryImageSource onlySecond(second.bytes);
    SignEngine reference(onlySecond, fonts.fonts);
    reference.start(0, kPcNow);
    EXPECT_EQ(differingFrames(sign, reference, 0, 8000), 0);
    EXPECT_FALSE(sign.dark());

    // Inside the morning window both play; once it closes the first is skipped again.
    const LocalDateTime morningPc{2026, 12, 6, 8, 59, 58};
    send(sign, SignFrame::apply(), 8001, morningPc);
    EXPECT_EQ(*sign.shownItems(), (std::vector<uint16_t>{0, 1}));
    sign.pass(8002, advance(morningPc, 3000));
    EXPECT_EQ(*sign.shownItems(), std::vector<uint16_t>{1});

    // No item inside its window: dark.
    always.setWindow({10, 0}, {11, 0});
    std::vector<uint8_t> header(always.bytes.begin(), always.bytes.end());
    stream.clear();
    append(stream, SignFrame::memoryWrite(static_cast<uint32_t>(ProgramImage::itemEntryOffset(1)), header));
    append(stream, SignFrame::apply());
    send(sign, stream, 9000);
    sign.pass(9001, kPcNow);
    EXPECT_TRUE(sign.shownItems()->empty());
    EXPECT_TRUE(sign.dark());
    EXPECT_EQ(lit(sign.frame()), 0);
}

TEST(VirtualSign, PeriodsRunOverMidnightAndAWholeDay) {
    EXPECT_TRUE(insidePeriod(8 * 60, 8 * 60, 9 * 60));
    EXPECT_FALSE(insidePeriod(9 * 60, 8 * 60, 9 * 60));
    EXPECT_TRUE(insidePeriod(23 * 60, 22 * 60, 7 * 60));
    EXPECT_TRUE(insidePeriod(6 * 60 + 59, 22 * 60, 7 * 60));
    EXPECT_FALSE(insidePeriod(12 * 60, 22 * 60, 7 * 60));
    EXPECT_TRUE(insidePeriod(12 * 60, 0, 0));
}

TEST(WindowedImageSource, RenumbersTheChosenItemsAndReadsTheRestAsItIs) {
    TestImage image;
    image.header(6, 1, 3);
    for (int i = 0; i < 3; ++i)
        image.item(i, testing::itemHeader(LayoutCode::OneLine, {static_cast<uint8_t>(i + 1), 0, 0},
                                          {ContentKind::Sentence}));
    image.text(5120, "abc");
    const MemoryImageSource memory(image.bytes);
    WindowedImageSource source(memory);
    std::vector<uint8_t> all(ProgramImage::kSize);
    ASSERT_EQ(source.read(0, all), all.size());
    EXPECT_EQ(all, image.bytes);

    source.showOnly({2, 0});
    std::vector<uint8_t> header(4), table(3 * 128), text(3);
    source.read(ProgramImage::kHeaderOffset, header);
    EXPECT_EQ(header, (std::vector<uint8_t>{6, 1, 0, 2}));
    source.read(ProgramImage::kItemTableOffset, table);
    EXPECT_TRUE(
        std::equal(table.begin(), table.begin() + 128,
                   image.bytes.begin() + static_cast<std::ptrdiff_t>(ProgramImage::itemEntryOffset(2))));
    EXPECT_TRUE(
        std::equal(table.begin() + 128, table.begin() + 256,
                   image.bytes.begin() + static_cast<std::ptrdiff_t>(ProgramImage::itemEntryOffset(0))));
    source.read(5120 * 512, text);
    EXPECT_EQ(std::string(text.begin(), text.end()), "abc");
    // A read past the end gives what there is.
    std::vector<uint8_t> tail(16);
    EXPECT_EQ(source.read(ProgramImage::kSize - 4, tail), 4u);
    EXPECT_EQ(source.read(ProgramImage::kSize + 4, tail), 0u);
}

}  // namespace
}  // namespace orb
