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
