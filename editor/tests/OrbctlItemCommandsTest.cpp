// orbctl add, delete, move, set-line and set on a project, through the editor's document.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "editor/core/ListRow.h"
#include "editor/core/ProgramJson.h"
#include "editor/tests/OrbctlRun.h"
#include "image/Cp949.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/TempDir.h"

namespace orb {
namespace {

using ::testing::HasSubstr;
using testing::Outcome;
using testing::TempDir;

// A project of one-line sentences "0", "1", ... as the list shows them.
std::string projectOf(const TempDir& dir, int items) {
    ItemStore store;
    for (int i = 0; i < items; ++i) {
        ItemRecord r;
        r.header = ItemHeader::newItem(LayoutCode::OneLine, {1, 0, 0});
        r.header.setKind(1, ContentKind::Sentence);
        r.line(1).setText(std::to_string(i), 0);
        EXPECT_EQ(store.writeRecord(i, r), IoResult::Ok);
    }
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), bytes.size())),
              IoResult::Ok);
    const std::string path = dir.file("p.dat");
    testing::writeFileBytes(path, bytes);
    return path;
}

// Line 1's content column of every row.
std::vector<std::string> firstLines(const std::string& project) {
    ItemStore store;
    EXPECT_EQ(ItemStore::open(project, FileMode::ReadOnly, store), IoResult::Ok);
    std::vector<ListRow> rows;
    EXPECT_EQ(readListRows(store, rows), IoResult::Ok);
    std::vector<std::string> out;
    for (const ListRow& r : rows) out.push_back(r.columns[ListRow::Content1]);
    return out;
}

// Record I (from 0) as the project holds it.
ItemRecord recordOf(const std::string& project, int i) {
    ItemStore store;
    EXPECT_EQ(ItemStore::open(project, FileMode::ReadOnly, store), IoResult::Ok);
    ItemRecord r;
    EXPECT_EQ(store.readRecord(i, r), IoResult::Ok);
    return r;
}

TEST(OrbctlItemCommands, DeletingRowsTwoAndFourOfFiveKeepsTheOthersInOrder) {
    TempDir dir;
    const std::string p = projectOf(dir, 5);
    const Outcome r = orbctl("delete " + p + " 2 4");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(firstLines(p), (std::vector<std::string>{"0", "2", "4"}));
    EXPECT_TRUE(recordOf(p, 3) == ItemRecord{});
    EXPECT_TRUE(recordOf(p, 4) == ItemRecord{});
}

TEST(OrbctlItemCommands, MovingItemOneBeforeItemThree) {
    TempDir dir;
    const std::string p = projectOf(dir, 4);
    ASSERT_EQ(orbctl("move " + p + " 1 3").status, 0);
    EXPECT_EQ(firstLines(p), (std::vector<std::string>{"1", "0", "2", "3"}));
    ASSERT_EQ(orbctl("move " + p + " 4 1").status, 0);
    EXPECT_EQ(firstLines(p), (std::vector<std::string>{"3", "1", "0", "2"}));
}

TEST(OrbctlItemCommands, AddingAThreeLineItemOfHeightsThreeThreeThreeIsRefused) {
    TempDir dir;
    const std::string p = projectOf(dir, 2);
    const std::vector<uint8_t> before = testing::readFileBytes(p);
    Outcome r = orbctl("add " + p + " three 3 3 3");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("전체높이는 160픽셀입니다.\n추가할수 없습니다"));
    EXPECT_TRUE(testing::readFileBytes(p) == before);

    r = orbctl("add " + p + " three 3 3 2");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(recordOf(p, 2).header, ItemHeader::newItem(LayoutCode::ThreeLines, {3, 3, 2}));
    EXPECT_EQ(orbctl("add " + p + " two 1").status, 2) << "two lines need two heights";
    EXPECT_EQ(orbctl("add " + p + " four 1").status, 2);
}

TEST(OrbctlItemCommands, RowsOutsideTheListAndEmptyListsAreRefusedWithoutAChange) {
    TempDir dir;
    std::string p = projectOf(dir, 3);
    const std::vector<uint8_t> before = testing::readFileBytes(p);
    Outcome r = orbctl("delete " + p + " 2 7");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("7: no such row (the list has 3)"));
    EXPECT_EQ(orbctl("move " + p + " 0 1").status, 1);
    EXPECT_TRUE(testing::readFileBytes(p) == before);

    p = projectOf(dir, 0);
    r = orbctl("delete " + p + " 1");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("삭제할 아이템이 없습니다"));
}

TEST(OrbctlItemCommands, SetLineEditsOneLineAsItsDialogWould) {
    TempDir dir;
    const std::string p = projectOf(dir, 2);
    Outcome r = orbctl(
        "set-line " + p +
        R"( 2 1 '{"kind": "dday", "date": "2026-12-25", "runs": [{"text": "성탄", "colour": "초록색"}]}')");
    ASSERT_EQ(r.status, 0) << r.output;
    const ItemRecord rec = recordOf(p, 1);
    EXPECT_EQ(rec.header.kind(1), ContentKind::Dday);
    EXPECT_EQ(rec.header.ddayDate(1), (DdayDate{2026, 12, 25}));
    EXPECT_EQ(rec.line(1).text(), utf8ToCp949("성탄").value());
    EXPECT_EQ(rec.line(1).attributeWord(0), 0x0040);
    EXPECT_EQ(firstLines(p)[1], "디데이");

    const std::vector<uint8_t> before = testing::readFileBytes(p);
    r = orbctl("set-line " + p + R"( 1 1 '{"kind": "sentence", "runs": [{"text": "a", "font": "Arial"}]}')");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("error: runs[0].font: unknown name \"Arial\""));
    r = orbctl("set-line " + p + R"( 1 2 '{"kind": "clock"}')");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("이 아이템에는 그 줄이 없습니다"));
    r = orbctl("set-line " + p + R"( 1 1 '{"kind": "sentence", "runs": []}')");
    EXPECT_EQ(r.status, 1) << "an empty sentence is not complete";
    EXPECT_TRUE(testing::readFileBytes(p) == before);
}

TEST(OrbctlItemCommands, ATitleAndSentenceTakesBothLinesAtOnce) {
    TempDir dir;
    const std::string p = projectOf(dir, 0);
    ASSERT_EQ(orbctl("add " + p + " title-and-sentence 1 1").status, 0);
    Outcome r = orbctl("set-line " + p + R"( 1 1 '{"kind": "title", "runs": [{"text": "T"}]}')");
    EXPECT_EQ(r.status, 1) << "the editor takes a title only with its sentence";
    EXPECT_THAT(r.output, HasSubstr("[title, sentence]"));
    r = orbctl(
        "set-line " + p +
        R"( 1 1 '[{"kind": "title", "runs": [{"text": "T"}]}, {"kind": "sentence", "runs": [{"text": "S"}],)"
        R"( "effects": {"entry": "지나가기"}}]')");
    ASSERT_EQ(r.status, 0) << r.output;
    const ItemRecord rec = recordOf(p, 0);
    EXPECT_EQ(rec.header.kind(1), ContentKind::None);
    EXPECT_EQ(rec.header.kind(2), ContentKind::Sentence);
    EXPECT_EQ(rec.header.effects(2).entry, 1);
    EXPECT_EQ(rec.line(1).text(), "T");
    EXPECT_EQ(rec.line(2).text(), "S");
    r = orbctl("set-line " + p + R"( 1 2 '{"kind": "sentence", "runs": [{"text": "S2"}]}')");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(firstLines(p)[0], "T");
}

TEST(OrbctlItemCommands, SetChangesOneSetting) {
    TempDir dir;
    const std::string p = projectOf(dir, 1);
    ASSERT_EQ(orbctl("set " + p + " brightness 3").status, 0);
    ASSERT_EQ(orbctl("set " + p + " onOff.off 21:45").status, 0);
    ASSERT_EQ(orbctl("set " + p + " link.ip 10.1.2.3").status, 0);
    ASSERT_EQ(orbctl("set " + p + " sign.width 24").status, 0);
    ItemStore store;
    ASSERT_EQ(ItemStore::open(p, FileMode::ReadOnly, store), IoResult::Ok);
    SettingsBlock s;
    ASSERT_EQ(store.readSettings(s), IoResult::Ok);
    EXPECT_EQ(s.brightness(), 2);
    EXPECT_EQ(s.offHour(), 21);
    EXPECT_EQ(s.offMinute(), 45);
    EXPECT_EQ(s.ipAddress(), (std::array<uint8_t, 4>{10, 1, 2, 3}));
    EXPECT_EQ(s.signWidth(), 24);
    const Outcome r = orbctl("set " + p + " brightness 11");
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.output, HasSubstr("설정할수 없는 값입니다"));
}

}  // namespace
}  // namespace orb
