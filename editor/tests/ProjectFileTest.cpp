// Project files, the start-up on a working folder and its lock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "editor/tests/DocumentFixtures.h"
#include "testsupport/ChildProcess.h"

namespace orb {
namespace {

using testing::addSentence;
using testing::storeBytes;
using testing::TempDir;
using Rows = std::vector<int>;

// A project file holding ITEMS and SETTINGS.
std::string writeProject(const std::string& path, const std::vector<ItemRecord>& items,
                         const SettingsBlock& settings = {}) {
    auto bytes = std::make_unique<StoreBytes>();
    bytes->fill(0);
    for (size_t i = 0; i < items.size(); ++i)
        items[i].toBytes(
            std::span<uint8_t, ItemRecord::kSize>(bytes->data() + i * ItemRecord::kSize, ItemRecord::kSize));
    std::copy(settings.bytes.begin(), settings.bytes.end(), bytes->begin() + ItemStore::kSettingsOffset);
    testing::writeFileBytes(path, {bytes->begin(), bytes->end()});
    return path;
}

ItemRecord temperatureItem() {
    ItemRecord r;
    r.header = ItemHeader::newItem(LayoutCode::TwoLines, {1, 1, 0});
    r.header.setKind(1, ContentKind::Temperature);
    r.header.setKind(2, ContentKind::Sentence);
    r.line(2).setText("hi");
    return r;
}

std::vector<uint8_t> fileBytes(const std::string& path) {
    return testing::readFileBytes(path);
}

size_t entriesIn(const TempDir& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir.path()),
                                             std::filesystem::directory_iterator()));
}

void expectMessage(DocOutcome outcome, const char* text, const char* caption) {
    EXPECT_EQ(messageOf(outcome).text, text);
    EXPECT_EQ(messageOf(outcome).caption, caption);
}

TEST(ProjectOpen, AProjectWithATemperatureLine) {
    TempDir dir;
    SettingsBlock settings;
    settings.setSignWidth(50);  // corrected to 6 in the store, the file keeps it
    settings.setSignHeight(2);
    settings.setLinkMode(LinkMode::Tcp);
    const std::string path = writeProject(dir.file("temp.dat"), {temperatureItem()}, settings);
    OrbDocument doc;
    addSentence(doc, "old");
    ASSERT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc.open(path), DocOutcome::Done);
    ASSERT_EQ(doc.rowCount(), 1);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "온도표시");
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1 + 1], "hi");
    EXPECT_EQ(doc.settings().signWidth(), 6);
    EXPECT_EQ(doc.settings().signHeight(), 2);
    EXPECT_EQ(doc.settings().linkMode(), LinkMode::Tcp);
    SettingsBlock stored;
    ASSERT_EQ(doc.store().readSettings(stored), IoResult::Ok);
    EXPECT_EQ(stored.signWidth(), 6) << "the correction is written back into the store";
    EXPECT_EQ(fileBytes(path)[ItemStore::kSettingsOffset + settings::kSignWidth], 50);
    EXPECT_FALSE(doc.cutBufferFull());
    EXPECT_FALSE(doc.canUndo()) << "a fresh history";
    EXPECT_TRUE(doc.isClean());
    EXPECT_EQ(doc.projectPath(), path);
    EXPECT_EQ(doc.title(), "temp.dat - Orb");
}

TEST(ProjectOpen, NamesSizesAndMissingFiles) {
    TempDir dir;
    OrbDocument doc;
    addSentence(doc, "kept");
    const auto before = storeBytes(doc);

    EXPECT_EQ(doc.open(writeProject(dir.file("CAPS.DAT"), {temperatureItem()})), DocOutcome::Done);
    EXPECT_EQ(doc.rowCount(), 1);
    ASSERT_EQ(doc.newProject(), DocOutcome::Done);
    addSentence(doc, "kept");
    ASSERT_EQ(storeBytes(doc), before);

    const DocOutcome bak = doc.open(writeProject(dir.file("show.dat.bak"), {temperatureItem()}));
    EXPECT_EQ(bak, DocOutcome::WrongExtension);
    expectMessage(bak, "오픈할수 없는 파일입니다", "파일오픈실패");
    EXPECT_EQ(doc.open(dir.file("noextension")), DocOutcome::WrongExtension);

    const std::string small = dir.file("small.dat");
    testing::writeFileBytes(small, std::vector<uint8_t>(1000, 1));
    const DocOutcome size = doc.open(small);
    EXPECT_EQ(size, DocOutcome::WrongSize);
    expectMessage(size, "오픈할수 없는 파일입니다", "파일오픈실패");
    EXPECT_EQ(fileBytes(small), std::vector<uint8_t>(1000, 1));

    const DocOutcome missing = doc.open(dir.file("none.dat"));
    EXPECT_EQ(missing, DocOutcome::CannotOpen);
    expectMessage(missing, "오픈할수 없습니다", "오픈실패");

    EXPECT_EQ(storeBytes(doc), before) << "a refused open changes nothing";
    EXPECT_EQ(doc.projectPath(), "");
    EXPECT_TRUE(doc.canUndo());
}

TEST(ProjectOpen, GarbageRecordsGiveRowsWithoutReadingPastTheRecord) {
    TempDir dir;
    ItemRecord odd;
    odd.header.bytes.fill(0xC8);  // layout 200, heights 200, kinds 200
    ItemRecord lines;
    lines.header = ItemHeader::newItem(LayoutCode::ThreeLines, {0, 200, 9});
    lines.header.setKind(1, ContentKind::Sentence);
    lines.header.setKind(2, static_cast<ContentKind>(8));
    lines.header.setKind(3, ContentKind::Bitmap);
    lines.header.setWindow({99, 99}, {99, 99});
    lines.line(1).bytes.fill(0xB0);  // no terminating zero anywhere
    lines.line(3).bytes.fill('x');
    ItemRecord title;
    title.header = ItemHeader::newItem(LayoutCode::TitleAndSentence, {5, 5, 0});
    title.line(1).bytes.fill('t');
    ItemRecord afterEnd = lines;  // past a zero record: not an item
    const std::string path = writeProject(dir.file("junk.dat"), {odd, lines, title, ItemRecord{}, afterEnd});

    OrbDocument doc;
    ASSERT_EQ(doc.open(path), DocOutcome::Done);
    ASSERT_EQ(doc.rowCount(), 3);
    EXPECT_EQ(doc.row(0).columns[ListRow::Layout], "");
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "");
    const auto& r = doc.row(1).columns;
    EXPECT_EQ(r[ListRow::Height1], "0픽셀");
    EXPECT_EQ(r[ListRow::Height1 + 1], "3200픽셀");
    EXPECT_LE(r[ListRow::Content1].size(), 3 * 511u) << "at most 511 text bytes";
    EXPECT_FALSE(r[ListRow::Content1].empty());
    EXPECT_EQ(r[ListRow::Content1 + 1], "");
    EXPECT_EQ(r[ListRow::Content1 + 2], std::string(511, 'x'));
    EXPECT_EQ(r[ListRow::WindowStart], "99시99분");
    EXPECT_EQ(doc.row(2).columns[ListRow::Content1], std::string(511, 't'));
    ItemRecord past;
    ASSERT_EQ(doc.store().readRecord(4, past), IoResult::Ok);
    EXPECT_EQ(past, ItemRecord{}) << "records past the list are not kept";

    // The commands stay sound on them.
    EXPECT_EQ(doc.setHeights(Rows{0}, {1, 1, 1}), DocOutcome::LineNotInLayout);
    EXPECT_EQ(doc.setHeights(Rows{1}, {2, 2, 2}), DocOutcome::Done);
    ASSERT_EQ(doc.cut(Rows{0}), DocOutcome::Done);
    ASSERT_EQ(doc.paste(Rows{1}), DocOutcome::Done);
    EXPECT_EQ(doc.rowCount(), 3);
    EXPECT_EQ(doc.store().itemCount(), 3);
}

TEST(ProjectSave, AfterOpenWritesBackWithoutAskingAfterNewAsksForAName) {
    TempDir dir;
    const std::string path = writeProject(dir.file("p.dat"), {temperatureItem()});
    OrbDocument doc;
    ASSERT_EQ(doc.open(path), DocOutcome::Done);
    addSentence(doc, "more");
    EXPECT_EQ(doc.title(), "p.dat* - Orb");
    ASSERT_EQ(doc.save(), DocOutcome::Done);
    EXPECT_EQ(fileBytes(path), storeBytes(doc));
    EXPECT_EQ(doc.title(), "p.dat - Orb");
    EXPECT_EQ(entriesIn(dir), 1u) << "no temporary file is left";

    ASSERT_EQ(doc.newProject(), DocOutcome::Done);
    EXPECT_EQ(doc.projectPath(), "");
    addSentence(doc, "new");
    EXPECT_EQ(doc.save(), DocOutcome::NeedsSaveAs);
    EXPECT_FALSE(isRefusal(DocOutcome::NeedsSaveAs));
    ASSERT_EQ(doc.saveAs(dir.file("q.dat")), DocOutcome::Done);
    EXPECT_EQ(doc.projectPath(), dir.file("q.dat"));
    EXPECT_EQ(fileBytes(dir.file("q.dat")), storeBytes(doc));
    EXPECT_EQ(fileBytes(dir.file("q.dat")).size(), ItemStore::kFileSize);
}

// A program from a bundle or the sign: the store's records and settings, no file yet, unsaved.
TEST(ProjectOpen, AnImportedProgramIsANewProjectWithUnsavedChanges) {
    TempDir dir;
    ItemStore program;
    SettingsBlock settings;
    ASSERT_EQ(program.readSettings(settings), IoResult::Ok);
    settings.setSignWidth(12);
    ASSERT_EQ(program.writeSettings(settings), IoResult::Ok);
    ASSERT_EQ(program.writeRecord(0, temperatureItem()), IoResult::Ok);

    OrbDocument doc;
    ASSERT_EQ(doc.open(writeProject(dir.file("p.dat"), {})), DocOutcome::Done);
    addSentence(doc, "mine");
    addSentence(doc, "more");
    ASSERT_EQ(doc.openImported(program), DocOutcome::Done);
    EXPECT_EQ(doc.rowCount(), 1);
    EXPECT_EQ(doc.row(0).columns[ListRow::Content1], "온도표시");
    EXPECT_EQ(doc.settings().signWidth(), 12);
    EXPECT_EQ(doc.projectPath(), "");
    EXPECT_FALSE(doc.isClean());
    EXPECT_FALSE(doc.canUndo());
    EXPECT_EQ(doc.save(), DocOutcome::NeedsSaveAs);
    ASSERT_EQ(doc.saveAs(dir.file("q.dat")), DocOutcome::Done);
    EXPECT_TRUE(doc.isClean());
}

TEST(ProjectSave, OrbctlListsTheSavedProjectAsTheReopenedDocumentShowsIt) {
    TempDir dir;
    OrbDocument doc;
    addSentence(doc, "첫째");
    ASSERT_EQ(doc.addItem(LayoutCode::TwoLines, {2, 1, 0}), DocOutcome::Done);
    LineContent phrase = doc.lineDialogStart(1, 2, ContentKind::BitmapPhrase);
    phrase.payload.setPath("/w/RTF/001.bmp");
    phrase.payload.setRtfPath("/w/RTF/001.rtf");
    ASSERT_EQ(doc.setLineContent(Rows{1}, 2, phrase), DocOutcome::Done);
    ASSERT_EQ(doc.setDisplayTime(Rows{1}, {9, 0}, {17, 30}), DocOutcome::Done);
    const std::string path = dir.file("listed.dat");
    ASSERT_EQ(doc.saveAs(path), DocOutcome::Done);

    OrbDocument reopened;
    ASSERT_EQ(reopened.open(path), DocOutcome::Done);
    std::string expected;
    for (const ListRow& row : reopened.rows()) {
        for (size_t c = 0; c < row.columns.size(); ++c) expected += (c ? "\t" : "") + row.columns[c];
        expected += "\n";
    }
    EXPECT_NE(expected.find("001.bmp(rtf)"), std::string::npos);
    const testing::Outcome listed = testing::runCommand(std::string(ORBCTL_PATH) + " list " + path);
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, expected);
}

TEST(ProjectSave, AnEmptyProgramIsStillAWholeStore) {
    TempDir dir;
    OrbDocument doc;
    ASSERT_EQ(doc.saveAs(dir.file("empty.dat")), DocOutcome::Done);
    EXPECT_EQ(fileBytes(dir.file("empty.dat")).size(), 473632u);
}

TEST(ProjectSave, AReadOnlyTargetIsRefusedUntouchedAndThePathStays) {
    TempDir dir;
    const std::string path = writeProject(dir.file("ro.dat"), {temperatureItem()});
    OrbDocument doc;
    ASSERT_EQ(doc.open(path), DocOutcome::Done);
    addSentence(doc, "change");
    const auto original = fileBytes(path);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    const DocOutcome r = doc.save();
    EXPECT_EQ(r, DocOutcome::CannotSave);
    expectMessage(r, "저장할수 없습니다", "저장실패");
    EXPECT_EQ(fileBytes(path), original);
    EXPECT_EQ(doc.projectPath(), path);
    EXPECT_FALSE(doc.isClean());
    EXPECT_EQ(entriesIn(dir), 1u);

    EXPECT_EQ(doc.saveAs(dir.file("missing/folder.dat")), DocOutcome::CannotSave);
    EXPECT_EQ(doc.projectPath(), path);
    ASSERT_EQ(doc.saveAs(dir.file("other.dat")), DocOutcome::Done);
    EXPECT_EQ(doc.projectPath(), dir.file("other.dat"));
}

TEST(ProjectSave, AnExistingFileKeepsItsPermissions) {
    TempDir dir;
    const std::string path = writeProject(dir.file("perm.dat"), {});
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    OrbDocument doc;
    ASSERT_EQ(doc.saveAs(path), DocOutcome::Done);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// What an editor killed half-way through saving left beside the project (a temporary file no one
// holds) goes when an editor opens it again; another program's stays.
TEST(ProjectOpen, RemovesWhatAKilledSaveOfTheEditorLeftBeside) {
    TempDir dir;
    const std::string path = writeProject(dir.file("p.dat"), {temperatureItem()});
    const std::string ours = path + "." + program_invocation_short_name + "-k1ll3d";
    testing::writeFileBytes(ours, std::vector<uint8_t>(1000, 1));
    testing::writeFileBytes(path + ".orbctl-abc123", std::vector<uint8_t>(1000, 1));
    OrbDocument doc;
    ASSERT_EQ(doc.open(path), DocOutcome::Done);
    EXPECT_FALSE(std::filesystem::exists(ours));
    EXPECT_TRUE(std::filesystem::exists(path + ".orbctl-abc123"));
}

TEST(StartUp, ClearsTheRecordsCorrectsTheSettingsAndMakesTheRtfFolder) {
    TempDir dir;
    SettingsBlock settings;
    settings.setSignWidth(50);
    settings.setSignHeight(0);
    settings.setComPort(3);
    writeProject(dir.file("data.tmp"), {temperatureItem()}, settings);
    std::unique_ptr<OrbDocument> doc;
    ASSERT_EQ(OrbDocument::startUp(dir.path().string(), doc), DocOutcome::Done);
    EXPECT_EQ(doc->rowCount(), 0);
    EXPECT_EQ(doc->settings().signWidth(), 6);
    EXPECT_EQ(doc->settings().signHeight(), 1);
    EXPECT_EQ(doc->settings().comPort(), 3);
    const auto bytes = fileBytes(dir.file("data.tmp"));
    EXPECT_EQ(bytes[0], 0) << "records cleared in the file";
    EXPECT_EQ(bytes[ItemStore::kSettingsOffset + settings::kSignWidth], 6);
    EXPECT_EQ(bytes[ItemStore::kSettingsOffset + settings::kComPort], 3);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "RTF"));
    EXPECT_EQ(doc->previewPath(), dir.file("preview.tmp"));

    addSentence(*doc, "written at once");
    EXPECT_EQ(fileBytes(dir.file("data.tmp"))[header::kLayout], 1);
}

TEST(StartUp, AnRtfFolderOfAnyCaseIsKeptAndAMissingStoreIsCreated) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "rtf");
    std::unique_ptr<OrbDocument> doc;
    ASSERT_EQ(OrbDocument::startUp(dir.path().string(), doc), DocOutcome::Done);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "RTF"));
    EXPECT_EQ(fileBytes(dir.file("data.tmp")).size(), ItemStore::kFileSize);
    EXPECT_EQ(doc->settings().signWidth(), 6);
}

TEST(StartUp, AFolderThatCannotHoldTheStore) {
    TempDir dir;
    std::unique_ptr<OrbDocument> doc;
    testing::writeFileBytes(dir.file("plain"), {1});
    const DocOutcome r = OrbDocument::startUp(dir.file("plain/folder"), doc);
    EXPECT_EQ(r, DocOutcome::WorkingFolderUnusable);
    expectMessage(r, "파일을 만들수 없습니다\n실행할수 없습니다", "실행할수 없음");
    EXPECT_EQ(doc, nullptr);

    std::filesystem::create_directory(dir.path() / "data.tmp");  // not a file
    EXPECT_EQ(OrbDocument::startUp(dir.path().string(), doc), DocOutcome::WorkingFolderUnusable);
}

TEST(StartUp, AMissingFolderIsMade) {
    TempDir dir;
    std::unique_ptr<OrbDocument> doc;
    ASSERT_EQ(OrbDocument::startUp(dir.file("new/home"), doc), DocOutcome::Done);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "new/home/data.tmp"));
}

TEST(StartUp, TheStoreItselfIsNoProjectToSaveOver) {
    TempDir dir;
    std::unique_ptr<OrbDocument> doc;
    ASSERT_EQ(OrbDocument::startUp(dir.path().string(), doc), DocOutcome::Done);
    addSentence(*doc, "a");
    EXPECT_EQ(doc->saveAs(dir.file("data.tmp")), DocOutcome::CannotSave);
    addSentence(*doc, "b");
    EXPECT_EQ(fileBytes(dir.file("data.tmp")), storeBytes(*doc)) << "the store still writes into data.tmp";
}

TEST(ProjectSave, ALinkToAProjectStaysALink) {
    TempDir dir;
    const std::string real = writeProject(dir.file("real.dat"), {});
    std::filesystem::create_symlink(real, dir.path() / "link.dat");
    OrbDocument doc;
    addSentence(doc, "via link");
    ASSERT_EQ(doc.saveAs(dir.file("link.dat")), DocOutcome::Done);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.dat"));
    EXPECT_EQ(fileBytes(real), storeBytes(doc));
    EXPECT_EQ(doc.projectPath(), dir.file("link.dat"));
}

TEST(StartUp, ADamagedStoreIsReplaced) {
    TempDir dir;
    testing::writeFileBytes(dir.file("data.tmp"), std::vector<uint8_t>(100, 7));
    std::unique_ptr<OrbDocument> doc;
    ASSERT_EQ(OrbDocument::startUp(dir.path().string(), doc), DocOutcome::Done);
    EXPECT_EQ(fileBytes(dir.file("data.tmp")).size(), ItemStore::kFileSize);
}

TEST(StartUp, ASecondEditorOnTheSameFolderIsToldAndTheFirstLosesNothing) {
    TempDir dir;
    std::unique_ptr<OrbDocument> first;
    ASSERT_EQ(OrbDocument::startUp(dir.path().string(), first), DocOutcome::Done);
    addSentence(*first, "mine");
    const auto before = fileBytes(dir.file("data.tmp"));

    // Another process, as a second editor would be.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<OrbDocument> second;
        ::_exit(OrbDocument::startUp(dir.path().string(), second) == DocOutcome::StoreInUse ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    std::unique_ptr<OrbDocument> second;
    const DocOutcome r = OrbDocument::startUp(dir.path().string(), second);
    EXPECT_EQ(r, DocOutcome::StoreInUse);
    EXPECT_TRUE(isRefusal(r));
    EXPECT_NE(messageOf(r).text.find("data.tmp"), std::string::npos);
    EXPECT_EQ(fileBytes(dir.file("data.tmp")), before);
    EXPECT_EQ(first->rowCount(), 1);
    addSentence(*first, "still mine");
    EXPECT_EQ(first->store().itemCount(), 2);

    first.reset();
    EXPECT_EQ(OrbDocument::startUp(dir.path().string(), second), DocOutcome::Done);
}

}  // namespace
}  // namespace orb
