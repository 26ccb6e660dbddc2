// The list commands of the document, their refusals and texts, and the undo history.
#include <gtest/gtest.h>

#include <functional>

#include "editor/tests/DocumentFixtures.h"

namespace orb {
namespace {

using testing::addSentence;
using testing::firstLines;
using testing::storeBytes;
using Rows = std::vector<int>;

void expectMessage(DocOutcome outcome, const char* text, const char* caption) {
    const DocMessage m = messageOf(outcome);
    EXPECT_EQ(m.text, text);
    EXPECT_EQ(m.caption, caption);
    EXPECT_TRUE(isRefusal(outcome));
}

// Five sentence items "a" .. "e".
std::unique_ptr<OrbDocument> fiveItems() {
    auto doc = std::make_unique<OrbDocument>();
    for (const char* t : {"a", "b", "c", "d", "e"}) addSentence(*doc, t);
    return doc;
}

TEST(OrbDocumentAdd, HeightsOverEightAreRefusedWithTheTextsOfEachLayout) {
    OrbDocument doc;
    const auto before = storeBytes(doc);
    const DocOutcome three = doc.addItem(LayoutCode::ThreeLines, {3, 3, 3});
    EXPECT_EQ(three, DocOutcome::LinesTooTall);
    expectMessage(three, "전체높이는 160픽셀입니다.\n추가할수 없습니다", "사이즈초과");
    EXPECT_EQ(doc.addItem(LayoutCode::TwoLines, {5, 4, 0}), DocOutcome::LinesTooTall);
    const DocOutcome title = doc.addItem(LayoutCode::TitleAndSentence, {4, 5, 0});
    EXPECT_EQ(title, DocOutcome::TitleTooTall);
    expectMessage(title, "전체높이는 128픽셀입니다.\n추가할수 없습니다", "사이즈초과");
    EXPECT_EQ(doc.addItem(LayoutCode::TwoLines, {0, 1, 0}), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.addItem(static_cast<LayoutCode>(5), {1, 1, 1}), DocOutcome::InvalidValue);
    EXPECT_EQ(storeBytes(doc), before);
    EXPECT_EQ(doc.rowCount(), 0);
    EXPECT_FALSE(doc.canUndo());

    EXPECT_EQ(doc.addItem(LayoutCode::ThreeLines, {3, 3, 2}), DocOutcome::Done);
    EXPECT_EQ(doc.addItem(LayoutCode::OneLine, {8, 7, 7}), DocOutcome::Done) << "one line has no sum check";
    EXPECT_EQ(doc.addItem(LayoutCode::TitleAndSentence, {4, 4, 9}), DocOutcome::Done);
    EXPECT_EQ(doc.rowCount(), 3);
    EXPECT_EQ(doc.record(1).header.heightCode(2), 0) << "heights of lines the layout lacks are 0";
}

TEST(OrbDocumentAdd, ANewTwoLineItemHasItsHeaderAndRow) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::TwoLines, {2, 1, 5}), DocOutcome::Done);
    const ItemRecord r = doc.record(0);
    std::array<uint8_t, ItemHeader::kSize> expected{};
    expected[0] = expected[1] = 0xFE;
    expected[2] = 2, expected[3] = 2, expected[4] = 1;
    EXPECT_EQ(r.header.bytes, expected);
    for (const LinePayload& p : r.lines) EXPECT_EQ(p, LinePayload{});
    EXPECT_EQ(doc.row(0).columns, (std::array<std::string, 9>{"2줄로편집", "32픽셀", "16픽셀", "", "", "", "",
                                                              "00시00분", "00시00분"}));
}

TEST(OrbDocumentAdd, AHundredAndFirstItemIsRefusedAndTheSettingsStay) {
    OrbDocument doc;
    ASSERT_EQ(doc.setSignSize(20, 4), DocOutcome::Done);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    const auto before = storeBytes(doc);
    const DocOutcome r = doc.addItem(LayoutCode::OneLine, {1, 0, 0});
    EXPECT_EQ(r, DocOutcome::StoreFull);
    expectMessage(r, "더이상 삽입할수 없습니다", "Orb");
    EXPECT_EQ(storeBytes(doc), before);
    EXPECT_EQ(doc.rowCount(), 100);
    EXPECT_EQ(doc.settings().signWidth(), 20);
}

TEST(OrbDocumentHeight, ASumOverEightIsRefusedAndOtherwiseWritten) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::TwoLines, {1, 1, 0}), DocOutcome::Done);
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    const auto before = storeBytes(doc);
    const DocOutcome r = doc.setHeights(Rows{0}, {5, 4, 0});
    EXPECT_EQ(r, DocOutcome::HeightChangeTooTall);
    expectMessage(r, "전체높이는 128픽셀입니다.\n수정할수 없습니다", "사이즈초과");
    EXPECT_EQ(storeBytes(doc), before);

    EXPECT_EQ(doc.setHeights(Rows{0}, {4, 4, 0}), DocOutcome::Done);
    EXPECT_EQ(doc.record(0).header.heightCode(1), 4);
    EXPECT_EQ(doc.row(0).columns[ListRow::Height1 + 1], "64픽셀");
    EXPECT_EQ(doc.setHeights(Rows{1}, {8, 0, 0}), DocOutcome::Done) << "one line has no sum check";
    EXPECT_EQ(doc.setHeights(Rows{0}, {4, 4, 0}), DocOutcome::Unchanged);
    EXPECT_EQ(doc.setHeights(Rows{}, {1, 1, 0}), DocOutcome::NoRowSelected);
}

TEST(OrbDocumentDisplayTime, WritesTheFourBytesAndTheColumns) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    EXPECT_EQ(doc.setDisplayTime(Rows{0}, {7, 5}, {23, 59}), DocOutcome::Done);
    const ItemHeader h = doc.record(0).header;
    EXPECT_EQ(std::vector<uint8_t>(h.bytes.begin() + 81, h.bytes.begin() + 85),
              (std::vector<uint8_t>{7, 5, 23, 59}));
    EXPECT_EQ(doc.row(0).columns[ListRow::WindowStart], "07시05분");
    EXPECT_EQ(doc.row(0).columns[ListRow::WindowEnd], "23시59분");
    EXPECT_EQ(doc.setDisplayTime(Rows{0}, {24, 0}, {0, 0}), DocOutcome::InvalidValue);
}

TEST(OrbDocumentDelete, SeveralRowsMoveTheRecordsAndZeroTheLastOnes) {
    auto doc = fiveItems();
    const ItemRecord c = doc->record(2), e = doc->record(4), a = doc->record(0);
    EXPECT_EQ(doc->deleteRows(Rows{3, 1}), DocOutcome::Done);
    EXPECT_EQ(firstLines(*doc), (std::vector<std::string>{"a", "c", "e"}));
    EXPECT_EQ(doc->record(0), a);
    EXPECT_EQ(doc->record(1), c);
    EXPECT_EQ(doc->record(2), e);
    ItemRecord r;
    for (int i = 3; i < 5; ++i) {
        ASSERT_EQ(doc->store().readRecord(i, r), IoResult::Ok);
        EXPECT_EQ(r, ItemRecord{}) << "record " << i;
    }
}

TEST(OrbDocumentDelete, Refusals) {
    OrbDocument doc;
    const DocOutcome empty = doc.deleteRows(Rows{0});
    EXPECT_EQ(empty, DocOutcome::NothingToDelete);
    expectMessage(empty, "삭제할 아이템이 없습니다", "Orb");
    addSentence(doc, "a");
    const DocOutcome none = doc.deleteRows(Rows{});
    EXPECT_EQ(none, DocOutcome::NoDeleteSelection);
    expectMessage(none, "삭제할곳의 아이템을 선택하십시요", "Orb");
    EXPECT_EQ(doc.deleteRows(Rows{5}), DocOutcome::NoDeleteSelection)
        << "rows outside the list are not selected";
    EXPECT_EQ(doc.rowCount(), 1);
}

TEST(OrbDocumentCutPaste, CutThenPasteOnTheNewRowOne) {
    OrbDocument doc;
    for (const char* t : {"0", "1", "2"}) addSentence(doc, t);
    const ItemRecord zero = doc.record(0);
    EXPECT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    EXPECT_TRUE(doc.cutBufferFull());
    EXPECT_EQ(firstLines(doc), (std::vector<std::string>{"1", "2"}));
    ItemRecord last;
    ASSERT_EQ(doc.store().readRecord(2, last), IoResult::Ok);
    EXPECT_EQ(last, ItemRecord{});

    EXPECT_EQ(doc.paste(Rows{1}), DocOutcome::Done);
    EXPECT_EQ(firstLines(doc), (std::vector<std::string>{"1", "0", "2"}));
    EXPECT_EQ(doc.record(1), zero);
    EXPECT_TRUE(doc.cutBufferFull()) << "a paste keeps the buffer";
}

TEST(OrbDocumentCutPaste, OneCutItemPastedTwiceGivesTwoIdenticalItems) {
    auto doc = fiveItems();
    ASSERT_EQ(doc->cut(Rows{4}), DocOutcome::Done);
    ASSERT_EQ(doc->paste(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc->paste(Rows{0}), DocOutcome::Done);
    EXPECT_EQ(firstLines(*doc), (std::vector<std::string>{"e", "e", "a", "b", "c", "d"}));
    EXPECT_EQ(doc->record(0), doc->record(1));
}

TEST(OrbDocumentCutPaste, APastedItemShowsItsLinesAndTimesLikeTheRowItWasCutFrom) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::TwoLines, {1, 1, 0}), DocOutcome::Done);
    ASSERT_EQ(doc.setLineContent(Rows{0}, 2, testing::sentence("둘째")), DocOutcome::Done);
    ASSERT_EQ(doc.setDisplayTime(Rows{0}, {8, 30}, {18, 0}), DocOutcome::Done);
    addSentence(doc, "x");
    const ListRow cutRow = doc.row(0);
    ASSERT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc.paste(Rows{0}), DocOutcome::Done);
    EXPECT_EQ(doc.row(0).columns, cutRow.columns);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1 + 1], "둘째");
}

TEST(OrbDocumentCutPaste, CutRefusals) {
    OrbDocument doc;
    const DocOutcome empty = doc.cut(Rows{});
    EXPECT_EQ(empty, DocOutcome::NothingToCut);
    expectMessage(empty, "아이템이 없습니다", "Orb");
    addSentence(doc, "a");
    addSentence(doc, "b");
    const auto before = storeBytes(doc);
    const DocOutcome two = doc.cut(Rows{0, 1});
    EXPECT_EQ(two, DocOutcome::CutNeedsOneRow);
    expectMessage(two, "잘라내기 할곳의 Item만 선택하세요...", "Orb");
    EXPECT_EQ(doc.cut(Rows{}), DocOutcome::Unchanged) << "disabled without a selection";
    EXPECT_FALSE(isRefusal(DocOutcome::Unchanged));
    EXPECT_EQ(storeBytes(doc), before);
    EXPECT_FALSE(doc.cutBufferFull());
}

TEST(OrbDocumentCutPaste, PasteRefusals) {
    OrbDocument doc;
    addSentence(doc, "a");
    addSentence(doc, "b");
    const DocOutcome first = doc.paste(Rows{0});
    EXPECT_EQ(first, DocOutcome::CutBufferEmpty);
    expectMessage(first, "먼저 잘라내기를 하십시요?", "붙여넣기");
    ASSERT_EQ(doc.cut(Rows{1}), DocOutcome::Done);
    const DocOutcome none = doc.paste(Rows{});
    EXPECT_EQ(none, DocOutcome::NoPasteSelection);
    expectMessage(none, "붙여넣기 할곳의 아이템을 선택하십시요", "Orb");
    addSentence(doc, "c");
    const DocOutcome two = doc.paste(Rows{0, 1});
    EXPECT_EQ(two, DocOutcome::PasteNeedsOneRow);
    expectMessage(two, "붙여넣기 할곳의 아이템만 선택하세요?", "Orb");
}

TEST(OrbDocumentCutPaste, PasteAtAHundredItemsIsRefusedAndTheSettingsStay) {
    OrbDocument doc;
    ASSERT_EQ(doc.setSignSize(33, 7), DocOutcome::Done);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    ASSERT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc.paste(Rows{0}), DocOutcome::Done);
    const auto before = storeBytes(doc);
    const DocOutcome full = doc.paste(Rows{0});
    EXPECT_EQ(full, DocOutcome::StoreFull);
    expectMessage(full, "더이상 삽입할수 없습니다", "Orb");
    EXPECT_EQ(storeBytes(doc), before);
    EXPECT_EQ(doc.settings().signWidth(), 33);
}

TEST(OrbDocumentLines, EachKindWritesItsFieldsAndText) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::ThreeLines, {1, 1, 1}), DocOutcome::Done);
    LineContent s = testing::sentence("A가", 3);
    s.effects = {3, 1, 2, 4, 1, 2, 3};
    ASSERT_EQ(doc.setLineContent(Rows{0}, 1, s), DocOutcome::Done);
    ItemHeader h = doc.record(0).header;
    EXPECT_EQ(h.kind(1), ContentKind::Sentence);
    EXPECT_EQ(h.effects(1), s.effects);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "A가");
    EXPECT_EQ(doc.record(0).line(1).bytes[0], 0x41);

    // A D-day keeps the sentence's effect block.
    LineContent d = doc.lineDialogStart(0, 1, ContentKind::Dday);
    EXPECT_EQ(d.payload, LinePayload{}) << "another kind starts empty";
    d.dday = {2026, 12, 25};
    d.payload = testing::textPayload("성탄");
    ASSERT_EQ(doc.setLineContent(Rows{0}, 1, d), DocOutcome::Done);
    h = doc.record(0).header;
    EXPECT_EQ(h.effects(1), s.effects);
    EXPECT_EQ(h.ddayDate(1), (DdayDate{2026, 12, 25}));
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "디데이");

    // A clock writes only the hold time of its block; it is offered as 2.
    LineContent c = doc.lineDialogStart(0, 1, ContentKind::Clock);
    EXPECT_EQ(c.effects.holdTime, 2);
    c.effects.holdTime = 7;
    c.effects.entry = 9;  // not the clock's field
    ASSERT_EQ(doc.setLineContent(Rows{0}, 1, c), DocOutcome::Done);
    EXPECT_EQ(doc.record(0).header.effects(1), (EffectBlock{3, 1, 2, 7, 1, 2, 3}));
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "시각표시");

    // A bitmap phrase says "(비트맵문구)" after the edit.
    LineContent p = doc.lineDialogStart(0, 2, ContentKind::BitmapPhrase);
    EXPECT_EQ(p.effects, (EffectBlock{0, 0, 0, 2, 0, 0, 0}));
    p.payload.setPath("/w/RTF/000.bmp");
    p.payload.setRtfPath("/w/RTF/000.rtf");
    p.pictureWidth = 96, p.pictureHeight = 16;
    ASSERT_EQ(doc.setLineContent(Rows{0}, 2, p), DocOutcome::Done);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1 + 1], "000.bmp(비트맵문구)");
    EXPECT_EQ(doc.record(0).header.pictureWidth(2), 96);

    // An animation keeps the block and starts at speed 0.
    LineContent a = doc.lineDialogStart(0, 3, ContentKind::Animation);
    a.payload.setPath("/pics/run.gif");
    a.pictureWidth = 32, a.pictureHeight = 16, a.frameCount = 5, a.animationSpeed = 3;
    ASSERT_EQ(doc.setLineContent(Rows{0}, 3, a), DocOutcome::Done);
    EXPECT_EQ(doc.record(0).header.frameCount(3), 5);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1 + 2], "run.gif");

    // The same kind reopens on what is stored.
    EXPECT_EQ(doc.lineDialogStart(0, 3, ContentKind::Animation), a);
}

TEST(OrbDocumentLines, IncompleteResultsAndMissingLinesChangeNothing) {
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    ASSERT_EQ(doc.addItem(LayoutCode::TitleAndSentence, {1, 1, 0}), DocOutcome::Done);
    const auto before = storeBytes(doc);
    EXPECT_EQ(doc.setLineContent(Rows{0}, 1, testing::sentence("")), DocOutcome::Incomplete);
    LineContent bitmap;
    bitmap.kind = ContentKind::Bitmap;
    EXPECT_EQ(doc.setLineContent(Rows{0}, 1, bitmap), DocOutcome::Incomplete);
    EXPECT_EQ(doc.setLineContent(Rows{0}, 2, testing::sentence("x")), DocOutcome::LineNotInLayout);
    EXPECT_EQ(doc.setLineContent(Rows{1}, 1, testing::sentence("x")), DocOutcome::LineNotInLayout);
    EXPECT_EQ(doc.setLineContent(Rows{}, 1, testing::sentence("x")), DocOutcome::NoRowSelected);
    TitleSentenceContent ts{testing::textPayload("제목"), LinePayload{}, {}};
    EXPECT_EQ(doc.setTitleSentence(Rows{1}, ts), DocOutcome::Incomplete);
    EXPECT_EQ(doc.setTitleSentence(Rows{0}, ts), DocOutcome::LineNotInLayout);
    EXPECT_EQ(storeBytes(doc), before);
    EXPECT_EQ(doc.rowCount(), 2);

    ts.sentence = testing::textPayload("문장");
    ts.effects = {1, 0, 1, 3, 0, 0, 0};
    ASSERT_EQ(doc.setTitleSentence(Rows{1}, ts), DocOutcome::Done);
    const ItemRecord r = doc.record(1);
    EXPECT_EQ(r.header.kind(1), ContentKind::None);
    EXPECT_EQ(r.header.kind(2), ContentKind::Sentence);
    EXPECT_EQ(r.header.effects(2), ts.effects);
    EXPECT_EQ(doc.row(1).columns[ListRow::Content1], "제목");
    EXPECT_EQ(doc.row(1).columns[ListRow::Content1 + 1], "문장");
    EXPECT_EQ(doc.titleSentenceDialogStart(1), ts);
}

struct State {
    std::vector<uint8_t> store;
    std::vector<std::array<std::string, 9>> rows;
    bool cutFull;
    bool operator==(const State&) const = default;
};

State stateOf(const OrbDocument& doc) {
    State s{storeBytes(doc), {}, doc.cutBufferFull()};
    for (const ListRow& r : doc.rows()) s.rows.push_back(r.columns);
    return s;
}

TEST(OrbDocumentUndo, EveryCommandUndoesAndRedoesByteForByte) {
    OrbDocument doc;
    std::vector<State> states{stateOf(doc)};
    auto step = [&](DocOutcome r) {
        ASSERT_EQ(r, DocOutcome::Done);
        states.push_back(stateOf(doc));
    };
    LineContent bmp;
    bmp.kind = ContentKind::BitmapPhrase;
    bmp.payload.setPath("/w/RTF/001.bmp");
    bmp.payload.setRtfPath("/w/RTF/001.rtf");
    step(doc.addItem(LayoutCode::ThreeLines, {2, 2, 2}));
    step(doc.addItem(LayoutCode::TitleAndSentence, {1, 2, 0}));
    step(doc.addItem(LayoutCode::OneLine, {3, 0, 0}));
    step(doc.setLineContent(Rows{0}, 1, testing::sentence("첫줄")));
    step(doc.setLineContent(Rows{0}, 2, bmp));
    // Every other kind on line 3, one step each.
    for (ContentKind k : {ContentKind::Bitmap, ContentKind::Animation, ContentKind::Clock, ContentKind::Dday,
                          ContentKind::Temperature}) {
        LineContent c = doc.lineDialogStart(0, 3, k);
        c.payload.setPath("/p/f" + std::to_string(static_cast<int>(k)));
        c.pictureWidth = 16, c.pictureHeight = 16, c.frameCount = 2;
        c.dday = {2027, 1, 2};
        c.effects.holdTime = static_cast<uint8_t>(k);
        step(doc.setLineContent(Rows{0}, 3, c));
    }
    step(doc.setTitleSentence(Rows{1}, {testing::textPayload("t"), testing::textPayload("s"), {}}));
    step(doc.setHeights(Rows{0}, {1, 3, 4}));
    step(doc.setDisplayTime(Rows{2}, {1, 2}, {3, 4}));
    step(doc.cut(Rows{0}));
    step(doc.paste(Rows{1}));
    step(doc.paste(Rows{0}));
    step(doc.deleteRows(Rows{0, 2}));
    step(doc.cut(Rows{1}));

    for (size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_EQ(doc.undo(), DocOutcome::Done);
        ASSERT_TRUE(stateOf(doc) == states[i - 1]) << "undo to state " << i - 1;
    }
    EXPECT_EQ(doc.undo(), DocOutcome::Unchanged);
    for (size_t i = 1; i < states.size(); ++i) {
        ASSERT_EQ(doc.redo(), DocOutcome::Done);
        ASSERT_TRUE(stateOf(doc) == states[i]) << "redo to state " << i;
    }
    EXPECT_EQ(doc.redo(), DocOutcome::Unchanged);
}

TEST(OrbDocumentUndo, ANewStepDropsTheRedoneOnes) {
    OrbDocument doc;
    addSentence(doc, "a");
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    ASSERT_TRUE(doc.canRedo());
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    EXPECT_FALSE(doc.canRedo());
}

// Past its limit the history forgets its oldest steps: exactly the last kHistoryLimit undo, and
// a saved state stays reachable (and clean) while its step is kept, never after.
TEST(OrbDocumentUndo, TheHistoryKeepsItsLastTwoHundredStepsAndTheCleanMarkFollows) {
    static_assert(OrbDocument::kHistoryLimit == 200);
    testing::TempDir dir;
    OrbDocument doc;
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    auto setTime = [&](int i) {
        return doc.setDisplayTime(Rows{0}, {static_cast<uint8_t>(i / 60), static_cast<uint8_t>(i % 60)},
                                  {0, 1});
    };
    for (int i = 1; i <= 10; ++i) ASSERT_EQ(setTime(i), DocOutcome::Done);
    ASSERT_EQ(doc.saveAs(dir.file("show.dat")), DocOutcome::Done);
    const auto saved = storeBytes(doc);
    // 211 steps in all: the oldest 11 are forgotten, the saved state is the oldest one reachable.
    for (int i = 11; i <= 210; ++i) ASSERT_EQ(setTime(i), DocOutcome::Done);
    EXPECT_EQ(doc.title(), "show.dat* - Orb");
    for (int i = 0; i < 200; ++i) ASSERT_EQ(doc.undo(), DocOutcome::Done) << "step " << i;
    EXPECT_EQ(doc.undo(), DocOutcome::Unchanged);
    EXPECT_EQ(storeBytes(doc), saved);
    EXPECT_TRUE(doc.isClean());
    EXPECT_EQ(doc.title(), "show.dat - Orb");

    // One more step trims the saved state away: no undo reaches it, and nothing is clean again.
    while (doc.redo() == DocOutcome::Done) {
    }
    ASSERT_EQ(setTime(211), DocOutcome::Done);
    for (int i = 0; i < 200; ++i) ASSERT_EQ(doc.undo(), DocOutcome::Done) << "step " << i;
    EXPECT_EQ(doc.undo(), DocOutcome::Unchanged);
    EXPECT_FALSE(doc.isClean());
    EXPECT_EQ(doc.title(), "show.dat* - Orb");
    while (doc.redo() == DocOutcome::Done) EXPECT_FALSE(doc.isClean());
}

TEST(OrbDocumentUndo, TheCleanMarkAndTheTitle) {
    testing::TempDir dir;
    OrbDocument doc;
    EXPECT_TRUE(doc.isClean());
    EXPECT_EQ(doc.title(), "Orb");
    addSentence(doc, "a");
    EXPECT_FALSE(doc.isClean());
    EXPECT_EQ(doc.title(), "Orb") << "no name yet";
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());
    ASSERT_EQ(doc.redo(), DocOutcome::Done);

    ASSERT_EQ(doc.saveAs(dir.file("show.dat")), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());
    EXPECT_EQ(doc.title(), "show.dat - Orb");
    EXPECT_TRUE(doc.canUndo()) << "a save keeps the history";
    ASSERT_EQ(doc.redo(), DocOutcome::Done);
    EXPECT_EQ(doc.title(), "show.dat* - Orb");
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    EXPECT_FALSE(doc.isClean());
    ASSERT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    EXPECT_FALSE(doc.isClean()) << "the saved state cannot be reached again";
}

TEST(OrbDocumentSettings, LinesTallerThanTheSignAreNamed) {
    OrbDocument doc;
    ASSERT_EQ(doc.setSignSize(12, 2), DocOutcome::Done);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::OneLine, {3, 0, 0}), 1);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::OneLine, {2, 7, 7}), 0) << "only the layout's lines";
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::TwoLines, {2, 3, 0}), 2);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::ThreeLines, {1, 2, 2}), 0);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::TitleAndSentence, {1, 4, 0}), 2);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::ThreeLines, {4, 4, 4}), 0) << "refused anyway";
    ASSERT_EQ(doc.setSignSize(12, 4), DocOutcome::Done);
    EXPECT_EQ(doc.lineTallerThanSign(LayoutCode::TwoLines, {2, 3, 0}), 0);
}

TEST(OrbDocumentSettings, SettersWriteAtOnceOutsideTheHistory) {
    OrbDocument doc;
    EXPECT_EQ(doc.setSignSize(12, 3), DocOutcome::Done);
    EXPECT_EQ(doc.setSignSize(12, 3), DocOutcome::Unchanged);
    EXPECT_EQ(doc.setSignSize(41, 3), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setSignSize(12, 0), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setLinkMode(LinkMode::Serial), DocOutcome::Unchanged);
    EXPECT_EQ(doc.setLinkMode(LinkMode::Tcp), DocOutcome::Done);
    EXPECT_EQ(doc.setComPort(21), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setComPort(5), DocOutcome::Done);
    EXPECT_EQ(doc.setTcpPeer({10, 0, 0, 9}, 5001), DocOutcome::Done);
    EXPECT_EQ(doc.setOnOffTimes({6, 30}, {23, 10}), DocOutcome::Done);
    EXPECT_EQ(doc.setOnOffTimes({6, 60}, {23, 10}), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setOnOffEnabled(true), DocOutcome::Done);
    EXPECT_EQ(doc.setOnOffEnabled(true), DocOutcome::Unchanged);
    EXPECT_EQ(doc.setWindowMode(2), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setWindowMode(1), DocOutcome::Done);
    EXPECT_EQ(doc.setBrightness(10), DocOutcome::InvalidValue);
    EXPECT_EQ(doc.setBrightness(9), DocOutcome::Done);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.isClean());

    SettingsBlock stored;
    ASSERT_EQ(doc.store().readSettings(stored), IoResult::Ok);
    EXPECT_EQ(stored, doc.settings());
    EXPECT_EQ(std::vector<uint8_t>(stored.bytes.begin(), stored.bytes.begin() + 17),
              (std::vector<uint8_t>{5, 3, 12, 1, 10, 0, 0, 9, 0x13, 0x89, 6, 30, 23, 10, 1, 1, 9}));
}

TEST(OrbDocumentSettings, AreUnsavedChangesUntilSaved) {
    testing::TempDir dir;
    OrbDocument doc;
    testing::RecordingObserver seen;
    doc.addObserver(&seen);
    ASSERT_EQ(doc.saveAs(dir.file("show.dat")), DocOutcome::Done);
    seen.calls.clear();
    ASSERT_EQ(doc.setTcpPeer({192, 168, 0, 7}, 5000), DocOutcome::Done);
    EXPECT_FALSE(doc.isClean());
    EXPECT_EQ(doc.title(), "show.dat* - Orb");
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"settings", "title show.dat* - Orb unsaved"}));
    EXPECT_EQ(doc.undo(), DocOutcome::Unchanged) << "not a step of the list's history";
    // Back to the saved values: nothing left to save.
    ASSERT_EQ(doc.setTcpPeer({0, 0, 0, 0}, 0), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());

    // Each setting on its own marks the project; a save takes them all.
    const std::vector<std::function<DocOutcome()>> setters = {
        [&] { return doc.setLinkMode(LinkMode::Tcp); }, [&] { return doc.setComPort(3); },
        [&] { return doc.setSignSize(10, 2); },         [&] { return doc.setOnOffTimes({6, 0}, {22, 0}); },
        [&] { return doc.setOnOffEnabled(true); },      [&] { return doc.setWindowMode(1); },
        [&] { return doc.setBrightness(3); },
    };
    for (size_t i = 0; i < setters.size(); ++i) {
        ASSERT_EQ(setters[i](), DocOutcome::Done) << "setter " << i;
        EXPECT_FALSE(doc.isClean()) << "setter " << i;
        ASSERT_EQ(doc.save(), DocOutcome::Done);
        EXPECT_TRUE(doc.isClean());
    }
    ASSERT_EQ(doc.setBrightness(5), DocOutcome::Done);
    ASSERT_EQ(doc.open(dir.file("show.dat")), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());
    EXPECT_EQ(doc.settings().brightness(), 3);
    EXPECT_EQ(doc.settings().linkMode(), LinkMode::Tcp);
    doc.removeObserver(&seen);
}

TEST(OrbDocumentObserver, IsToldOfEveryChange) {
    OrbDocument doc;
    testing::RecordingObserver seen;
    doc.addObserver(&seen);
    addSentence(doc, "a");
    addSentence(doc, "b");
    addSentence(doc, "c");
    seen.calls.clear();
    ASSERT_EQ(doc.deleteRows(Rows{0, 2}), DocOutcome::Done);
    ASSERT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc.undo(), DocOutcome::Done);
    ASSERT_EQ(doc.setBrightness(4), DocOutcome::Done);
    ASSERT_EQ(doc.newProject(), DocOutcome::Done);
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"removed 2+1", "removed 0+1", "removed 0+1", "cut full",
                                                    "inserted 0+1", "cut empty", "settings", "reset",
                                                    "settings", "title Orb clean"}));
    doc.removeObserver(&seen);
    seen.calls.clear();
    addSentence(doc, "d");
    EXPECT_TRUE(seen.calls.empty());
}

}  // namespace
}  // namespace orb
