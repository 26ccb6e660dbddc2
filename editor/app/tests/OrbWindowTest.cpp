// The editor's window offscreen: menus, toolbar, list, context menu, title, the unsaved-changes
// question, keys, preview and drop, with the document in memory or on a scratch folder.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>

#include "editor/app/CMainFrame.h"
#include "editor/app/COrbView.h"
#include "editor/app/FrameStatusBar.h"
#include "editor/app/KoreanLocale.h"
#include "editor/app/PreviewBuildDialog.h"
#include "editor/app/SignCommandRunner.h"
#include "editor/app/tests/FakePrompts.h"
#include "editor/core/OrbDocument.h"
#include "editor/core/ProjectFile.h"
#include "image/Cp949.h"
#include "testsupport/ChildProcess.h"
#include "testsupport/PictureFixtures.h"
#include "testsupport/PseudoTerminal.h"
#include "testsupport/TempDir.h"

namespace orb {

namespace {

QStringList entryTexts(const QMenu* menu) {
    QStringList texts;
    for (const QAction* a : menu->actions()) texts << (a->isSeparator() ? QString("|") : a->text());
    return texts;
}

QMenu* menuTitled(const QMenuBar* bar, const QString& title) {
    for (QAction* a : bar->actions())
        if (a->menu() && a->text() == title) return a->menu();
    return nullptr;
}

QAction* entry(const QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

LineContent clockContent() {
    LineContent c;
    c.kind = ContentKind::Clock;
    return c;
}

}  // namespace

class OrbWindowTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<testing::TempDir> dir_;
    std::unique_ptr<OrbDocument> doc_;
    std::unique_ptr<testing::FakePrompts> prompts_;
    std::unique_ptr<CMainFrame> frame_;
    QStringList launched_;
    testing::PseudoTerminal com1_;

    const FrameActions& a() const { return frame_->actions(); }
    QTableView* list() const { return frame_->view()->list(); }

    void addItems(std::initializer_list<LayoutCode> layouts) {
        for (LayoutCode l : layouts) QCOMPARE(doc_->addItem(l, {1, 1, 1}), DocOutcome::Done);
    }
    void select(const std::vector<int>& rows) {
        frame_->view()->selectRows(rows);
        frame_->refreshActions();
    }
    void press(QKeySequence keys) {
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
        QTest::keySequence(frame_.get(), keys);
    }
    int rows() const { return list()->model()->rowCount(); }

  private slots:
    void initTestCase() {
        // COM1 is a line that opens, whatever the machine has; the editor's own settings go to
        // a scratch folder.
        QVERIFY(!com1_.device().empty());
        qputenv("ORB_COM1", com1_.device().c_str());
        qputenv("XDG_CONFIG_HOME",
                QByteArray::fromStdString((std::filesystem::temp_directory_path() /
                                           ("orb-window-test-" + std::to_string(::getpid())))
                                              .string()));
    }

    void init() {
        dir_ = std::make_unique<testing::TempDir>();
        QVERIFY(OrbDocument::startUp(dir_->path().string(), doc_) == DocOutcome::Done);
        prompts_ = std::make_unique<testing::FakePrompts>();
        frame_ = std::make_unique<CMainFrame>(*doc_, *prompts_);
        launched_.clear();
        frame_->setLauncher([this](const QString& program, const QStringList& args) {
            launched_ << program << args;
            return true;
        });
        frame_->show();
        QApplication::setActiveWindow(frame_.get());
        QVERIFY(QTest::qWaitForWindowActive(frame_.get()));
    }

    void cleanup() {
        prompts_->saveAnswer = SaveChoice::Discard;
        frame_.reset();
        doc_.reset();
        dir_.reset();
    }

    void frameSizeAndTitle() {
        QCOMPARE(frame_->size(), QSize(1200, 750));
        QCOMPARE(frame_->windowTitle(), QString("Orb"));
        QCOMPARE(frame_->panes()->message(), QString("준비"));
        QCOMPARE(frame_->panes()->linkStatus(), QString("연결: COM1, 57600 bps"));
        QCOMPARE(frame_->panes()->memoryText(), QString("메모리 0 %"));
        QVERIFY(!frame_->panes()->memoryOverfull());
    }

    void menuBarTitles() {
        QStringList titles;
        for (const QAction* m : frame_->menuBar()->actions()) titles << m->text();
        QCOMPARE(titles, QStringList({"파일(&F)", "규격", "추가하기", "편집", "미리보기", "시각설정",
                                      "통신설정", "표출시간", "ON/OFF", "밝기", "도움말(&H)"}));
    }

    void menuEntries_data() {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("file") << "파일(&F)"
                              << QStringList{
                                     "불러오기",   "저장하기", "다른이름으로 저장하기", "그림과 함께 저장",
                                     "새로만들기", "|",        "전광판에서 가져오기",   "|",
                                     "종료(&X)"};
        QTest::newRow("size") << "규격" << QStringList{"전광판 사이즈"};
        QTest::newRow("add") << "추가하기"
                             << QStringList{"1줄로 추가", "2줄로 추가", "3줄로 추가", "제목과문장 추가"};
        QTest::newRow("edit") << "편집"
                              << QStringList{
                                     "1번째줄 편집", "2번째줄 편집", "3번째줄 편집", "제목과문장 편집", "|",
                                     "잘라내기",     "붙여넣기",     "삭제"};
        QTest::newRow("preview") << "미리보기" << QStringList{"보기"};
        QTest::newRow("clock") << "시각설정" << QStringList{"설정"};
        QTest::newRow("link") << "통신설정"
                              << QStringList{"RS232전송", "TCP/IP전송", "|",           "포트설정",
                                             "IP설정",    "|",          "전송 후 확인"};
        QTest::newRow("window") << "표출시간"
                                << QStringList{"표출시간에 관계없이 표출", "표출시간에만 표출", "|", "적용"};
        QTest::newRow("onoff") << "ON/OFF" << QStringList{"ON/OFF시간설정",   "|", "ON/OFF기능사용안함",
                                                          "ON/OFF기능사용함", "|", "적용"};
        QTest::newRow("brightness") << "밝기" << QStringList{"LED밝기"};
        QTest::newRow("help") << "도움말(&H)" << QStringList{"Orb 정보(&A)..."};
    }

    void menuEntries() {
        QFETCH(QString, menu);
        QFETCH(QStringList, entries);
        const QMenu* m = menuTitled(frame_->menuBar(), menu);
        QVERIFY(m);
        QCOMPARE(entryTexts(m), entries);
    }

    void lineSubmenus() {
        const QMenu* edit = menuTitled(frame_->menuBar(), "편집");
        for (const char* line : {"1번째줄 편집", "2번째줄 편집", "3번째줄 편집"}) {
            const QAction* sub = entry(edit, line);
            QVERIFY(sub && sub->menu());
            QCOMPARE(entryTexts(sub->menu()), QStringList({"문장", "비트맵", "애니메이션", "시각표시",
                                                           "디데이", "비트맵문구", "온도표시"}));
        }
    }

    void toolbarOrderAndTips() {
        const auto* bar = frame_->findChild<QToolBar*>("toolBar");
        QVERIFY(bar);
        QCOMPARE(bar->iconSize(), QSize(32, 32));
        QStringList tips;
        for (const QAction* b : bar->actions()) {
            tips << (b->isSeparator() ? QString("|") : b->toolTip());
            if (!b->isSeparator()) QVERIFY(!b->icon().isNull());
        }
        QCOMPARE(tips, QStringList({"불러오기",   "저장하기",   "다른이름으로 저장하기",
                                    "새로만들기", "|",          "전광판 사이즈",
                                    "|",          "잘라내기",   "붙여넣기",
                                    "삭제",       "|",          "1줄로 추가",
                                    "2줄로 추가", "3줄로 추가", "제목과문장 추가",
                                    "|",          "미리보기",   "|",
                                    "시각설정",   "|",          "포트설정",
                                    "IP설정"}));
    }

    void listColumns() {
        QCOMPARE(list()->model()->columnCount(), 9);
        const QStringList headings{"구분",       "1단높이",    "2단높이",      "3단높이",     "1단의 내용",
                                   "2단의 내용", "3단의 내용", "표출시작시간", "표출마감시간"};
        const int widths[] = {100, 60, 60, 60, 224, 224, 224, 90, 90};
        for (int c = 0; c < 9; ++c) {
            QCOMPARE(list()->model()->headerData(c, Qt::Horizontal).toString(), headings[c]);
            QCOMPARE(list()->columnWidth(c), widths[c]);
        }
        QCOMPARE(list()->selectionMode(), QAbstractItemView::ExtendedSelection);
        QCOMPARE(list()->selectionBehavior(), QAbstractItemView::SelectRows);
    }

    void rowsFollowTheDocument() {
        addItems({LayoutCode::TwoLines, LayoutCode::TitleAndSentence});
        QCOMPARE(rows(), 2);
        const QAbstractItemModel* m = list()->model();
        QCOMPARE(m->index(0, 0).data().toString(), QString("2줄로편집"));
        QCOMPARE(m->index(0, 1).data().toString(), QString("16픽셀"));
        QCOMPARE(m->index(0, 2).data().toString(), QString("16픽셀"));
        QCOMPARE(m->index(0, 3).data().toString(), QString());
        QCOMPARE(m->index(1, 0).data().toString(), QString("제목과문장"));
        QCOMPARE(m->index(1, 7).data().toString(), QString("00시00분"));
        const std::array<int, 1> first{0};
        QCOMPARE(doc_->setLineContent(first, 2, clockContent()), DocOutcome::Done);
        QCOMPARE(m->index(0, 5).data().toString(), QString("시각표시"));
        QCOMPARE(doc_->deleteRows(first), DocOutcome::Done);
        QCOMPARE(rows(), 1);
        QCOMPARE(m->index(0, 0).data().toString(), QString("제목과문장"));
        QCOMPARE(doc_->undo(), DocOutcome::Done);
        QCOMPARE(rows(), 2);
        QCOMPARE(m->index(0, 5).data().toString(), QString("시각표시"));
    }

    void statesWithoutSelection() {
        for (QAction* add : a().add) QVERIFY(add->isEnabled());
        QVERIFY(!a().cut->isEnabled());
        QVERIFY(!a().remove->isEnabled());
        QVERIFY(!a().menuPaste->isEnabled());
        QVERIFY(!a().toolbarPaste->isEnabled());
        QVERIFY(!a().editTitleSentence->isEnabled());
        for (const auto& line : a().editLine)
            for (const QAction* e : line) QVERIFY(!e->isEnabled());
        QVERIFY(a().serial->isChecked());
        QVERIFY(!a().tcp->isChecked());
        QVERIFY(a().windowAlways->isChecked());
        QVERIFY(a().onOffOff->isChecked());
        for (const QAction* s : {a().signSize, a().setClock, a().portSettings, a().ipSettings,
                                 a().windowApply, a().onOffApply, a().brightness})
            QVERIFY(s->isEnabled());
        QVERIFY(frame_->view()->transferButton()->isEnabled());
        QVERIFY(!a().cancelTransfer->isEnabled());
    }

    void statesFollowTheSelection() {
        addItems({LayoutCode::OneLine, LayoutCode::ThreeLines, LayoutCode::TitleAndSentence});
        const std::array<int, 1> first{0};
        QCOMPARE(doc_->setLineContent(first, 1, clockContent()), DocOutcome::Done);

        select({0});
        QVERIFY(a().editLine[0][0]->isEnabled());
        QVERIFY(a().editLine[0][3]->isChecked());  // "시각표시"
        QVERIFY(!a().editLine[0][0]->isChecked());
        QVERIFY(!a().editLine[1][0]->isEnabled());
        QVERIFY(!a().editLine[2][0]->isEnabled());
        QVERIFY(!a().editTitleSentence->isEnabled());
        QVERIFY(a().cut->isEnabled());
        QVERIFY(a().remove->isEnabled());

        select({1});
        for (const auto& line : a().editLine) QVERIFY(line[6]->isEnabled());

        select({2});
        QVERIFY(a().editTitleSentence->isEnabled());
        QVERIFY(a().editTitleSentence->isChecked());
        QVERIFY(!a().editLine[0][0]->isEnabled());

        select({0, 2});
        QVERIFY(!a().cut->isEnabled());
        QVERIFY(a().remove->isEnabled());

        select({1});
        a().cut->trigger();
        QCOMPARE(rows(), 2);
        select({0});
        QVERIFY(a().toolbarPaste->isEnabled());
        QVERIFY(!a().menuPaste->isEnabled());
        select({0, 1});
        QVERIFY(!a().toolbarPaste->isEnabled());
    }

    void contentEntriesNeedTheirDialogs() {
        prompts_->contentDialogs = false;
        addItems({LayoutCode::ThreeLines, LayoutCode::TitleAndSentence});
        select({0});
        for (const auto& line : a().editLine)
            for (const QAction* e : line) QVERIFY(!e->isEnabled());
        select({1});
        QVERIFY(!a().editTitleSentence->isEnabled());
    }

    void editLineRunsTheDialogAndStores() {
        QCOMPARE(doc_->setSignSize(8, 2), DocOutcome::Done);
        QCOMPARE(doc_->addItem(LayoutCode::TwoLines, {2, 1, 1}), DocOutcome::Done);
        select({0});
        prompts_->lineResult = clockContent();
        a().editLine[1][3]->trigger();
        QCOMPARE(prompts_->editedLines.size(), size_t(1));
        QCOMPARE(prompts_->editedLines[0].first, 2);
        // The previews learn where the line lies on the sign.
        const auto& [sign, heights] = prompts_->lineAreas.at(0);
        QCOMPARE(int(sign.width) * 10 + sign.height, 82);
        QCOMPARE(int(heights[0]) * 10 + heights[1], 21);
        QCOMPARE(list()->model()->index(0, 5).data().toString(), QString("시각표시"));
        QVERIFY(a().editLine[1][3]->isChecked());
    }

    void contextMenuRules() {
        QVERIFY(!frame_->createContextMenu(frame_.get()));
        addItems({LayoutCode::TwoLines, LayoutCode::TitleAndSentence});
        QVERIFY(!frame_->createContextMenu(frame_.get()));  // nothing selected

        select({0});
        std::unique_ptr<QMenu> menu(frame_->createContextMenu(frame_.get()));
        QVERIFY(menu);
        QCOMPARE(entryTexts(menu.get()),
                 QStringList({"1번째줄 편집", "2번째줄 편집", "3번째줄 편집", "제목과문장 편집", "|",
                              "높이설정", "표출시간", "|", "잘라내기", "붙여넣기", "삭제하기"}));
        QVERIFY(entry(menu.get(), "1번째줄 편집")->menu()->actions()[0]->isEnabled());
        QVERIFY(entry(menu.get(), "2번째줄 편집")->menu()->actions()[0]->isEnabled());
        QVERIFY(!entry(menu.get(), "3번째줄 편집")->menu()->actions()[0]->isEnabled());
        QVERIFY(!entry(menu.get(), "제목과문장 편집")->isEnabled());
        QVERIFY(!entry(menu.get(), "붙여넣기")->isEnabled());
        QVERIFY(entry(menu.get(), "잘라내기")->isEnabled());
        QVERIFY(entry(menu.get(), "삭제하기")->isEnabled());

        select({1});
        menu.reset(frame_->createContextMenu(frame_.get()));
        QVERIFY(entry(menu.get(), "제목과문장 편집")->isChecked());
        QVERIFY(entry(menu.get(), "제목과문장 편집")->isEnabled());
        for (const char* line : {"1번째줄 편집", "2번째줄 편집", "3번째줄 편집"})
            for (const QAction* e : entry(menu.get(), line)->menu()->actions()) QVERIFY(!e->isEnabled());

        // Cut from the context menu with two rows: its refusal, nothing changes.
        select({0, 1});
        menu.reset(frame_->createContextMenu(frame_.get()));
        entry(menu.get(), "잘라내기")->trigger();
        QCOMPARE(rows(), 2);
        QCOMPARE(prompts_->messages.back(),
                 std::make_pair(QString("잘라내기 할곳의 Item만 선택하세요..."), QString("Orb")));

        select({0});
        menu.reset(frame_->createContextMenu(frame_.get()));
        entry(menu.get(), "잘라내기")->trigger();
        select({0});
        menu.reset(frame_->createContextMenu(frame_.get()));
        QVERIFY(entry(menu.get(), "붙여넣기")->isEnabled());
        entry(menu.get(), "붙여넣기")->trigger();
        QCOMPARE(rows(), 2);
        QCOMPARE(list()->model()->index(0, 0).data().toString(), QString("2줄로편집"));
    }

    // Double-click or Enter on a row: the dialog of its first line's kind (the sentence's for a
    // line without content), the title and sentence dialog for that layout.
    void doubleClickAndEnterOpenTheRowsDialog() {
        addItems({LayoutCode::OneLine, LayoutCode::TwoLines, LayoutCode::TitleAndSentence});
        const std::array<int, 1> second{1};
        QCOMPARE(doc_->setLineContent(second, 1, clockContent()), DocOutcome::Done);
        // A double-click as a mouse makes it: the press first, which the view needs to see.
        auto doubleClick = [this](int row) {
            const QPoint at = list()->visualRect(list()->model()->index(row, 0)).center();
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
        };
        doubleClick(0);
        QCOMPARE(prompts_->editedLines,
                 (std::vector<std::pair<int, ContentKind>>{{1, ContentKind::Sentence}}));
        doubleClick(1);
        QCOMPARE(prompts_->editedLines.back(), std::make_pair(1, ContentKind::Clock));
        frame_->view()->focusList();
        list()->setCurrentIndex(list()->model()->index(2, 0));
        QTest::keyClick(list(), Qt::Key_Return);
        QCOMPARE(prompts_->titleSentenceDialogs, 1);
        QCOMPARE(frame_->view()->selectedRows(), std::vector<int>{2});
        QCOMPARE(prompts_->editedLines.size(), size_t(2));
    }

    void submenusOfMissingLinesAreDisabled() {
        addItems({LayoutCode::OneLine, LayoutCode::TitleAndSentence});
        select({0});
        QVERIFY(a().lineMenus[0]->menuAction()->isEnabled());
        QVERIFY(!a().lineMenus[1]->menuAction()->isEnabled());
        QVERIFY(!a().lineMenus[2]->menuAction()->isEnabled());
        std::unique_ptr<QMenu> menu(frame_->createContextMenu(frame_.get()));
        QVERIFY(entry(menu.get(), "1번째줄 편집")->isEnabled());
        QVERIFY(!entry(menu.get(), "2번째줄 편집")->isEnabled());
        QVERIFY(!entry(menu.get(), "3번째줄 편집")->isEnabled());
        select({1});
        for (QMenu* sub : a().lineMenus) QVERIFY(!sub->menuAction()->isEnabled());
    }

    void contextMenuOnlyInsideTheList() {
        addItems({LayoutCode::OneLine});
        QVERIFY(!frame_->view()->contextMenuAllowedAt(QPoint(5, 5)));
        select({0});
        QVERIFY(frame_->view()->contextMenuAllowedAt(QPoint(5, 5)));
        QVERIFY(!frame_->view()->contextMenuAllowedAt(QPoint(-5, 5)));
    }

    void heightAndDisplayTimeDialogs() {
        addItems({LayoutCode::ThreeLines});
        select({0});
        std::unique_ptr<QMenu> menu(frame_->createContextMenu(frame_.get()));
        prompts_->heights = std::array<uint8_t, 3>{3, 3, 3};
        entry(menu.get(), "높이설정")->trigger();
        QCOMPARE(prompts_->heightLayouts.back(), LayoutCode::ThreeLines);
        QCOMPARE(
            prompts_->messages.back(),
            std::make_pair(QString("전체높이는 128픽셀입니다.\n수정할수 없습니다"), QString("사이즈초과")));
        prompts_->heights = std::array<uint8_t, 3>{3, 3, 2};
        select({0});
        menu.reset(frame_->createContextMenu(frame_.get()));
        entry(menu.get(), "높이설정")->trigger();
        QCOMPARE(list()->model()->index(0, 3).data().toString(), QString("32픽셀"));

        prompts_->times = TimePair{{9, 30}, {18, 5}};
        select({0});
        menu.reset(frame_->createContextMenu(frame_.get()));
        entry(menu.get(), "표출시간")->trigger();
        QCOMPARE(prompts_->timeTitles.back(), QString("표출시간"));
        QCOMPARE(list()->model()->index(0, 7).data().toString(), QString("09시30분"));
        QCOMPARE(list()->model()->index(0, 8).data().toString(), QString("18시05분"));
    }

    // The status bar names the sign's size; a line taller than the sign is added or made so only
    // when the user goes on.
    void signSizeShownAndTallLinesAsked() {
        auto* bar = qobject_cast<FrameStatusBar*>(frame_->statusBar());
        QCOMPARE(bar->signSizeText(), QString("%1열 x 1단, %2 x 16")
                                          .arg(doc_->settings().signWidth())
                                          .arg(doc_->settings().signWidth() * 16));
        QCOMPARE(doc_->setSignSize(6, 2), DocOutcome::Done);
        QCOMPARE(bar->signSizeText(), QString("6열 x 2단, 96 x 32"));

        prompts_->heights = std::array<uint8_t, 3>{2, 3, 0};
        prompts_->goOn = false;
        a().add[1]->trigger();
        QCOMPARE(rows(), 0);
        QCOMPARE(prompts_->questions.size(), size_t(1));
        QCOMPARE(prompts_->questions.back().second, QString("높이설정"));
        QVERIFY(prompts_->questions.back().first.startsWith("2번째줄의 높이(3단)가 전광판(2단)보다"));
        prompts_->goOn = true;
        a().add[1]->trigger();
        QCOMPARE(rows(), 1);
        QCOMPARE(list()->model()->index(0, 2).data().toString(), QString("48픽셀"));

        prompts_->heights = std::array<uint8_t, 3>{4, 1, 0};
        prompts_->goOn = false;
        select({0});
        std::unique_ptr<QMenu> menu(frame_->createContextMenu(frame_.get()));
        entry(menu.get(), "높이설정")->trigger();
        QCOMPARE(prompts_->questions.size(), size_t(3));
        QCOMPARE(list()->model()->index(0, 1).data().toString(), QString("32픽셀"));
        prompts_->heights = std::array<uint8_t, 3>{2, 2, 0};  // fits: no question
        entry(menu.get(), "높이설정")->trigger();
        QCOMPARE(prompts_->questions.size(), size_t(3));
        QCOMPARE(list()->model()->index(0, 2).data().toString(), QString("32픽셀"));
    }

    void addRefusalsAndCancel() {
        prompts_->heights = std::array<uint8_t, 3>{3, 3, 3};
        a().add[2]->trigger();
        QCOMPARE(rows(), 0);
        QCOMPARE(
            prompts_->messages.back(),
            std::make_pair(QString("전체높이는 160픽셀입니다.\n추가할수 없습니다"), QString("사이즈초과")));
        prompts_->heights.reset();
        a().add[0]->trigger();
        QCOMPARE(rows(), 0);
        prompts_->heights = std::array<uint8_t, 3>{2, 0, 0};
        a().add[0]->trigger();
        QCOMPARE(rows(), 1);
        QCOMPARE(prompts_->heightStarts.back(), (std::array<uint8_t, 3>{1, 1, 1}));
        QCOMPARE(list()->model()->index(0, 1).data().toString(), QString("32픽셀"));
        QCOMPARE(frame_->view()->selectedRows(), std::vector<int>{0});
    }

    void titleFollowsPathAndChanges() {
        const QString path = QString::fromStdString(dir_->file("show.dat"));
        addItems({LayoutCode::OneLine});
        QCOMPARE(frame_->windowTitle(), QString("Orb"));
        prompts_->savePath = path;
        a().save->trigger();
        QCOMPARE(prompts_->saveDialogs, 1);
        QCOMPARE(frame_->windowTitle(), QString("show.dat - Orb"));
        a().add[0]->trigger();
        QCOMPARE(frame_->windowTitle(), QString("show.dat* - Orb"));
        a().save->trigger();
        QCOMPARE(prompts_->saveDialogs, 1);  // saved to its path without asking
        QCOMPARE(frame_->windowTitle(), QString("show.dat - Orb"));
    }

    void unsavedChangesQuestion() {
        addItems({LayoutCode::OneLine});
        prompts_->saveAnswer = SaveChoice::Cancel;
        a().newProject->trigger();
        QCOMPARE(prompts_->saveQuestions, 1);
        QCOMPARE(rows(), 1);

        prompts_->saveAnswer = SaveChoice::Save;
        prompts_->savePath.clear();  // the save dialog cancelled: nothing is lost
        a().newProject->trigger();
        QCOMPARE(rows(), 1);

        prompts_->savePath = QString::fromStdString(dir_->file("kept.dat"));
        a().newProject->trigger();
        QCOMPARE(rows(), 0);
        QCOMPARE(testing::readFileBytes(dir_->file("kept.dat")).size(), size_t(ItemStore::kFileSize));

        // A clean document is left without a question.
        const int asked = prompts_->saveQuestions;
        a().newProject->trigger();
        QCOMPARE(prompts_->saveQuestions, asked);

        addItems({LayoutCode::OneLine});
        prompts_->saveAnswer = SaveChoice::Discard;
        a().newProject->trigger();
        QCOMPARE(rows(), 0);
    }

    void closingAsks() {
        addItems({LayoutCode::OneLine});
        prompts_->saveAnswer = SaveChoice::Cancel;
        QVERIFY(!frame_->close());
        QVERIFY(frame_->isVisible());
        prompts_->saveAnswer = SaveChoice::Discard;
        QVERIFY(frame_->close());
    }

    // The settings are carried by the project file: changing one after a save marks the project,
    // and closing, New and Open ask.
    void settingsChangesAreUnsaved() {
        const QString path = QString::fromStdString(dir_->file("show.dat"));
        prompts_->savePath = path;
        a().save->trigger();
        QCOMPARE(frame_->windowTitle(), QString("show.dat - Orb"));
        prompts_->peer = TcpPeer{{192, 168, 0, 7}, 5000};
        prompts_->port = SerialSettings{};
        prompts_->port->portNumber = 2;
        prompts_->times = TimePair{{7, 0}, {23, 30}};
        const std::vector<std::pair<const char*, QAction*>> changes = {
            {"tcp", a().tcp},           {"ip", a().ipSettings}, {"port", a().portSettings},
            {"window", a().windowOnly}, {"onoff", a().onOffOn}, {"onoff times", a().onOffTimes},
        };
        for (const auto& [name, change] : changes) {
            change->trigger();
            QTRY_VERIFY2(a().serial->isEnabled(), name);  // a connection the change started has ended
            QVERIFY2(frame_->windowTitle() == "show.dat* - Orb", name);
            const int asked = prompts_->saveQuestions;
            prompts_->saveAnswer = SaveChoice::Cancel;
            QVERIFY2(!frame_->close(), name);
            QCOMPARE(prompts_->saveQuestions, asked + 1);
            a().save->trigger();
            QVERIFY2(frame_->windowTitle() == "show.dat - Orb", name);
        }
        // Saved with them: opening the project brings them back.
        QCOMPARE(doc_->newProject(), DocOutcome::Done);
        QVERIFY(frame_->openProject(path));
        QVERIFY(a().tcp->isChecked());
        QCOMPARE(doc_->settings().ipAddress(), (std::array<uint8_t, 4>{192, 168, 0, 7}));
        QCOMPARE(doc_->settings().comPort(), 2);
        QVERIFY(a().onOffOn->isChecked());
        QTRY_VERIFY(a().serial->isEnabled());
    }

    void openRefusalsAndOpen() {
        const QString project = QString::fromStdString(dir_->file("two.dat"));
        addItems({LayoutCode::OneLine, LayoutCode::TwoLines});
        QCOMPARE(doc_->saveAs(project.toStdString()), DocOutcome::Done);
        QCOMPARE(doc_->newProject(), DocOutcome::Done);

        testing::writeFileBytes(dir_->file("small.dat"), {1, 2, 3});
        QVERIFY(!frame_->openProject(QString::fromStdString(dir_->file("small.dat"))));
        QCOMPARE(prompts_->messages.back(),
                 std::make_pair(QString("오픈할수 없는 파일입니다"), QString("파일오픈실패")));
        QVERIFY(!frame_->openProject(project + ".bak"));
        QCOMPARE(prompts_->messages.back(),
                 std::make_pair(QString("오픈할수 없는 파일입니다"), QString("파일오픈실패")));
        QCOMPARE(rows(), 0);

        QVERIFY(frame_->openProject(project));
        QCOMPARE(rows(), 2);
        QCOMPARE(frame_->windowTitle(), QString("two.dat - Orb"));
        QVERIFY(list()->hasFocus());
    }

    void projectNamedAtStartOpensAfterTheStartUpConnect() {
        const QString project = QString::fromStdString(dir_->file("two.dat"));
        addItems({LayoutCode::OneLine, LayoutCode::TwoLines});
        QCOMPARE(doc_->saveAs(project.toStdString()), DocOutcome::Done);
        QCOMPARE(doc_->newProject(), DocOutcome::Done);
        // A working folder left on a TCP link: the next start connects as it opens the window.
        QCOMPARE(doc_->setLinkMode(LinkMode::Tcp), DocOutcome::Done);
        frame_.reset();
        doc_.reset();
        QVERIFY(OrbDocument::startUp(dir_->path().string(), doc_) == DocOutcome::Done);
        QCOMPARE(doc_->settings().linkMode(), LinkMode::Tcp);
        frame_ = std::make_unique<CMainFrame>(*doc_, *prompts_);
        QVERIFY(frame_->sign()->activity() != SignActivity::Idle);
        frame_->openProjectWhenIdle(project);
        QTRY_COMPARE(rows(), 2);
        QCOMPARE(frame_->windowTitle(), QString("two.dat - Orb"));
        QVERIFY(prompts_->messages.empty());
    }

    void linkChoiceAndSettingsChecks() {
        a().tcp->trigger();
        QVERIFY(a().tcp->isChecked());
        QVERIFY(!a().serial->isChecked());
        QCOMPARE(frame_->panes()->linkStatus(), QString("[IP:0.0.0.0],   [PORT:0]"));
        QTRY_VERIFY(a().serial->isEnabled());  // the connection attempt has ended
        a().tcp->trigger();                    // already so: nothing changes
        QVERIFY(a().tcp->isChecked());
        a().serial->trigger();
        QVERIFY(a().serial->isChecked());
        QCOMPARE(frame_->panes()->linkStatus(), QString("연결: COM1, 57600 bps"));

        a().windowOnly->trigger();
        QVERIFY(a().windowOnly->isChecked());
        QVERIFY(!a().windowAlways->isChecked());
        QCOMPARE(doc_->settings().windowMode(), 1);
        a().onOffOn->trigger();
        QVERIFY(a().onOffOn->isChecked());
        QVERIFY(doc_->settings().onOffEnabled());

        prompts_->times = TimePair{{7, 0}, {23, 30}};
        a().onOffTimes->trigger();
        QCOMPARE(prompts_->timeTitles.back(), QString("ON/OFF시간"));
        QCOMPARE(doc_->settings().onHour(), 7);
        QCOMPARE(doc_->settings().offMinute(), 30);
    }

    // Refusals warn and failures are critical; the real boxes carry the icon and leave the title
    // bar room for the whole caption.
    void messageBoxesShowTheirKind() {
        testing::writeFileBytes(dir_->file("small.dat"), {1, 2, 3});
        QVERIFY(!frame_->openProject(QString::fromStdString(dir_->file("small.dat"))));
        QCOMPARE(prompts_->kinds.size(), size_t(1));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Warning);  // not a project: refused
        frame_->setLauncher([](const QString&, const QStringList&) { return false; });
        a().preview->trigger();
        QCOMPARE(prompts_->messages.back(), std::make_pair(QString("미리보기실패"), QString("미리보기")));
        QCOMPARE(prompts_->kinds.back(), MessageKind::Critical);

        struct Shown {
            QString caption;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            int width = 0;
        };
        auto shownBox = [](std::function<void()> show) {
            Shown seen;
            QTimer::singleShot(0, [&seen] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                seen = {box->windowTitle(), box->icon(), box->frameGeometry().width()};
                box->accept();
            });
            show();
            return seen;
        };
        // Room beside the caption (in a wider bold face) for a frame's icon and three buttons.
        auto fits = [](const Shown& s) {
            QFont bold = QApplication::font();
            bold.setBold(true);
            const QFontMetrics m(bold);
            return s.width >= m.horizontalAdvance(s.caption) * 9 / 8 + 7 * m.height();
        };
        DialogPrompts real;
        const std::tuple<MessageKind, QMessageBox::Icon, const char*, const char*> cases[] = {
            {MessageKind::Information, QMessageBox::Information, "시각설정 완료", "설정완료"},
            {MessageKind::Warning, QMessageBox::Warning, "삭제할 아이템이 없습니다", "Orb"},
            {MessageKind::Critical, QMessageBox::Critical, "저장할수 없습니다", "저장실패"},
            {MessageKind::Information, QMessageBox::Information, "OK", "아주 긴 제목이 잘리지 않습니다"},
        };
        for (const auto& [kind, icon, text, caption] : cases) {
            const Shown s = shownBox([&] { real.showMessage(frame_.get(), text, caption, kind); });
            QCOMPARE(s.caption, QString(caption));
            QCOMPARE(s.icon, icon);
            QVERIFY2(fits(s), caption);
        }
        const Shown about = shownBox([this] { a().about->trigger(); });
        QCOMPARE(about.caption, QString("Orb 정보"));
        QCOMPARE(about.icon, QMessageBox::Information);
        QVERIFY(fits(about));
        QVERIFY(fits(shownBox([&] { real.askSaveChanges(frame_.get()); })));
    }

    // "불러오기" and "다른이름으로 저장하기" start in the folder a project was last chosen from.
    void projectDialogsStartInTheFolderLastUsed() {
        const std::filesystem::path folder = dir_->path() / "projects";
        std::filesystem::create_directories(folder);
        const QString project = QString::fromStdString((folder / "one.dat").string());
        testing::writeFileBytes(project.toStdString(), std::vector<uint8_t>(ItemStore::kFileSize));
        QStringList starts;
        QTimer answer;
        QPointer<QFileDialog> seen;
        connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            if (dialog != seen) starts << dialog->directory().absolutePath();
            seen = dialog;
            if (starts.size() > 1) return dialog->reject();
            // selectFile leaves the name field alone while it has the focus, and the dialog then
            // refuses to accept an empty name: so take the focus away, and try again next tick.
            if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) name->clearFocus();
            dialog->selectFile(project);
            static_cast<QDialog*>(dialog)->accept();  // protected in QFileDialog, public in QDialog
        });
        answer.start(10);
        DialogPrompts real;
        QCOMPARE(real.chooseOpenPath(frame_.get()), project);
        QCOMPARE(real.chooseSavePath(frame_.get()), QString());
        QCOMPARE(starts.size(), 2);
        QCOMPARE(starts[1], QString::fromStdString(folder.string()));
    }

    void progressIndicator() {
        FrameStatusBar* panes = frame_->panes();
        panes->beginProgress(3);
        QCOMPARE(panes->percentText(), QString("0 %"));
        panes->stepProgress();
        QCOMPARE(panes->percentText(), QString("33 %"));
        panes->stepProgress();
        panes->stepProgress();
        panes->stepProgress();  // past the total: stays
        QCOMPARE(panes->percentText(), QString("100 %"));
        QCOMPARE(panes->progressBar()->value(), 3);
        panes->clearProgress();
        QCOMPARE(panes->percentText(), QString());
        panes->setMemoryGauge(100);
        QCOMPARE(panes->memoryText(), QString("메모리 100 %"));
        QVERIFY(panes->memoryOverfull());
        panes->setMemoryGauge(99);
        QVERIFY(!panes->memoryOverfull());
    }

    void keysForFileCommands() {
        const QString path = QString::fromStdString(dir_->file("keys.dat"));
        addItems({LayoutCode::OneLine});
        prompts_->savePath = path;
        press(QKeySequence("Ctrl+S"));
        QCOMPARE(frame_->windowTitle(), QString("keys.dat - Orb"));
        prompts_->savePath = QString::fromStdString(dir_->file("other.dat"));
        press(QKeySequence("Ctrl+Shift+S"));
        QCOMPARE(frame_->windowTitle(), QString("other.dat - Orb"));
        press(QKeySequence("Ctrl+N"));
        QCOMPARE(rows(), 0);
        QCOMPARE(frame_->windowTitle(), QString("Orb"));
        prompts_->openPath = path;
        press(QKeySequence("Ctrl+O"));
        QCOMPARE(rows(), 1);
        QCOMPARE(frame_->windowTitle(), QString("keys.dat - Orb"));
        QVERIFY(list()->hasFocus());
        press(QKeySequence("Ctrl+Q"));
        QVERIFY(!frame_->isVisible());
    }

    void keysForListCommands() {
        addItems({LayoutCode::OneLine, LayoutCode::TwoLines, LayoutCode::ThreeLines});
        frame_->view()->focusList();
        QVERIFY(list()->hasFocus());
        list()->setCurrentIndex(list()->model()->index(0, 0));  // as the view does on its first focus
        list()->clearSelection();
        QTest::keyClick(list(), Qt::Key_Home);
        QCOMPARE(frame_->view()->selectedRows(), std::vector<int>{0});
        QTest::keyClick(list(), Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(frame_->view()->selectedRows(), (std::vector<int>{0, 1}));
        QTest::keyClick(list(), Qt::Key_End);
        QCOMPARE(frame_->view()->selectedRows(), std::vector<int>{2});
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(frame_->view()->selectedRows(), std::vector<int>{1});
        QTest::keyClick(list(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(frame_->view()->selectedRows(), (std::vector<int>{0, 1, 2}));

        // Ctrl+X with the 2-line item, Ctrl+V before the 1-line item.
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::keyClick(list(), Qt::Key_Down);
        press(QKeySequence("Ctrl+X"));
        QCOMPARE(rows(), 2);
        QVERIFY(list()->hasFocus());
        QTest::keyClick(list(), Qt::Key_Home);
        press(QKeySequence("Ctrl+V"));
        QCOMPARE(rows(), 3);
        QCOMPARE(list()->model()->index(0, 0).data().toString(), QString("2줄로편집"));
        QCOMPARE(list()->model()->index(1, 0).data().toString(), QString("1줄로편집"));

        QTest::keyClick(list(), Qt::Key_End);
        press(QKeySequence(Qt::Key_Delete));
        QCOMPARE(rows(), 2);
        QVERIFY(list()->hasFocus());
        press(QKeySequence("Ctrl+Z"));
        QCOMPARE(rows(), 3);
        QCOMPARE(list()->model()->index(2, 0).data().toString(), QString("3줄로편집"));
        press(QKeySequence("Ctrl+Y"));
        QCOMPARE(rows(), 2);
        press(QKeySequence("Ctrl+Z"));
        QCOMPARE(rows(), 3);
        press(QKeySequence("Ctrl+Shift+Z"));
        QCOMPARE(rows(), 2);
    }

    // F5 builds "preview.tmp" as orbctl build builds an image of the same store, byte for byte.
    void previewBuildsAndStartsGlimmer() {
        addItems({LayoutCode::TwoLines});
        LineContent sentence;
        sentence.kind = ContentKind::Sentence;
        QVERIFY(sentence.payload.setText("A\xB0\xA1"));  // A가
        QCOMPARE(doc_->setLineContent(std::vector<int>{0}, 1, sentence), DocOutcome::Done);
        QCOMPARE(doc_->setLineContent(std::vector<int>{0}, 2, clockContent()), DocOutcome::Done);
        press(QKeySequence(Qt::Key_F5));
        QCOMPARE(launched_.size(), 2);
        QVERIFY(launched_[0].endsWith("/Glimmer"));
        QCOMPARE(launched_[1], QString::fromStdString(doc_->previewPath()));
        const testing::Outcome built = testing::runCommand(
            std::string(ORBCTL_PATH) + " build " + dir_->file("data.tmp") + " -o " + dir_->file("built.tmp"));
        QVERIFY2(built.status == 0, built.output.c_str());
        const std::vector<uint8_t> preview = testing::readFileBytes(doc_->previewPath());
        QCOMPARE(preview.size(), size_t(ProgramImage::kSize));
        QVERIFY(preview == testing::readFileBytes(dir_->file("built.tmp")));
        QTRY_VERIFY(list()->hasFocus());

        frame_->setLauncher([](const QString&, const QStringList&) { return false; });
        a().preview->trigger();
        QCOMPARE(prompts_->messages.back(), std::make_pair(QString("미리보기실패"), QString("미리보기")));
    }

    void previewProgressText() {
        PreviewBuildDialog dialog(frame_.get());
        QCOMPARE(dialog.windowTitle(), QString("진행률"));
        QCOMPARE(dialog.progressText(), QString("0 %   진행중입니다..."));
        dialog.showProgress(1, 3);
        QCOMPARE(dialog.progressText(), QString("33 %   진행중입니다..."));
        dialog.showProgress(4, 3);
        QCOMPARE(dialog.progressText(), QString("100 %   진행중입니다..."));
    }

    void programTooLargeIsRefusedBeforeWriting() {
        // Two animations of 600 frames on an 800 x 160 screen: 75,000 sectors, more than the sign has.
        std::vector<testing::GifFrameSpec> frames(600);
        for (testing::GifFrameSpec& f : frames) f.delay = 10;
        testing::writeFileBytes(dir_->file("long.gif"),
                                testing::makeGif(800, 160, {{0, 0, 0}, {255, 0, 0}}, frames));
        ItemStore store;
        for (int i = 0; i < 2; ++i) {
            ItemRecord r;
            r.header = ItemHeader::newItem(LayoutCode::OneLine, {8, 0, 0});
            r.header.setKind(1, ContentKind::Animation);
            r.header.setPictureSize(1, 800, 160);
            r.header.setFrameCount(1, 600);
            r.line(1).setPath(dir_->file("long.gif"));
            QCOMPARE(store.writeRecord(i, r), IoResult::Ok);
        }
        StoreBytes bytes;
        QCOMPARE(store.readAll(bytes), IoResult::Ok);
        QCOMPARE(writeProjectFile(dir_->file("long.dat"), bytes), DocOutcome::Done);
        QVERIFY(frame_->openProject(QString::fromStdString(dir_->file("long.dat"))));
        QCOMPARE(frame_->panes()->memoryText(), QString("메모리 124 %"));
        QVERIFY(frame_->panes()->memoryOverfull());

        a().preview->trigger();
        QCOMPARE(prompts_->messages.size(), size_t(1));
        QVERIFY(prompts_->messages[0].first.startsWith("2번째 아이템"));
        QCOMPARE(prompts_->messages[0].second, QString("미리보기"));
        QVERIFY(!std::filesystem::exists(doc_->previewPath()));
        QVERIFY(launched_.isEmpty());
    }

    void droppedProjectOpens() {
        const QString project = QString::fromStdString(dir_->file("dropped.dat"));
        addItems({LayoutCode::TitleAndSentence});
        QCOMPARE(doc_->saveAs(project.toStdString()), DocOutcome::Done);
        QCOMPARE(doc_->newProject(), DocOutcome::Done);

        QMimeData mime;
        mime.setUrls({QUrl::fromLocalFile(project)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(frame_.get(), &drop);
        QCOMPARE(rows(), 1);
        QCOMPARE(frame_->windowTitle(), QString("dropped.dat - Orb"));

        QMimeData other;
        other.setUrls({QUrl::fromLocalFile(QString::fromStdString(dir_->file("picture.bmp")))});
        QDragEnterEvent refused(QPoint(50, 50), Qt::CopyAction, &other, Qt::LeftButton, Qt::NoModifier);
        refused.ignore();
        QApplication::sendEvent(frame_.get(), &refused);
        QVERIFY(!refused.isAccepted());
    }

    // Last: the translator it installs stays for the rest of the run.
    void koreanTextsAndFont() {
        const QByteArray lang = qgetenv("LANG"), all = qgetenv("LC_ALL"), messages = qgetenv("LC_MESSAGES");
        qunsetenv("LC_MESSAGES");
        qputenv("LC_ALL", "C");
        qputenv("LANG", "ko_KR.UTF-8");
        QVERIFY(!koreanLocale());  // LC_ALL comes first
        QVERIFY(!installQtKorean(*qApp));
        qunsetenv("LC_ALL");
        QVERIFY(koreanLocale());
        QVERIFY(installQtKorean(*qApp));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString("취소"));
        qputenv("LANG", lang);
        qputenv("LC_ALL", all);
        qputenv("LC_MESSAGES", messages);
        QCOMPARE(useKoreanFont(*qApp), QString("NanumGothic"));
        QCOMPARE(QApplication::font().family(), QString("NanumGothic"));
    }
};

}  // namespace orb

QTEST_MAIN(orb::OrbWindowTest)
#include "OrbWindowTest.moc"
