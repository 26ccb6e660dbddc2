// The enabling and checking of the menus and the context menu on each layout.
#include <gtest/gtest.h>

#include "editor/core/CommandState.h"
#include "editor/tests/DocumentFixtures.h"

namespace orb {
namespace {

using Rows = std::vector<int>;

// One item of each layout: 1, 2, 3 lines, title and sentence; line kinds set on some lines.
std::unique_ptr<OrbDocument> eachLayout() {
    auto doc = std::make_unique<OrbDocument>();
    EXPECT_EQ(doc->addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    EXPECT_EQ(doc->addItem(LayoutCode::TwoLines, {1, 1, 0}), DocOutcome::Done);
    EXPECT_EQ(doc->addItem(LayoutCode::ThreeLines, {1, 1, 1}), DocOutcome::Done);
    EXPECT_EQ(doc->addItem(LayoutCode::TitleAndSentence, {1, 1, 0}), DocOutcome::Done);
    LineContent clock = doc->lineDialogStart(2, 3, ContentKind::Clock);
    EXPECT_EQ(doc->setLineContent(Rows{2}, 3, clock), DocOutcome::Done);
    EXPECT_EQ(doc->setLineContent(Rows{1}, 1, testing::sentence("s")), DocOutcome::Done);
    return doc;
}

std::array<bool, 3> linesEnabled(const MenuEntries& m) {
    return {m.lines[0].enabled, m.lines[1].enabled, m.lines[2].enabled};
}

TEST(CommandState, LineEntriesFollowTheFirstSelectedItemsLayout) {
    auto doc = eachLayout();
    struct Case {
        int row;
        std::array<bool, 3> lines;
        bool title;
    };
    const Case cases[] = {
        {0, {true, false, false}, false},
        {1, {true, true, false}, false},
        {2, {true, true, true}, false},
        {3, {false, false, false}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        const CommandState s = commandState(*doc, Rows{c.row});
        for (const MenuEntries* m : {&s.main, &s.context}) {
            EXPECT_EQ(linesEnabled(*m), c.lines);
            EXPECT_EQ(m->titleSentenceEnabled, c.title);
            EXPECT_EQ(m->titleSentenceChecked, c.title);
        }
        EXPECT_TRUE(s.add);
        EXPECT_TRUE(s.contextMenuShown);
    }
    // Several rows: the first (lowest) selected one decides.
    const CommandState s = commandState(*doc, Rows{3, 0});
    EXPECT_EQ(linesEnabled(s.main), (std::array<bool, 3>{true, false, false}));
}

TEST(CommandState, TheEntryOfEachLinesKindIsChecked) {
    auto doc = eachLayout();
    const CommandState two = commandState(*doc, Rows{1});
    EXPECT_TRUE(two.main.lines[0].checked[static_cast<size_t>(ContentKind::Sentence) - 1]);
    EXPECT_EQ(std::count(two.main.lines[0].checked.begin(), two.main.lines[0].checked.end(), true), 1);
    EXPECT_EQ(std::count(two.main.lines[1].checked.begin(), two.main.lines[1].checked.end(), true), 0);
    const CommandState three = commandState(*doc, Rows{2});
    EXPECT_TRUE(three.context.lines[2].checked[static_cast<size_t>(ContentKind::Clock) - 1]);
}

TEST(CommandState, CutPasteDeleteBySelectionAndBuffer) {
    auto doc = eachLayout();
    CommandState none = commandState(*doc, Rows{});
    EXPECT_FALSE(none.main.remove);
    EXPECT_FALSE(none.main.cut);
    EXPECT_FALSE(none.toolbarPaste);
    EXPECT_FALSE(none.contextMenuShown);
    EXPECT_EQ(linesEnabled(none.main), (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(none.main.titleSentenceEnabled);

    CommandState one = commandState(*doc, Rows{1});
    EXPECT_TRUE(one.main.remove);
    EXPECT_TRUE(one.main.cut);
    EXPECT_FALSE(one.toolbarPaste) << "the buffer is empty";
    EXPECT_FALSE(one.context.paste);
    EXPECT_FALSE(one.mainMenuPaste);

    CommandState two = commandState(*doc, Rows{0, 1});
    EXPECT_TRUE(two.main.remove);
    EXPECT_FALSE(two.main.cut);
    EXPECT_TRUE(two.context.cut) << "the context menu's cut refuses with its message";

    ASSERT_EQ(doc->cut(Rows{0}), DocOutcome::Done);
    one = commandState(*doc, Rows{0});
    EXPECT_TRUE(one.toolbarPaste);
    EXPECT_TRUE(one.main.paste);
    EXPECT_TRUE(one.context.paste);
    EXPECT_FALSE(one.mainMenuPaste) << "the main menu's own entry is never enabled";
    two = commandState(*doc, Rows{0, 1});
    EXPECT_FALSE(two.toolbarPaste);
    EXPECT_TRUE(two.context.paste);
    EXPECT_TRUE(one.undo);
    EXPECT_FALSE(one.redo);

    EXPECT_FALSE(commandState(*doc, Rows{7}).contextMenuShown) << "rows outside the list";
}

TEST(CommandState, AGarbageLayoutEnablesNoLineEntry) {
    testing::TempDir dir;
    ItemRecord odd;
    odd.header = ItemHeader::newItem(static_cast<LayoutCode>(9), {1, 1, 1});
    odd.header.setKind(1, ContentKind::Sentence);
    ItemStore file;
    ASSERT_EQ(ItemStore::open(dir.file("odd.dat"), FileMode::CreateOrOpen, file), IoResult::Ok);
    ASSERT_EQ(file.writeRecord(0, odd), IoResult::Ok);
    OrbDocument doc;
    ASSERT_EQ(doc.open(dir.file("odd.dat")), DocOutcome::Done);
    const CommandState s = commandState(doc, Rows{0});
    EXPECT_EQ(linesEnabled(s.main), (std::array<bool, 3>{false, false, false}));
    EXPECT_FALSE(s.main.titleSentenceEnabled);
    EXPECT_TRUE(s.main.remove);
}

TEST(CommandState, TheSettingsPairsAreCheckedByTheirValues) {
    OrbDocument doc;
    CommandState s = commandState(doc, Rows{});
    EXPECT_TRUE(s.serialChecked);
    EXPECT_FALSE(s.tcpChecked);
    EXPECT_TRUE(s.windowAlwaysChecked);
    EXPECT_FALSE(s.windowOnlyChecked);
    EXPECT_TRUE(s.onOffOffChecked);
    EXPECT_FALSE(s.onOffOnChecked);
    ASSERT_EQ(doc.setLinkMode(LinkMode::Tcp), DocOutcome::Done);
    ASSERT_EQ(doc.setWindowMode(1), DocOutcome::Done);
    ASSERT_EQ(doc.setOnOffEnabled(true), DocOutcome::Done);
    s = commandState(doc, Rows{});
    EXPECT_FALSE(s.serialChecked);
    EXPECT_TRUE(s.tcpChecked);
    EXPECT_TRUE(s.windowOnlyChecked);
    EXPECT_TRUE(s.onOffOnChecked);
}

}  // namespace
}  // namespace orb

namespace orb {
namespace {

TEST(CommandStateBusy, WhileTheLinkIsBusyOnlyTheSelectionAndCancelRemain) {
    auto doc = eachLayout();
    const Rows first{0};
    const CommandState idle = commandState(*doc, first);
    EXPECT_TRUE(idle.project && idle.signCommands && idle.settings && idle.main.remove);
    EXPECT_FALSE(idle.cancelTransfer);
    for (SignActivity activity : {SignActivity::Command, SignActivity::Transfer}) {
        const CommandState s = commandState(*doc, first, activity);
        EXPECT_FALSE(s.add || s.project || s.signCommands || s.settings || s.save || s.preview);
        EXPECT_FALSE(s.main.remove || s.main.cut || s.toolbarPaste || s.undo || s.redo);
        EXPECT_FALSE(s.contextMenuShown);
        for (const LineEntries& line : s.main.lines) EXPECT_FALSE(line.enabled);
        // What is checked stays shown.
        EXPECT_EQ(s.main.lines[0].checked, idle.main.lines[0].checked);
        EXPECT_EQ(s.serialChecked, idle.serialChecked);
        EXPECT_EQ(s.cancelTransfer, activity == SignActivity::Transfer);
    }
}

// The gauge read from inside a row notice is the one after the change.
class GaugeWatch : public DocumentObserver {
  public:
    explicit GaugeWatch(const OrbDocument& doc) : doc_(doc) {}
    void rowsInserted(int, int) override { seen.push_back(doc_.memoryUse().sectors); }
    void rowsRemoved(int, int) override { seen.push_back(doc_.memoryUse().sectors); }
    void rowsChanged(int, int) override { seen.push_back(doc_.memoryUse().sectors); }
    void rowsReset() override { seen.push_back(doc_.memoryUse().sectors); }
    std::vector<uint64_t> seen;

  private:
    const OrbDocument& doc_;
};

TEST(OrbDocumentGauge, RowNoticesComeAfterTheGaugeWasMeasuredAgain) {
    OrbDocument doc;
    GaugeWatch watch(doc);
    doc.addObserver(&watch);
    EXPECT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    EXPECT_EQ(doc.setLineContent(Rows{0}, 1, testing::sentence("a")), DocOutcome::Done);
    EXPECT_EQ(doc.addItem(LayoutCode::OneLine, {1, 0, 0}), DocOutcome::Done);
    EXPECT_EQ(doc.setLineContent(Rows{1}, 1, testing::sentence("b")), DocOutcome::Done);
    EXPECT_EQ(doc.deleteRows(Rows{0}), DocOutcome::Done);
    EXPECT_EQ(doc.undo(), DocOutcome::Done);
    EXPECT_EQ(doc.newProject(), DocOutcome::Done);
    EXPECT_EQ(watch.seen, (std::vector<uint64_t>{0, 3, 3, 6, 3, 6, 0}));
    doc.removeObserver(&watch);
}

}  // namespace
}  // namespace orb
