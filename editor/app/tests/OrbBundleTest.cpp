// Program bundles in the window: "그림과 함께 저장", and opening a bundle in a fresh window with
// its pictures placed in the folder the user chose; hostile bundles refused with their message.
#include <QAction>
#include <QApplication>
#include <QTest>
#include <filesystem>
#include <memory>

#include "bundle/tests/ZipCraft.h"
#include "editor/app/CMainFrame.h"
#include "editor/app/tests/FakePrompts.h"
#include "editor/core/OrbDocument.h"
#include "editor/core/PreviewBuild.h"
#include "testsupport/PseudoTerminal.h"
#include "testsupport/TempDir.h"

namespace orb {

namespace {

namespace fs = std::filesystem;

// A window on its own working folder, as a second run of the editor has.
struct Window {
    testing::TempDir dir;
    std::unique_ptr<OrbDocument> doc;
    testing::FakePrompts prompts;
    std::unique_ptr<CMainFrame> frame;

    Window() {
        if (OrbDocument::startUp(dir.path().string(), doc) != DocOutcome::Done) return;
        prompts.saveAnswer = SaveChoice::Discard;
        frame = std::make_unique<CMainFrame>(*doc, prompts);
    }
    const FrameActions& a() const { return frame->actions(); }
    // The program as the sign would get it.
    std::vector<uint8_t> image() const {
        const std::string path = dir.file("built.img");
        if (buildImage(doc->store(), path).result != BuildResult::Done) return {};
        return testing::readFileBytes(path);
    }
    // What the list shows but for the content texts (columns 4 to 6), which name the files.
    std::vector<std::string> rowsWithoutFiles() const {
        std::vector<std::string> out;
        for (const ListRow& row : doc->rows())
            for (size_t c : {0, 1, 2, 3, 7, 8}) out.push_back(row.columns[c]);
        return out;
    }
};

std::vector<uint8_t> exampleFile(const char* name) {
    return testing::readFileBytes(fs::path(EXAMPLE_PROJECT).parent_path() / name);
}

}  // namespace

class OrbBundleTest : public QObject {
    Q_OBJECT

  private:
    testing::PseudoTerminal com1_;

  private slots:
    void initTestCase() {
        QVERIFY(!com1_.device().empty());
        qputenv("ORB_COM1", com1_.device().c_str());
        qputenv(
            "XDG_CONFIG_HOME",
            QByteArray::fromStdString(
                (fs::temp_directory_path() / ("orb-bundle-test-" + std::to_string(::getpid()))).string()));
    }

    void aBundleOpensInAnotherWindowWithTheSameProgram() {
        Window here;
        QVERIFY(here.frame);
        QCOMPARE(here.doc->open(EXAMPLE_PROJECT), DocOutcome::Done);
        const std::string bundle = here.dir.file("demo.zip");
        here.prompts.bundlePath = QString::fromStdString(bundle);
        here.a().saveBundle->trigger();
        QVERIFY(here.prompts.messages.empty());
        QVERIFY(fs::file_size(bundle) > 1000);
        // An export: the project stays as it was.
        QVERIFY(here.doc->isClean());
        QCOMPARE(here.doc->projectPath(), std::string(EXAMPLE_PROJECT));

        Window there;
        QVERIFY(there.frame);
        QCOMPARE(there.doc->addItem(LayoutCode::OneLine, {1, 1, 1}), DocOutcome::Done);
        there.prompts.saveAnswer = SaveChoice::Discard;
        there.prompts.openPath = QString::fromStdString(bundle);
        there.prompts.pictureFolder = QString::fromStdString(there.dir.file("pictures"));
        there.a().open->trigger();
        QCOMPARE(there.prompts.saveQuestions, 1);
        QCOMPARE(there.prompts.folderQuestions.size(), size_t{1});
        QCOMPARE(there.prompts.folderQuestions[0].second, QString::fromStdString(here.dir.path().string()));
        QVERIFY(there.prompts.messages.empty());
        QCOMPARE(there.rowsWithoutFiles(), here.rowsWithoutFiles());
        QVERIFY(!here.image().empty());
        QVERIFY(there.image() == here.image());
        QVERIFY(testing::readFileBytes(there.dir.file("pictures/media/001-logo.bmp")) ==
                exampleFile("media/logo.bmp"));
        // A new project that has no file yet: saving asks for a name, closing asks first.
        QVERIFY(!there.doc->isClean());
        QVERIFY(there.doc->projectPath().empty());
        there.frame->close();
        QTRY_COMPARE(there.prompts.saveQuestions, 2);
    }

    void aBundleThatCannotBeWrittenSaysWhy() {
        Window w;
        QVERIFY(w.frame);
        QCOMPARE(w.doc->open(EXAMPLE_PROJECT), DocOutcome::Done);
        w.prompts.bundlePath = QString::fromStdString(w.dir.file("no-such-folder/demo.zip"));
        w.a().saveBundle->trigger();
        QCOMPARE(w.prompts.messages.size(), size_t{1});
        QCOMPARE(w.prompts.messages[0].second, QString("저장실패"));
        QCOMPARE(w.prompts.kinds[0], MessageKind::Critical);
        QVERIFY(!fs::exists(w.dir.file("no-such-folder")));
    }

    void hostileBundlesAreRefusedWithTheirMessage_data() {
        QTest::addColumn<QString>("message");
        QTest::newRow("a name that climbs out") << "\"../evil.bmp\": the name has a part \"..\"";
        QTest::newRow("a picture already there") << "already there with other bytes; not replaced";
    }
    void hostileBundlesAreRefusedWithTheirMessage() {
        QFETCH(QString, message);
        Window w;
        QVERIFY(w.frame);
        QCOMPARE(w.doc->addItem(LayoutCode::TwoLines, {1, 1, 1}), DocOutcome::Done);
        QCOMPARE(w.doc->save(), DocOutcome::NeedsSaveAs);
        QCOMPARE(w.doc->saveAs(w.dir.file("mine.dat")), DocOutcome::Done);
        const std::string title = w.doc->title();
        const std::string pictures = w.dir.file("pictures");
        std::vector<testing::CraftEntry> entries;
        if (QTest::currentDataTag() == QString("a name that climbs out")) {
            entries = {{"program.json", testing::textBytes("{}")}, {"../evil.bmp", testing::textBytes("x")}};
        } else {
            // b.bmp is there with other bytes: a.bmp, placed first, is taken away again.
            const std::string json = R"({"version": 1, "sign": {"width": 10, "height": 1}, "items": [
                {"layout": "two", "heights": [1, 1], "lines": [
                  {"kind": "bitmap", "path": "a.bmp", "width": 1, "height": 1},
                  {"kind": "bitmap", "path": "b.bmp", "width": 1, "height": 1}]}]})";
            const std::vector<uint8_t> bmp = exampleFile("media/logo.bmp");
            entries = {{"program.json", testing::textBytes(json)}, {"a.bmp", bmp}, {"b.bmp", bmp}};
            fs::create_directories(pictures);
            testing::writeFileBytes(pictures + "/b.bmp", testing::textBytes("mine"));
        }
        const std::string bundle = w.dir.file("evil.zip");
        testing::writeFileBytes(bundle, testing::craftZip(entries));
        w.prompts.openPath = QString::fromStdString(bundle);
        w.prompts.pictureFolder = QString::fromStdString(pictures);
        w.a().open->trigger();
        QCOMPARE(w.prompts.messages.size(), size_t{1});
        QVERIFY2(w.prompts.messages[0].first.contains(message), qPrintable(w.prompts.messages[0].first));
        QCOMPARE(w.prompts.messages[0].second, QString("파일오픈실패"));
        QCOMPARE(w.prompts.kinds[0], MessageKind::Warning);
        // Nothing changed, nothing left behind.
        QCOMPARE(w.doc->rowCount(), 1);
        QCOMPARE(w.doc->title(), title);
        QVERIFY(!fs::exists(pictures + "/a.bmp"));
        QVERIFY(!fs::exists(w.dir.path().parent_path() / "evil.bmp"));
    }
};

}  // namespace orb

QTEST_MAIN(orb::OrbBundleTest)
#include "OrbBundleTest.moc"
