// The JSON form of a program: round trips, bytes of hand-written items, and every refusal.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>

#include "editor/core/ListRow.h"
#include "editor/core/ProgramJson.h"
#include "image/AttributeWord.h"
#include "image/BigEndian.h"
#include "image/Cp949.h"
#include "testsupport/BenchProgram.h"
#include "testsupport/ItemBuilder.h"

namespace orb {
namespace {

using ::testing::HasSubstr;

std::vector<uint8_t> bytesOf(const ItemStore& store) {
    std::vector<uint8_t> bytes(ItemStore::kFileSize);
    EXPECT_EQ(store.readAll(std::span<uint8_t, ItemStore::kFileSize>(bytes.data(), bytes.size())),
              IoResult::Ok);
    return bytes;
}

ItemStore storeOf(const std::vector<ItemRecord>& items, const SettingsBlock& settings) {
    ItemStore store;
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(store.writeRecord(int(i), items[i]), IoResult::Ok);
    EXPECT_EQ(store.writeSettings(settings), IoResult::Ok);
    return store;
}

SettingsBlock someSettings() {
    SettingsBlock s;
    s.setComPort(3), s.setSignHeight(4), s.setSignWidth(20), s.setLinkMode(LinkMode::Tcp);
    s.setIpAddress({192, 168, 0, 7}), s.setTcpPort(5001), s.setOnOffTimes(6, 30, 22, 15);
    s.setOnOffEnabled(true), s.setWindowMode(1), s.setBrightness(4);
    return s;
}

// Picture files are all taken as present unless a test says otherwise.
std::vector<JsonProblem> importText(const std::string& json, ItemStore& out,
                                    std::function<bool(const std::string&)> exists = nullptr) {
    JsonImportOptions options;
    options.fileExists = exists ? exists : [](const std::string&) { return true; };
    return importProgramJson(json, options, out);
}

std::string exportText(const ItemStore& store) {
    std::string json;
    const std::vector<JsonProblem> problems = exportProgramJson(store, json);
    for (const JsonProblem& p : problems) ADD_FAILURE() << toText(p);
    return json;
}

// Export, import, and the bytes and the JSON come back.
void expectRoundTrip(const ItemStore& original) {
    const std::string json = exportText(original);
    ASSERT_FALSE(json.empty());
    ItemStore imported;
    const std::vector<JsonProblem> problems = importText(json, imported);
    for (const JsonProblem& p : problems) ADD_FAILURE() << toText(p);
    EXPECT_TRUE(bytesOf(imported) == bytesOf(original)) << "the project changed on its way through JSON";
    EXPECT_EQ(exportText(imported), json);
}

using testing::cp949, testing::ItemBuilder, testing::word;

// One item of every layout and every kind, with texts of several runs.
std::vector<ItemRecord> everyKindAndLayout() {
    std::vector<ItemRecord> items;
    ItemRecord one = ItemBuilder(LayoutCode::OneLine, {3, 0, 0})
                         .kind(1, ContentKind::Sentence, {9, 7, 8, 9, 4, 3, 2})
                         .window({22, 0}, {2, 30})
                         .text(1, "A가나", word(TextColour::Yellow, BackgroundColour::Green, Typeface::Magic))
                         .item;
    one.line(1).setAttributeWord(0, word(TextColour::Black, BackgroundColour::Red, Typeface::Yet));
    items.push_back(one);

    ItemRecord two = ItemBuilder(LayoutCode::TwoLines, {2, 1, 0})
                         .kind(1, ContentKind::Bitmap, {10, 1, 1, 0, 1, 1, 1})
                         .picture(1, 800, 160, "/pictures/logo.bmp")
                         .kind(2, ContentKind::BitmapPhrase, {2, 0, 0, 2, 0, 0, 0})
                         .picture(2, 320, 16, "/orb/RTF/002.bmp")
                         .item;
    two.line(2).setRtfPath("/orb/RTF/002.rtf");
    items.push_back(two);

    items.push_back(
        ItemBuilder(LayoutCode::ThreeLines, {1, 1, 2})
            .kind(1, ContentKind::Animation)
            .picture(1, 160, 64, "/그림/돌기.gif")
            .frames(1, 50, 4)
            .kind(2, ContentKind::Clock, {0, 0, 0, 6, 2, 0, 0})
            .kind(3, ContentKind::Dday, {0, 0, 0, 0, 1, 0, 0})
            .ddayDate(3, {2028, 2, 29})
            .text(3, "시험까지", word(TextColour::Green, BackgroundColour::Black, Typeface::Gungseo))
            .item);
    items.push_back(
        ItemBuilder(LayoutCode::TwoLines, {1, 1, 0})
            .kind(1, ContentKind::Temperature, {0, 0, 0, 9, 4, 0, 0})  // line 2 stays without content
            .item);
    items.push_back(
        ItemBuilder(LayoutCode::TitleAndSentence, {1, 2, 0})
            .kind(2, ContentKind::Sentence, {1, 2, 3, 4, 1, 2, 3})
            .text(1, "공지", word(TextColour::Red, BackgroundColour::Black, Typeface::Yet))
            .text(2, "오늘은 휴무입니다", word(TextColour::Green, BackgroundColour::Black, Typeface::Gulim))
            .item);

    items.push_back({ItemHeader::newItem(LayoutCode::TitleAndSentence, {1, 1, 0}), {}});  // not yet edited
    items.push_back({ItemHeader::newItem(LayoutCode::ThreeLines, {1, 1, 1}), {}});
    return items;
}

TEST(ProgramJsonRoundTrip, TheExampleProjectComesBackByteForByte) {
    ItemStore example;
    ASSERT_EQ(ItemStore::open(EXAMPLE_PROJECT, FileMode::ReadOnly, example), IoResult::Ok);
    ASSERT_EQ(example.itemCount(), 5);
    expectRoundTrip(example);
}

TEST(ProgramJsonRoundTrip, EveryKindAndLayoutComesBackByteForByte) {
    expectRoundTrip(storeOf(everyKindAndLayout(), someSettings()));
}

TEST(ProgramJsonRoundTrip, TheHundredItemProgramComesBackByteForByte) {
    ItemStore store;
    testing::writeBenchItems(store, "/tmp/bench/picture.bmp", "/tmp/bench/anim.gif");
    SettingsBlock s;
    s.setComPort(1), s.setSignHeight(8), s.setSignWidth(40);
    ASSERT_EQ(store.writeSettings(s), IoResult::Ok);
    expectRoundTrip(store);
}

// The document limits leave room for the largest program: 300 lines of 511 one-character runs.
TEST(ProgramJsonRoundTrip, TheLargestProgramStaysWithinTheLimits) {
    ItemStore store;
    testing::writeLargestProgram(store);
    SettingsBlock s;
    s.correct();
    ASSERT_EQ(store.writeSettings(s), IoResult::Ok);
    expectRoundTrip(store);
}

TEST(ProgramJsonRoundTrip, BytesNoReaderUsesComeBackAsTheEditorWritesThem) {
    const std::vector<ItemRecord> clean = everyKindAndLayout();
    std::vector<ItemRecord> dirty = clean;
    // A bitmap line that once was a sentence keeps old attribute words past its path.
    for (size_t i = 600; i < 1536; ++i) dirty[1].line(1).bytes[i] = 0x5A;
    dirty[0].header.bytes[0] = 0;                          // the marker nobody reads
    dirty[0].header.setHeightCode(3, 7);                   // a line the layout does not have
    dirty[0].header.bytes[70] = 9;                         // reserved
    dirty[0].header.setPictureSize(1, 12, 34);             // not read for a sentence
    dirty[0].line(1).bytes[100] = 'x';                     // past the text's zero
    dirty[0].line(1).setAttributeWord(2, 0x0040);          // second byte of 가
    dirty[3].header.setEffects(1, {5, 5, 5, 9, 4, 5, 5});  // a temperature reads only hold time and speed
    ItemStore dirtyStore = storeOf(dirty, someSettings());
    dirtyStore.writeRecord(50, clean[0]);  // past the first empty record: not an item

    ItemStore imported;
    ASSERT_FALSE(hasErrors(importText(exportText(dirtyStore), imported)));
    std::vector<ItemRecord> expected = clean;
    expected[3].header.setEffects(1, {0, 0, 0, 9, 4, 0, 0});
    EXPECT_TRUE(bytesOf(imported) == bytesOf(storeOf(expected, someSettings())));
    std::vector<ListRow> before, after;
    ASSERT_EQ(readListRows(dirtyStore, before), IoResult::Ok);
    ASSERT_EQ(readListRows(imported, after), IoResult::Ok);
    ASSERT_EQ(before.size(), after.size());
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(before[i].columns, after[i].columns) << "row " << i;
}

TEST(ProgramJsonRoundTrip, SettingsAreExportedAsTheEditorReadsThem) {
    SettingsBlock s;
    s.setSignWidth(41), s.setSignHeight(0), s.setComPort(0);
    s.bytes[20] = 7;  // reserved
    ItemStore imported;
    ASSERT_FALSE(hasErrors(importText(exportText(storeOf({}, s)), imported)));
    SettingsBlock back;
    ASSERT_EQ(imported.readSettings(back), IoResult::Ok);
    EXPECT_EQ(back.signWidth(), 6);
    EXPECT_EQ(back.signHeight(), 1);
    EXPECT_EQ(back.comPort(), 1);
    EXPECT_EQ(back.bytes[20], 0);
}

TEST(ProgramJsonExport, StoredCodesWithoutANameAreReportedAtTheirPlace) {
    std::vector<ItemRecord> items = everyKindAndLayout();
    items[0].header.setEffects(1, {10, 0, 0, 2, 0, 0, 0});  // the text list has no 11th entry
    items[2].header.setKind(2, static_cast<ContentKind>(9));
    items[0].line(1).bytes[1] = 0xFF;  // not CP949 ("A" then a lone lead byte and 나)
    items[5].line(2).setText("played, but kind 0");
    items[6].header.setHeightCode(2, 0);
    std::string json = "unchanged";
    const std::vector<JsonProblem> problems = exportProgramJson(storeOf(items, someSettings()), json);
    EXPECT_EQ(json, "");
    std::set<std::string> places;
    for (const JsonProblem& p : problems) places.insert(p.place);
    EXPECT_THAT(places,
                ::testing::IsSupersetOf({"items[0].lines[0].effects.entry", "items[2].lines[1].kind"}));
    EXPECT_TRUE(std::any_of(places.begin(), places.end(),
                            [](const std::string& p) { return p.rfind("items[0].lines[0].runs[", 0) == 0; }));
}

// --- Hand-written JSON per kind against the record's own layout ---------------------------------

std::string document(const std::string& items, const std::string& settings = "") {
    return R"({"version": 1, "sign": {"width": 10, "height": 2})" + settings + R"(, "items": [)" + items +
           "]}";
}

ItemRecord importedRecord(const std::string& item, int index = 0) {
    ItemStore store;
    const std::vector<JsonProblem> problems = importText(document(item), store);
    for (const JsonProblem& p : problems) ADD_FAILURE() << toText(p);
    ItemRecord r;
    EXPECT_EQ(store.readRecord(index, r), IoResult::Ok);
    return r;
}

std::array<uint8_t, ItemRecord::kSize> recordBytes(const ItemRecord& r) {
    std::array<uint8_t, ItemRecord::kSize> b{};
    r.toBytes(b);
    return b;
}

// A record with the marker, the layout and the heights, as the add command writes it.
std::array<uint8_t, ItemRecord::kSize> added(uint8_t layout, std::array<uint8_t, 3> heights) {
    std::array<uint8_t, ItemRecord::kSize> b{};
    b[0] = b[1] = 0xFE, b[2] = layout, b[3] = heights[0], b[4] = heights[1], b[5] = heights[2];
    return b;
}

void put(std::array<uint8_t, ItemRecord::kSize>& b, size_t at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t v : bytes) b[at++] = v;
}

void putText(std::array<uint8_t, ItemRecord::kSize>& b, int line, std::string_view text) {
    put(b, 128 + size_t(line - 1) * 1536, {});
    for (size_t i = 0; i < text.size(); ++i) b[128 + size_t(line - 1) * 1536 + i] = uint8_t(text[i]);
}

void putWord(std::array<uint8_t, ItemRecord::kSize>& b, int line, size_t i, uint16_t w) {
    writeBe16(&b[128 + size_t(line - 1) * 1536 + 512 + 2 * i], w);
}

TEST(ProgramJsonKinds, ASentenceOfRunsGivesItsTextAndAttributeWords) {
    const ItemRecord r =
        importedRecord(R"({"layout": "one", "heights": [2], "window": {"start": "09:05", "end": "18:00"},
      "lines": [{"kind": "sentence",
        "runs": [{"text": "A", "colour": "빨강색", "background": "검정색", "font": "굴림체"},
                 {"text": "가", "colour": "노랑색", "background": "초록색", "font": "매직체"}],
        "effects": {"entry": "오른쪽에서 들어오기", "hold": "좌우로 흔들기", "exit": "왼쪽으로 나가기",
                    "holdTime": 10, "entrySpeed": 5, "holdSpeed": 2, "exitSpeed": 3}}]})");
    auto expected = added(1, {2, 0, 0});
    put(expected, 6, {1});
    put(expected, 9, {2, 1, 2, 9, 4, 1, 2});
    put(expected, 81, {9, 5, 18, 0});
    putText(expected, 1, "\x41\xB0\xA1");
    putWord(expected, 1, 0, 0x0000);
    putWord(expected, 1, 1, 0x00AC);  // yellow on green in the magic face; word 2 stays 0
    EXPECT_EQ(recordBytes(r), expected);
}

TEST(ProgramJsonKinds, ABitmapScrollingUpIsPictureEntryCodeTwo) {
    const ItemRecord r = importedRecord(R"J({"layout": "two", "heights": [1, 1], "lines": [{"kind": "none"},
      {"kind": "bitmap", "path": "/p/a.bmp", "width": 800, "height": 160,
       "effects": {"entry": "위로 지나가기(스크롤)"}}]})J");
    auto expected = added(2, {1, 1, 0});
    put(expected, 7, {2});
    put(expected, 16, {2, 0, 0, 2, 0, 0, 0});  // hold time "3" unless given
    put(expected, 34, {0x03, 0x20, 0x00, 0xA0});
    putText(expected, 2, "/p/a.bmp");
    EXPECT_EQ(recordBytes(r), expected);
}

TEST(ProgramJsonKinds, APhraseKeepsBothPaths) {
    const ItemRecord r = importedRecord(R"({"layout": "one", "heights": [1], "lines": [
      {"kind": "phrase", "path": "/RTF/001.bmp", "rtf": "/RTF/001.rtf", "width": 64, "height": 16,
       "effects": {"entry": "오른쪽에서 들어오기", "holdTime": 1}}]})");
    auto expected = added(1, {1, 0, 0});
    put(expected, 6, {6});
    put(expected, 9, {3, 0, 0, 0, 0, 0, 0});
    put(expected, 30, {0, 64, 0, 16});
    putText(expected, 1, "/RTF/001.bmp");
    put(expected, 128 + 512, {'/', 'R', 'T', 'F', '/', '0', '0', '1', '.', 'r', 't', 'f'});
    EXPECT_EQ(recordBytes(r), expected);
}

// A phrase read back from a sign has its picture but no rich text: null, not an empty path.
TEST(ProgramJsonKinds, APhraseWithoutRichTextIsNull) {
    const ItemRecord r = importedRecord(R"({"layout": "one", "heights": [1], "lines": [
      {"kind": "phrase", "path": "/media/item001-line1-phrase.bmp", "rtf": null, "width": 64, "height": 16}]})");
    EXPECT_EQ(r.line(1).path(), "/media/item001-line1-phrase.bmp");
    EXPECT_EQ(r.line(1).rtfPath(), "");
    const ItemStore store = storeOf({r}, someSettings());
    EXPECT_NE(exportText(store).find("\"rtf\": null"), std::string::npos);
    expectRoundTrip(store);
    ItemStore out;
    EXPECT_TRUE(hasErrors(importText(document(R"({"layout": "one", "heights": [1], "lines": [
      {"kind": "phrase", "path": "/a.bmp", "width": 64, "height": 16}]})"), out)));
}

TEST(ProgramJsonKinds, AnAnimationKeepsSizeFramesAndSpeed) {
    const ItemRecord r =
        importedRecord(R"({"layout": "three", "heights": [1, 1, 1], "lines": [{"kind": "none"},
      {"kind": "none"}, {"kind": "animation", "path": "/a.gif", "width": 100, "height": 20, "frames": 300,
       "speed": 5}]})");
    auto expected = added(3, {1, 1, 1});
    put(expected, 8, {3});
    put(expected, 38, {0, 100, 0, 20});
    put(expected, 46, {0x01, 0x2C});
    put(expected, 50, {4});
    putText(expected, 3, "/a.gif");
    EXPECT_EQ(recordBytes(r), expected);
}

TEST(ProgramJsonKinds, ClockTemperatureAndDdayKeepTheirFields) {
    const ItemRecord r = importedRecord(R"({"layout": "three", "heights": [1, 1, 1], "lines": [
      {"kind": "clock", "holdTime": 5, "speed": 2}, {"kind": "dday", "date": "2026-12-25",
       "runs": [{"text": "성탄", "colour": "초록색"}]}, {"kind": "temperature"}]})");
    auto expected = added(3, {1, 1, 1});
    put(expected, 6, {4, 5, 7});
    put(expected, 9, {0, 0, 0, 4, 1, 0, 0});
    put(expected, 16, {0, 0, 0, 0, 0, 0, 0});
    put(expected, 23, {0, 0, 0, 2, 0, 0, 0});
    put(expected, 61, {0x07, 0xEA, 0x0C, 0x19});
    const std::string text = cp949("성탄");
    putText(expected, 2, text);
    putWord(expected, 2, 0, 0x0040);
    putWord(expected, 2, 2, 0x0040);
    EXPECT_EQ(recordBytes(r), expected);
}

TEST(ProgramJsonKinds, ATitleAndSentenceKeepsKindZeroOnItsTitle) {
    const ItemRecord r = importedRecord(R"({"layout": "title-and-sentence", "heights": [1, 1], "lines": [
      {"kind": "title", "runs": [{"text": "T"}]}, {"kind": "sentence", "runs": [{"text": "S", "font": "궁서체"}],
       "effects": {"entry": "지나가기"}}]})");
    auto expected = added(4, {1, 1, 0});
    put(expected, 7, {1});
    put(expected, 16, {1, 0, 0, 2, 0, 0, 0});
    putText(expected, 1, "T");
    putText(expected, 2, "S");
    putWord(expected, 2, 0, 0x0004);
    EXPECT_EQ(recordBytes(r), expected);
}

TEST(ProgramJsonKinds, SettingsGoToTheirOffsets) {
    ItemStore store;
    ASSERT_FALSE(hasErrors(
        importText(document("", R"(, "link": {"mode": "tcp", "comPort": 20, "ip": "10.0.200.3", "port": 4660},
          "onOff": {"enabled": true, "on": "06:30", "off": "23:59"}, "displayWindow": "inside", "brightness": 10)"),
                   store)));
    SettingsBlock s;
    ASSERT_EQ(store.readSettings(s), IoResult::Ok);
    const std::array<uint8_t, 32> expected = {20,   2, 10, 1,  10, 0, 200, 3, 0x12,
                                              0x34, 6, 30, 23, 59, 1, 1,   9};
    EXPECT_EQ(s.bytes, expected);
}

// --- Refusals --------------------------------------------------------------------------------

struct Refusal {
    const char* name;
    std::string json;
    ProblemSeverity severity;
    std::string place;
    std::string message;
};

std::string sentence(const std::string& runs) {
    return R"({"layout": "one", "heights": [1], "lines": [{"kind": "sentence", "runs": [)" + runs + "]}]}";
}

std::string items(int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += (i ? "," : "") + sentence(R"({"text": "x"})");
    return out;
}

// Shown by the test's name instead of its bytes.
void PrintTo(const Refusal& r, std::ostream* os) {
    *os << r.name;
}

std::string repeated(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

std::vector<Refusal> refusals() {
    const std::string long512(512, 'a');
    return {
        {"overHundredItems", document(items(101)), ProblemSeverity::Error, "items", "at most 100"},
        {"heightsOverEight", document(R"({"layout": "three", "heights": [3, 3, 3], "lines": [{"kind": "none"},
            {"kind": "none"}, {"kind": "none"}]})"),
         ProblemSeverity::Error, "items[0].heights", "9 modules"},
        {"heightOutOfRange", document(R"({"layout": "one", "heights": [9], "lines": [{"kind": "none"}]})"),
         ProblemSeverity::Error, "items[0].heights[0]", "from 1 to 8"},
        {"textOver511Bytes", document(sentence(R"({"text": "가나다"}, {"text": ")" + long512 + R"("})")),
         ProblemSeverity::Error, "items[0].lines[0].runs[1].text", "518 CP949 bytes"},
        {"outsideKsx1001", document(sentence(R"({"text": "똠"})")), ProblemSeverity::Warning,
         "items[0].lines[0].runs[0].text", "outside KS X 1001"},
        {"notCp949", document(sentence(R"({"text": "a😀"})")), ProblemSeverity::Error,
         "items[0].lines[0].runs[0].text", "CP949 cannot represent"},
        {"unknownColour", document(sentence(R"({"text": "a", "colour": "blue"})")), ProblemSeverity::Error,
         "items[0].lines[0].runs[0].colour", "unknown name \"blue\""},
        {"unknownLayout", document(R"({"layout": "four", "heights": [1], "lines": []})"),
         ProblemSeverity::Error, "items[0].layout", "unknown name"},
        {"unknownEffect",
         document(R"({"layout": "one", "heights": [1], "lines": [{"kind": "bitmap", "path": "/a",
            "width": 1, "height": 1, "effects": {"exit": "날아가기"}}]})"),
         ProblemSeverity::Error, "items[0].lines[0].effects.exit", "unknown name"},
        {"textEntryOnPicture", document(R"J({"layout": "one", "heights": [1], "lines": [{"kind": "sentence",
            "runs": [], "effects": {"entry": "위로 지나가기(스크롤)"}}]})J"),
         ProblemSeverity::Error, "items[0].lines[0].effects.entry", "unknown name"},
        {"badDate",
         document(R"({"layout": "one", "heights": [1], "lines": [{"kind": "dday", "date": "2027-02-29",
            "runs": []}]})"),
         ProblemSeverity::Error, "items[0].lines[0].date", "YYYY-MM-DD"},
        {"badTime", document(R"({"layout": "one", "heights": [1], "window": {"start": "24:00", "end": "1:00"},
            "lines": [{"kind": "none"}]})"),
         ProblemSeverity::Error, "items[0].window.start", "HH:MM"},
        {"badOnOffTime", document("", R"(, "onOff": {"on": "7:00"})"), ProblemSeverity::Error, "onOff.on",
         "HH:MM"},
        {"missingPicture", document(R"({"layout": "one", "heights": [1], "lines": [{"kind": "bitmap",
            "path": "/missing.bmp", "width": 1, "height": 1}]})"),
         ProblemSeverity::Warning, "items[0].lines[0].path", "no such file"},
        {"numberAsString", document("", R"(, "brightness": "5")"), ProblemSeverity::Error, "brightness",
         "not a string"},
        {"fraction", document("", R"(, "brightness": 2.5)"), ProblemSeverity::Error, "brightness",
         "not a fraction"},
        {"hugeNumber", document("", R"(, "brightness": 18446744073709551615)"), ProblemSeverity::Error,
         "brightness", "from 1 to 10"},
        {"unknownKey",
         document(R"({"layout": "one", "heights": [1], "lines": [{"kind": "clock", "text": "x"}]})"),
         ProblemSeverity::Error, "items[0].lines[0].text", "unknown key"},
        {"missingKey", R"({"version": 1, "items": []})", ProblemSeverity::Error, "sign", "missing"},
        {"wrongLineCount", document(R"({"layout": "two", "heights": [1, 1], "lines": [{"kind": "none"}]})"),
         ProblemSeverity::Error, "items[0].lines", "2 lines, not 1"},
        {"titleOutsideItsLayout", document(R"({"layout": "one", "heights": [1], "lines": [{"kind": "title",
            "runs": []}]})"),
         ProblemSeverity::Error, "items[0].lines[0].kind", "only line 1"},
        {"duplicateKey", R"({"version": 1, "sign": {"width": 10, "width": 12, "height": 1}, "items": []})",
         ProblemSeverity::Error, "sign.width", "given twice"},
        {"notJson", "{\"version\": 1,", ProblemSeverity::Error, "", "not JSON"},
        {"notUtf8", "{\"version\": \"\xB0\xA1\"}", ProblemSeverity::Error, "", "not JSON"},
        {"deepNesting", std::string(100000, '[') + std::string(100000, ']'), ProblemSeverity::Error,
         repeated("[0]", kMaxProgramJsonDepth), "nested more than 32"},
        {"megabyteString", document(sentence(R"({"text": ")" + std::string(1 << 20, 'b') + R"("})")),
         ProblemSeverity::Error, "items[0].lines[0].runs[0].text", "a string of 1048576 bytes; at most 4096"},
        {"unknownKeyAtTheRoot", document("", R"(, "extra": [{}, {}])"), ProblemSeverity::Error, "extra",
         "unknown key"},
        {"objectForAValue", document("", R"(, "brightness": {"level": 3})"), ProblemSeverity::Error,
         "brightness", "expected a single value, not an object"},
        {"arrayForAnObject", document("", R"(, "sign": [10, 2])"), ProblemSeverity::Error, "sign",
         "expected an object, not an array"},
        {"moreRunsThanATextHasBytes",
         document(sentence(repeated(R"({"text": ""},)", 511) + R"({"text": ""})")), ProblemSeverity::Error,
         "items[0].lines[0].runs[511]", "more than 511 elements"},
        {"fourLines", document(R"({"layout": "three", "heights": [1, 1, 1], "lines": [{"kind": "none"},
            {"kind": "none"}, {"kind": "none"}, {"kind": "none"}]})"),
         ProblemSeverity::Error, "items[0].lines[3]", "more than 3 elements"},
        {"wrongVersion", R"({"version": 2, "sign": {"width": 10, "height": 1}, "items": []})",
         ProblemSeverity::Error, "version", "from 1 to 1"},
        {"badIp", document("", R"(, "link": {"ip": "10.0.0.256"})"), ProblemSeverity::Error, "link.ip",
         "IPv4"},
    };
}

class ProgramJsonRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(ProgramJsonRefusal, ReportsItsMessageAtItsPlaceAndLeavesTheTargetAsItWas) {
    const Refusal& r = GetParam();
    ItemStore target = storeOf(everyKindAndLayout(), someSettings());
    const std::vector<uint8_t> before = bytesOf(target);
    const auto exists = [](const std::string& p) { return p != "/missing.bmp"; };
    const std::vector<JsonProblem> problems = importText(r.json, target, exists);
    const bool found = std::any_of(problems.begin(), problems.end(), [&](const JsonProblem& p) {
        return p.severity == r.severity && p.place == r.place &&
               p.message.find(r.message) != std::string::npos;
    });
    std::string all;
    for (const JsonProblem& p : problems) all += toText(p) + "\n";
    EXPECT_TRUE(found) << "wanted " << r.place << ": " << r.message << "\ngot:\n" << all;
    if (r.severity == ProblemSeverity::Error)
        EXPECT_TRUE(bytesOf(target) == before) << "the target changed";
    else
        EXPECT_FALSE(hasErrors(problems)) << all;
}

INSTANTIATE_TEST_SUITE_P(EveryProblem, ProgramJsonRefusal, ::testing::ValuesIn(refusals()),
                         [](const ::testing::TestParamInfo<Refusal>& p) { return p.param.name; });

TEST(ProgramJsonImport, ReportsEveryProblemAtOnce) {
    ItemStore target;
    const std::vector<JsonProblem> problems =
        importText(document(R"({"layout": "one", "heights": [1], "window": {"start": "25:00", "end": "00:00"},
           "lines": [{"kind": "sentence", "runs": [{"text": "a", "font": "Arial"}],
           "effects": {"holdTime": 11}}]}, {"layout": "two", "heights": [5, 4], "lines": []})"),
                   target);
    std::set<std::string> places;
    for (const JsonProblem& p : problems) places.insert(p.place);
    EXPECT_EQ(places, (std::set<std::string>{"items[0].window.start", "items[0].lines[0].runs[0].font",
                                             "items[0].lines[0].effects.holdTime", "items[1].heights",
                                             "items[1].lines"}));
}

// The scan's problems come alone: what it refuses never becomes a tree for the checks after it.
TEST(ProgramJsonImport, UnknownKeysLongArraysAndLargeObjectsAreRefusedBeforeATreeIsBuilt) {
    ItemStore target;
    std::vector<JsonProblem> problems = importText(
        document(sentence(R"({"text": "a", "size": 12})"), R"(, "brightness": 99, "extra": {"a": [{"b": 1},
           {"a": 2, "a": 3}]})"),
        target);
    ASSERT_EQ(problems.size(), 2u) << "the unknown keys' contents are not looked into";
    EXPECT_EQ(problems[0].place, "extra");
    EXPECT_EQ(problems[1].place, "items[0].lines[0].runs[0].size");
    EXPECT_EQ(problems[1].message, "unknown key");

    std::string ones = "[";
    for (int i = 0; i < 2000; ++i) ones += i ? ",1" : "1";
    problems = importText(document("", R"(, "extra": )" + ones + "]"), target);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1].place, "extra[1024]");
    EXPECT_THAT(problems[1].message, HasSubstr("more than 1024 elements"));
    std::string keys = "{";
    for (int i = 0; i < 100; ++i) keys += (i ? ",\"k" : "\"k") + std::to_string(i) + "\": 0";
    problems = importText(keys + "}", target);
    EXPECT_EQ(problems.size(), 65u);
    EXPECT_THAT(problems.back().message, HasSubstr("more than 64 keys"));

    std::string manyUnknown;
    for (int i = 0; i < 300; ++i) manyUnknown += R"({"layout": "one", "x": 0},)";
    problems = importText(document(manyUnknown + sentence(R"({"text": "a"})")), target);
    ASSERT_EQ(problems.size(), kMaxProgramJsonProblems + 1);
    EXPECT_EQ(problems.back().message, "100 more problems not shown");
}

TEST(ProgramJsonImport, ReportsTwoHundredProblemsAndCountsTheRest) {
    ItemStore target;
    std::string runs;
    for (int i = 0; i < 300; ++i) runs += std::string(i ? "," : "") + R"({"text": "a", "font": "Arial"})";
    const std::vector<JsonProblem> problems = importText(document(sentence(runs)), target);
    ASSERT_EQ(problems.size(), kMaxProgramJsonProblems + 1);
    EXPECT_EQ(problems[199].place, "items[0].lines[0].runs[199].font");
    EXPECT_EQ(problems.back().message, "100 more problems not shown");
    EXPECT_EQ(problems.back().severity, ProblemSeverity::Error);
}

TEST(ProgramJsonImport, RefusesADocumentOverItsLimitBeforeParsing) {
    ItemStore target;
    const std::string big(kMaxProgramJsonBytes + 1, ' ');
    const std::vector<JsonProblem> problems = importText(big, target);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_THAT(problems[0].message, HasSubstr("at most"));
}

TEST(ProgramJsonImport, WarningsAloneStillFillTheStore) {
    ItemStore target;
    const std::vector<JsonProblem> problems = importText(document(sentence(R"({"text": "똠방"})")), target);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(target.itemCount(), 1);
}

}  // namespace
}  // namespace orb
