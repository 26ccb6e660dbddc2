#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "image/ItemStore.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

TEST(ItemStore, RecordsAndPayloadsAtTheirOffsets) {
    testing::TempDir dir;
    const std::string path = dir.file("data.tmp");
    {
        ItemStore store;
        ASSERT_EQ(ItemStore::open(path, FileMode::CreateOrOpen, store), IoResult::Ok);
        ItemHeader h = ItemHeader::newItem(LayoutCode::OneLine, {3, 0, 0});
        ASSERT_EQ(store.writeHeader(1, h), IoResult::Ok);
        LinePayload p;
        ASSERT_TRUE(p.setText("hi"));
        ASSERT_EQ(store.writePayload(1, 2, p), IoResult::Ok);
    }
    std::vector<uint8_t> bytes = testing::readFileBytes(path);
    ASSERT_EQ(bytes.size(), 473632u);
    EXPECT_EQ(bytes[4736 + 2], 1);
    EXPECT_EQ(bytes[4736 + 3], 3);
    EXPECT_EQ(bytes[4736 + 128 + 1536], 'h');
    EXPECT_EQ(bytes[4736 + 128 + 1536 + 1], 'i');
}

TEST(ItemStore, NothingReachesTheSettingsBlock) {
    ItemStore store;
    SettingsBlock s;
    s.setSignWidth(12);
    s.setSignHeight(3);
    ASSERT_EQ(store.writeSettings(s), IoResult::Ok);

    ItemRecord full;
    full.header.bytes.fill(0xFF);
    for (auto& line : full.lines) line.bytes.fill(0xFF);
    EXPECT_EQ(store.writeRecord(99, full), IoResult::Ok);
    EXPECT_EQ(store.writeRecord(100, full), IoResult::OutOfRange);
    EXPECT_EQ(store.writeHeader(100, full.header), IoResult::OutOfRange);
    EXPECT_EQ(store.writePayload(100, 1, full.line(1)), IoResult::OutOfRange);
    EXPECT_EQ(store.writePayload(0, 4, full.line(1)), IoResult::OutOfRange);
    EXPECT_EQ(store.writeRecord(-1, full), IoResult::OutOfRange);

    SettingsBlock back;
    ASSERT_EQ(store.readSettings(back), IoResult::Ok);
    EXPECT_EQ(back, s);

    // Clearing the records keeps the settings.
    ASSERT_EQ(store.clearRecords(), IoResult::Ok);
    ItemRecord cleared;
    ASSERT_EQ(store.readRecord(99, cleared), IoResult::Ok);
    EXPECT_EQ(cleared, ItemRecord{});
    ASSERT_EQ(store.readSettings(back), IoResult::Ok);
    EXPECT_EQ(back, s);
}

TEST(ItemStore, ItemCountStopsAtTheFirstEmptyRecord) {
    ItemStore store;
    EXPECT_EQ(store.itemCount(), 0);
    ASSERT_EQ(store.writeHeader(0, ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0})), IoResult::Ok);
    ASSERT_EQ(store.writeHeader(1, ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 1, 0})),
              IoResult::Ok);
    ASSERT_EQ(store.writeHeader(3, ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0})), IoResult::Ok);
    EXPECT_EQ(store.itemCount(), 2);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(store.writeHeader(i, ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0})), IoResult::Ok);
    EXPECT_EQ(store.itemCount(), 100);
}

// A one-line item whose marker byte names it, so that moved records can be told apart.
ItemRecord tagged(uint8_t tag) {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
    r.header.bytes[header::kWindowStart] = tag;
    r.line(1).bytes.fill(tag);
    return r;
}

std::vector<uint8_t> tags(const ItemStore& store, int n) {
    std::vector<uint8_t> out;
    for (int i = 0; i < n; ++i) {
        ItemRecord r;
        EXPECT_EQ(store.readRecord(i, r), IoResult::Ok);
        out.push_back(r.header.layout() == LayoutCode::None ? 0 : r.header.bytes[header::kWindowStart]);
    }
    return out;
}

TEST(ItemStore, InsertAndRemoveShiftTheLeadingItems) {
    ItemStore store;
    for (uint8_t t = 1; t <= 3; ++t) ASSERT_EQ(store.insertRecord(t - 1, tagged(t)), IoResult::Ok);
    EXPECT_EQ(tags(store, 5), (std::vector<uint8_t>{1, 2, 3, 0, 0}));
    ASSERT_EQ(store.insertRecord(1, tagged(9)), IoResult::Ok);
    EXPECT_EQ(tags(store, 5), (std::vector<uint8_t>{1, 9, 2, 3, 0}));
    ItemRecord moved;
    ASSERT_EQ(store.readRecord(3, moved), IoResult::Ok);
    EXPECT_EQ(moved, tagged(3)) << "whole records move, payloads with them";

    EXPECT_EQ(store.insertRecord(6, tagged(7)), IoResult::OutOfRange) << "no gap in the list";
    EXPECT_EQ(store.insertRecord(-1, tagged(7)), IoResult::OutOfRange);
    EXPECT_EQ(store.removeRecord(4), IoResult::OutOfRange);

    ASSERT_EQ(store.removeRecord(0), IoResult::Ok);
    EXPECT_EQ(tags(store, 5), (std::vector<uint8_t>{9, 2, 3, 0, 0}));
    ItemRecord last;
    ASSERT_EQ(store.readRecord(3, last), IoResult::Ok);
    EXPECT_EQ(last, ItemRecord{}) << "the record the list left is all zero";
    ASSERT_EQ(store.removeRecord(2), IoResult::Ok);
    EXPECT_EQ(tags(store, 3), (std::vector<uint8_t>{9, 2, 0}));
}

TEST(ItemStore, AHundredItemsRefuseAnotherAndKeepTheSettings) {
    ItemStore store;
    SettingsBlock s;
    s.setSignWidth(12);
    s.setComPort(4);
    ASSERT_EQ(store.writeSettings(s), IoResult::Ok);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(store.insertRecord(0, tagged(static_cast<uint8_t>(i))), IoResult::Ok);
    EXPECT_EQ(store.insertRecord(0, tagged(200)), IoResult::StoreFull);
    EXPECT_EQ(store.insertRecord(100, tagged(200)), IoResult::StoreFull);
    SettingsBlock back;
    ASSERT_EQ(store.readSettings(back), IoResult::Ok);
    EXPECT_EQ(back, s);
    EXPECT_EQ(tags(store, 1), std::vector<uint8_t>{99});
    ASSERT_EQ(store.removeRecord(0), IoResult::Ok);
    EXPECT_EQ(store.itemCount(), 99);
    ASSERT_EQ(store.readSettings(back), IoResult::Ok);
    EXPECT_EQ(back, s);
}

TEST(ItemStore, FilesOfAnotherSizeAreRefusedUntouched) {
    testing::TempDir dir;
    const std::string path = dir.file("short.dat");
    std::vector<uint8_t> original(473631, 0x42);
    testing::writeFileBytes(path, original);
    ItemStore store;
    EXPECT_EQ(ItemStore::open(path, FileMode::CreateOrOpen, store), IoResult::WrongSize);
    EXPECT_EQ(ItemStore::open(path, FileMode::ReadOnly, store), IoResult::WrongSize);
    EXPECT_EQ(testing::readFileBytes(path), original);
    EXPECT_EQ(ItemStore::open(dir.file("none.dat"), FileMode::ReadOnly, store), IoResult::OpenFailed);
}

TEST(SettingsBlock, HeightBeforeWidthAndBigEndianPort) {
    SettingsBlock s;
    s.setComPort(3);
    s.setSignHeight(2);
    s.setSignWidth(38);
    s.setLinkMode(LinkMode::Tcp);
    s.setIpAddress({192, 168, 0, 7});
    s.setTcpPort(5000);
    s.setOnOffTimes(7, 30, 22, 15);
    s.setOnOffEnabled(true);
    s.setWindowMode(1);
    s.setBrightness(9);
    EXPECT_EQ(std::vector<uint8_t>(s.bytes.begin(), s.bytes.begin() + 17),
              (std::vector<uint8_t>{3, 2, 38, 1, 192, 168, 0, 7, 0x13, 0x88, 7, 30, 22, 15, 1, 1, 9}));
    EXPECT_FALSE(s.correct());
}

TEST(SettingsBlock, CorrectionsAreWrittenBack) {
    struct Case {
        size_t offset;
        uint8_t stored;
        uint8_t expected;
    };
    const Case cases[] = {
        {settings::kSignWidth, 41, 6}, {settings::kSignWidth, 4, 6},    {settings::kSignWidth, 40, 40},
        {settings::kSignWidth, 5, 5},  {settings::kSignHeight, 0, 1},   {settings::kSignHeight, 9, 1},
        {settings::kSignHeight, 8, 8}, {settings::kComPort, 0, 1},      {settings::kComPort, 21, 1},
        {settings::kComPort, 20, 20},  {settings::kOnOffEnabled, 2, 0}, {settings::kWindowMode, 255, 0},
        {settings::kWindowMode, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "offset " << c.offset << " stored " << int{c.stored});
        ItemStore store;
        SettingsBlock raw;
        raw.setComPort(1);
        raw.setSignHeight(1);
        raw.setSignWidth(6);
        raw.bytes[c.offset] = c.stored;
        ASSERT_EQ(store.writeSettings(raw), IoResult::Ok);

        SettingsBlock loaded;
        ASSERT_EQ(store.loadSettings(loaded), IoResult::Ok);
        EXPECT_EQ(loaded.bytes[c.offset], c.expected);
        SettingsBlock stored;
        ASSERT_EQ(store.readSettings(stored), IoResult::Ok);
        EXPECT_EQ(stored.bytes[c.offset], c.expected);
    }
}

TEST(SettingsBlock, UnknownLinkModeIsSerialButKept) {
    ItemStore store;
    SettingsBlock raw;
    raw.bytes[settings::kLinkMode] = 2;
    ASSERT_EQ(store.writeSettings(raw), IoResult::Ok);
    SettingsBlock loaded;
    ASSERT_EQ(store.loadSettings(loaded), IoResult::Ok);
    EXPECT_EQ(loaded.linkMode(), LinkMode::Serial);
    EXPECT_EQ(loaded.bytes[settings::kLinkMode], 2);
}

}  // namespace
}  // namespace orb
