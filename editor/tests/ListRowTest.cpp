#include <gtest/gtest.h>

#include "editor/core/ListRow.h"
#include "image/Cp949.h"

namespace orb {
namespace {

ItemRecord recordWith(LayoutCode layout, std::array<uint8_t, 3> heights) {
    ItemRecord r;
    r.header = ItemHeader::newItem(layout, heights);
    return r;
}

TEST(ListRow, ContentTextOfEveryKind) {
    ItemRecord r = recordWith(LayoutCode::ThreeLines, {1, 2, 3});
    r.header.setKind(1, ContentKind::Bitmap);
    r.line(1).setPath("C:\\signs\\pics\\logo.bmp");
    r.header.setKind(2, ContentKind::Animation);
    r.line(2).setPath("/home/sign/anim/spin.gif");
    r.header.setKind(3, ContentKind::BitmapPhrase);
    r.line(3).setPath("/home/sign/RTF/003.bmp");
    r.line(3).setRtfPath("/home/sign/RTF/003.rtf");
    ListRow row = rowFromRecord(r);
    EXPECT_EQ(row.columns[4], "logo.bmp");
    EXPECT_EQ(row.columns[5], "spin.gif");
    EXPECT_EQ(row.columns[6], "003.bmp(rtf)");
    EXPECT_EQ(row.columns[3], "48픽셀");

    r.header.setKind(1, ContentKind::Clock);
    r.header.setKind(2, ContentKind::Dday);
    r.line(2).setText(utf8ToCp949("개업").value());
    r.header.setKind(3, ContentKind::Temperature);
    row = rowFromRecord(r);
    EXPECT_EQ(row.columns[4], "시각표시");
    EXPECT_EQ(row.columns[5], "디데이");
    EXPECT_EQ(row.columns[6], "온도표시");

    r.header.setKind(1, ContentKind::Sentence);
    r.line(1).setText(utf8ToCp949("A가 ℃").value());
    r.header.setKind(2, ContentKind::None);
    r.header.setKind(3, static_cast<ContentKind>(9));  // damaged
    row = rowFromRecord(r);
    EXPECT_EQ(row.columns[4], "A가 ℃");
    EXPECT_EQ(row.columns[5], "");
    EXPECT_EQ(row.columns[6], "");
}

TEST(ListRow, OnlyTheLayoutsLinesAreShown) {
    ItemRecord r = recordWith(LayoutCode::OneLine, {8, 0, 0});
    r.header.setKind(2, ContentKind::Clock);  // a stray kind on a line the layout lacks
    r.header.setWindow({9, 5}, {23, 59});
    ListRow row = rowFromRecord(r);
    EXPECT_EQ(row.columns, (std::array<std::string, 9>{"1줄로편집", "128픽셀", "", "", "", "", "", "09시05분",
                                                       "23시59분"}));

    ItemRecord t = recordWith(LayoutCode::TitleAndSentence, {1, 2, 0});
    t.line(1).setText(utf8ToCp949("공지").value());
    t.header.setKind(2, ContentKind::Sentence);
    t.line(2).setText(utf8ToCp949("오늘 휴무").value());
    row = rowFromRecord(t);
    EXPECT_EQ(row.columns, (std::array<std::string, 9>{"제목과문장", "16픽셀", "32픽셀", "", "공지",
                                                       "오늘 휴무", "", "00시00분", "00시00분"}));
}

TEST(ListRow, RebuildStopsAtTheFirstEmptyRecord) {
    ItemStore store;
    ASSERT_EQ(store.writeRecord(0, recordWith(LayoutCode::TwoLines, {2, 1, 0})), IoResult::Ok);
    ASSERT_EQ(store.writeRecord(1, recordWith(LayoutCode::ThreeLines, {1, 1, 1})), IoResult::Ok);
    ASSERT_EQ(store.writeRecord(3, recordWith(LayoutCode::OneLine, {1, 0, 0})), IoResult::Ok);
    std::vector<ListRow> rows;
    ASSERT_EQ(readListRows(store, rows), IoResult::Ok);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].columns[0], "2줄로편집");
    EXPECT_EQ(rows[0].columns[2], "16픽셀");
    EXPECT_EQ(rows[1].columns[0], "3줄로편집");
}

TEST(ListRow, DamagedTextStillShows) {
    ItemRecord r = recordWith(LayoutCode::OneLine, {1, 0, 0});
    r.header.setKind(1, ContentKind::Sentence);
    r.line(1).setText("OK\xFF\xFE!");
    EXPECT_EQ(rowFromRecord(r).columns[4], "OK\uFFFD!");
}

TEST(ListRow, TheColumnsHeadingsAndWidths) {
    std::vector<std::string> headings;
    int width = 0;
    for (const ListColumn& c : kListColumns) headings.push_back(c.heading), width += c.width;
    EXPECT_EQ(headings,
              (std::vector<std::string>{"구분", "1단높이", "2단높이", "3단높이", "1단의 내용", "2단의 내용",
                                        "3단의 내용", "표출시작시간", "표출마감시간"}));
    EXPECT_EQ(width, 100 + 3 * 60 + 3 * 224 + 2 * 90);
}

}  // namespace
}  // namespace orb
