#include "editor/app/CMainFrame.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <utility>

#include "editor/app/BundleImport.h"
#include "editor/app/COrbView.h"
#include "editor/app/FrameStatusBar.h"
#include "editor/app/ItemTableModel.h"
#include "editor/app/PreviewBuildDialog.h"
#include "editor/app/SignCommandRunner.h"
#include "editor/app/UserPrompts.h"
#include "editor/core/LinkChoice.h"
#include "editor/core/ProjectFile.h"
#include "editor/core/PulledProject.h"

namespace orb {

namespace {

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

ContentKind kindAt(size_t k) {
    return static_cast<ContentKind>(k + 1);
}

// The project a drag carries: one local file whose name ends in ".dat", or a bundle's ".zip".
QString droppedProject(const QMimeData* mime) {
    if (!mime || !mime->hasUrls() || mime->urls().size() != 1) return {};
    const QUrl url = mime->urls().first();
    if (!url.isLocalFile()) return {};
    const QString path = url.toLocalFile();
    return hasProjectExtension(path.toStdString()) || isBundlePath(path) ? path : QString();
}

// At most this many of the places where a pulled project does not build what the sign holds.
constexpr size_t kDifferencesShown = 10;

// The sign's own settings of a program read back (its size and display-window mode) over the
// editor's: the link that read it stays the project's link.
void keepEditorSettings(const SettingsBlock& editor, ItemStore& pulled) {
    SettingsBlock sign, next = editor;
    if (pulled.readSettings(sign) != IoResult::Ok) return;
    next.setSignWidth(sign.signWidth());
    next.setSignHeight(sign.signHeight());
    next.setWindowMode(sign.windowMode());
    pulled.writeSettings(next);
}

void removeFiles(const std::vector<std::string>& files) {
    for (const std::string& f : files) QFile::remove(QString::fromStdString(f));
}

bool startDetached(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

}  // namespace

CMainFrame::CMainFrame(OrbDocument& doc, UserPrompts& prompts, QWidget* parent)
    : QMainWindow(parent),
      doc_(doc),
      prompts_(prompts),
      table_(new ItemTableModel(doc, this)),
      view_(new COrbView(table_, this)),
      status_(new FrameStatusBar(this)),
      actions_(createFrameActions(this)),
      sign_(new SignCommandRunner(doc, prompts, *status_, this)),
      launch_(startDetached) {
    resize(1200, 750);
    setAcceptDrops(true);
    setCentralWidget(view_);
    setStatusBar(status_);
    fillMenuBar(menuBar(), actions_);
    auto* tools = new QToolBar("도구 모음", this);
    tools->setObjectName("toolBar");
    tools->setIconSize(QSize(32, 32));
    tools->setAllowedAreas(Qt::AllToolBarAreas);
    fillToolBar(tools, actions_);
    addToolBar(Qt::TopToolBarArea, tools);

    doc_.addObserver(this);
    connectCommands();
    view_->setContextMenuBuilder([this](QWidget* parentWidget) { return createContextMenu(parentWidget); });
    connect(view_, &COrbView::selectionChanged, this, &CMainFrame::refreshActions);
    connect(view_, &COrbView::rowActivated, this, &CMainFrame::openRow);
    // Every menu is evaluated again when it opens, as the states may depend on what just happened.
    for (QAction* menu : menuBar()->actions())
        if (menu->menu()) connect(menu->menu(), &QMenu::aboutToShow, this, &CMainFrame::refreshActions);

    connectSignCommands();
    setWindowTitle(qs(doc_.title()));
    sign_->startUp();
    showSignSize();
    afterChange();
    view_->focusList();
}

CMainFrame::~CMainFrame() {
    doc_.removeObserver(this);
}

void CMainFrame::connectCommands() {
    const FrameActions& a = actions_;
    command(a.open, [this] { chooseAndOpen(); });
    command(a.save, [this] { saveProject(false); });
    command(a.saveAs, [this] { saveProject(true); });
    command(a.newProject, [this] { newProject(); });
    command(a.saveBundle, [this] { saveWithPictures(); });
    command(a.pullProgram, [this] { pullProgram(); });
    connect(a.exit, &QAction::triggered, this, &QWidget::close);
    static constexpr LayoutCode kLayouts[] = {LayoutCode::OneLine, LayoutCode::TwoLines,
                                              LayoutCode::ThreeLines, LayoutCode::TitleAndSentence};
    for (size_t i = 0; i < a.add.size(); ++i) command(a.add[i], [this, i] { addItem(kLayouts[i]); });
    for (size_t line = 0; line < a.editLine.size(); ++line)
        for (size_t k = 0; k < kKindEntries.size(); ++k)
            command(a.editLine[line][k],
                    [this, line, k] { editLine(static_cast<int>(line) + 1, kindAt(k)); });
    command(a.editTitleSentence, [this] { editTitleSentence(); });
    command(a.cut, [this] { cut(); });
    command(a.toolbarPaste, [this] { paste(); });
    command(a.remove, [this] { deleteRows(); });
    command(a.undo, [this] { undo(); });
    command(a.redo, [this] { redo(); });
    command(a.preview, [this] { preview(); });
    command(a.windowAlways, [this] { chooseWindowMode(0); });
    command(a.windowOnly, [this] { chooseWindowMode(1); });
    command(a.onOffTimes, [this] { editOnOffTimes(); });
    command(a.onOffOff, [this] { chooseOnOff(false); });
    command(a.onOffOn, [this] { chooseOnOff(true); });
    command(a.about, [this] { showAbout(); });
}

void CMainFrame::connectSignCommands() {
    const FrameActions& a = actions_;
    SignCommandRunner* s = sign_;
    command(a.serial, [s] { s->chooseLinkMode(LinkMode::Serial); });
    command(a.tcp, [s] { s->chooseLinkMode(LinkMode::Tcp); });
    command(a.portSettings, [s] { s->portSettings(); });
    command(a.ipSettings, [s] { s->ipSettings(); });
    command(a.signSize, [s] { s->signSize(); });
    command(a.setClock, [s] { s->setClock(); });
    command(a.windowApply, [s] { s->applyDisplayWindow(); });
    command(a.onOffApply, [s] { s->applyOnOff(); });
    command(a.brightness, [s] { s->brightness(); });
    a.verify->setChecked(s->verifyAfterTransfer());
    connect(a.verify, &QAction::toggled, s, &SignCommandRunner::setVerifyAfterTransfer);
    connect(view_->transferButton(), &QPushButton::clicked, s, &SignCommandRunner::transfer);
    connect(a.cancelTransfer, &QAction::triggered, s, &SignCommandRunner::cancel);
    connect(status_->cancelButton(), &QPushButton::clicked, s, &SignCommandRunner::cancel);
    connect(s, &SignCommandRunner::activityChanged, this, &CMainFrame::signActivityChanged);
}

void CMainFrame::signActivityChanged() {
    refreshActions();
    if (sign_->activity() != SignActivity::Idle) return;
    view_->focusList();
    if (closeWhenIdle_) close();
    if (!openWhenIdle_.isEmpty()) openProject(std::exchange(openWhenIdle_, QString()));
}

void CMainFrame::command(QAction* action, std::function<void()> run) {
    connect(action, &QAction::triggered, this, [this, run = std::move(run)] {
        run();
        refreshActions();
        view_->focusList();
    });
}

std::vector<int> CMainFrame::selection() const {
    return view_->selectedRows();
}

void CMainFrame::refreshActions() {
    const std::vector<int> selected = selection();
    const CommandState s = commandState(doc_, selected, sign_->activity());
    FrameActions& a = actions_;
    for (QAction* entry : a.add) entry->setEnabled(s.add);
    for (size_t line = 0; line < a.editLine.size(); ++line) {
        // A line the item does not have: its submenu does not even open.
        a.lineMenus[line]->menuAction()->setEnabled(s.main.lines[line].enabled);
        for (size_t k = 0; k < kKindEntries.size(); ++k) {
            QAction* entry = a.editLine[line][k];
            entry->setEnabled(s.main.lines[line].enabled && prompts_.hasLineDialog(kindAt(k)));
            entry->setChecked(s.main.lines[line].checked[k]);
        }
    }
    a.editTitleSentence->setEnabled(s.main.titleSentenceEnabled && prompts_.hasTitleSentenceDialog());
    a.editTitleSentence->setChecked(s.main.titleSentenceChecked);
    a.cut->setEnabled(s.main.cut);
    a.menuPaste->setEnabled(s.mainMenuPaste);
    a.remove->setEnabled(s.main.remove);
    a.toolbarPaste->setEnabled(s.toolbarPaste);
    a.undo->setEnabled(s.undo);
    a.redo->setEnabled(s.redo);
    a.save->setEnabled(s.save);
    for (QAction* entry : {a.open, a.saveAs, a.newProject, a.saveBundle}) entry->setEnabled(s.project);
    a.pullProgram->setEnabled(s.signCommands);
    a.preview->setEnabled(s.preview);
    a.serial->setChecked(s.serialChecked);
    a.tcp->setChecked(s.tcpChecked);
    a.windowAlways->setChecked(s.windowAlwaysChecked);
    a.windowOnly->setChecked(s.windowOnlyChecked);
    a.onOffOff->setChecked(s.onOffOffChecked);
    a.onOffOn->setChecked(s.onOffOnChecked);
    for (QAction* signCommand : {a.signSize, a.setClock, a.windowApply, a.onOffApply, a.brightness})
        signCommand->setEnabled(s.signCommands);
    view_->transferButton()->setEnabled(s.signCommands);
    for (QAction* setting : {a.serial, a.tcp, a.portSettings, a.ipSettings, a.windowAlways, a.windowOnly,
                             a.onOffTimes, a.onOffOff, a.onOffOn, a.verify})
        setting->setEnabled(s.settings);
    a.cancelTransfer->setEnabled(s.cancelTransfer);
}

QMenu* CMainFrame::createContextMenu(QWidget* parent) {
    const std::vector<int> selected = selection();
    const CommandState s = commandState(doc_, selected, sign_->activity());
    if (!s.contextMenuShown) return nullptr;
    auto* menu = new QMenu(parent);
    menu->setObjectName("listContextMenu");
    auto entry = [this, menu](QMenu* into, const char* text, bool enabled, std::function<void()> run) {
        QAction* a = into->addAction(QString::fromUtf8(text));
        a->setEnabled(enabled);
        connect(a, &QAction::triggered, menu, [this, run = std::move(run)] {
            run();
            refreshActions();
            view_->focusList();
        });
        return a;
    };
    for (size_t line = 0; line < s.context.lines.size(); ++line) {
        const LineEntries& entries = s.context.lines[line];
        QMenu* sub = menu->addMenu(QString::fromUtf8(kLineMenus[line]));
        sub->menuAction()->setEnabled(entries.enabled);
        for (size_t k = 0; k < kKindEntries.size(); ++k) {
            QAction* a = entry(sub, kKindEntries[k], entries.enabled && prompts_.hasLineDialog(kindAt(k)),
                               [this, line, k] { editLine(static_cast<int>(line) + 1, kindAt(k)); });
            a->setCheckable(true);
            a->setChecked(entries.checked[k]);
        }
    }
    QAction* title =
        entry(menu, "제목과문장 편집", s.context.titleSentenceEnabled && prompts_.hasTitleSentenceDialog(),
              [this] { editTitleSentence(); });
    title->setCheckable(true);
    title->setChecked(s.context.titleSentenceChecked);
    menu->addSeparator();
    entry(menu, "높이설정", s.context.height, [this] { editHeights(); });
    entry(menu, "표출시간", s.context.displayTime, [this] { editDisplayTime(); });
    menu->addSeparator();
    entry(menu, "잘라내기", s.context.cut, [this] { cut(); });
    entry(menu, "붙여넣기", s.context.paste, [this] { paste(); });
    entry(menu, "삭제하기", s.context.remove, [this] { deleteRows(); });
    return menu;
}

void CMainFrame::afterChange() {
    status_->setMemoryGauge(doc_.memoryUse().percent());
    refreshActions();
}

void CMainFrame::titleChanged(const std::string& title, bool) {
    setWindowTitle(qs(title));
    refreshActions();
}

bool CMainFrame::report(DocOutcome outcome) {
    if (isRefusal(outcome)) {
        const DocMessage m = messageOf(outcome);
        prompts_.showMessage(this, qs(m.text), qs(m.caption), m.kind);
    }
    return outcome == DocOutcome::Done;
}

bool CMainFrame::mayDiscardChanges() {
    if (doc_.isClean()) return true;
    switch (prompts_.askSaveChanges(this)) {
        case SaveChoice::Save:
            return saveProject(false);
        case SaveChoice::Discard:
            return true;
        case SaveChoice::Cancel:
            break;
    }
    return false;
}

bool CMainFrame::saveProject(bool askName) {
    DocOutcome outcome = askName ? DocOutcome::NeedsSaveAs : doc_.save();
    if (outcome == DocOutcome::NeedsSaveAs) {
        const QString path = prompts_.chooseSavePath(this);
        if (path.isEmpty()) return false;
        outcome = doc_.saveAs(path.toStdString());
    }
    return report(outcome);
}

void CMainFrame::newProject() {
    if (!mayDiscardChanges()) return;
    if (report(doc_.newProject())) sign_->settingsReloaded();
}

bool CMainFrame::openProject(const QString& path) {
    if (sign_->activity() != SignActivity::Idle || !mayDiscardChanges()) return false;
    if (isBundlePath(path)) {
        openBundle(path);
        return true;
    }
    const bool opened = report(doc_.open(path.toStdString()));
    if (opened) sign_->settingsReloaded();
    view_->focusList();
    return opened;
}

void CMainFrame::openProjectWhenIdle(const QString& path) {
    if (sign_->activity() == SignActivity::Idle)
        openProject(path);
    else
        openWhenIdle_ = path;
}

void CMainFrame::chooseAndOpen() {
    if (!mayDiscardChanges()) return;
    const QString path = prompts_.chooseOpenPath(this);
    if (path.isEmpty()) return;
    if (isBundlePath(path))
        openBundle(path);
    else if (report(doc_.open(path.toStdString())))
        sign_->settingsReloaded();
}

QString CMainFrame::projectFolder() const {
    const std::string& path = doc_.projectPath();
    return path.empty() ? QDir::homePath() : QFileInfo(qs(path)).absolutePath();
}

void CMainFrame::saveWithPictures() {
    const QString path = prompts_.chooseBundleSavePath(this);
    if (path.isEmpty()) return;
    const QString error = saveBundle(doc_.store(), path);
    if (error.isEmpty())
        status_->setMessage(QString("그림과 함께 저장했습니다: %1").arg(QFileInfo(path).fileName()));
    else
        prompts_.showMessage(this, error, "저장실패", MessageKind::Critical);
}

void CMainFrame::openBundle(const QString& path) {
    // Asked each time: the pictures stay where they are put, as the project names them by path.
    const QString folder =
        prompts_.choosePictureFolder(this, "그림을 저장할 폴더", QFileInfo(path).absolutePath());
    if (folder.isEmpty()) return;
    ItemStore program;
    BundleImport imported = importBundle(path, folder, program);
    if (!imported.ok()) {
        prompts_.showMessage(this, imported.error, "파일오픈실패", MessageKind::Warning);
        return;
    }
    if (!report(doc_.openImported(program))) {
        imported.undo();
        return;
    }
    sign_->settingsReloaded();
}

void CMainFrame::pullProgram() {
    if (sign_->activity() != SignActivity::Idle || !mayDiscardChanges()) return;
    const QString folder = prompts_.choosePictureFolder(this, "그림을 저장할 폴더", projectFolder());
    if (folder.isEmpty()) return;
    sign_->pullProgram([this, folder](const CommandOutcome& outcome, const ProgramReadBack& readBack) {
        pulled(outcome, readBack, folder);
    });
}

void CMainFrame::pulled(const CommandOutcome& outcome, const ProgramReadBack& readBack,
                        const QString& folder) {
    if (!outcome.ok) {
        prompts_.showMessage(this, qs(outcome.message), qs(outcome.caption), outcome.kind);
        return;
    }
    ItemStore program;
    const PullOutcome made = makePulledProject(readBack, folder.toStdString(), program);
    if (!made.ok) {
        removeFiles(made.files);
        prompts_.showMessage(this, qs(made.message), kPullFailedCaption, MessageKind::Critical);
        return;
    }
    keepEditorSettings(doc_.settings(), program);
    if (!report(doc_.openImported(program))) {
        removeFiles(made.files);
        return;
    }
    const std::vector<std::string> differences = pullDifferences(readBack, doc_.store());
    QString text = QString("전광판에서 %1개 항목을 가져왔습니다").arg(doc_.rowCount());
    if (!differences.empty()) {
        text += "\n저장하고 전송하면 전광판과 다른 곳:";
        for (size_t i = 0; i < differences.size() && i < kDifferencesShown; ++i)
            text += "\n" + qs(differences[i]);
    }
    prompts_.showMessage(this, text, differences.empty() ? "가져오기완료" : "경고",
                         differences.empty() ? MessageKind::Information : MessageKind::Warning);
}

void CMainFrame::addItem(LayoutCode layout) {
    const auto heights = prompts_.askHeights(this, layout, {1, 1, 1});
    if (!heights || !heightsAccepted(layout, *heights)) return;
    if (report(doc_.addItem(layout, *heights))) view_->selectRows({doc_.rowCount() - 1});
}

void CMainFrame::editLine(int line, ContentKind kind) {
    const std::vector<int> selected = selection();
    if (selected.empty()) return;
    const int row = selected.front();
    const ItemRecord record = doc_.record(row);
    const std::array<uint8_t, 3> heights = {record.header.heightCode(1), record.header.heightCode(2),
                                            record.header.heightCode(3)};
    const auto result =
        prompts_.editLine(this, line, doc_.lineDialogStart(row, line, kind), signSize(), heights);
    if (result) report(doc_.setLineContent(selected, line, *result));
}

void CMainFrame::openRow(int row) {
    if (row < 0 || row >= doc_.rowCount()) return;
    view_->selectRows({row});
    refreshActions();
    const ItemHeader header = doc_.record(row).header;
    const int stored = static_cast<int>(header.kind(1));
    const ContentKind kind = stored >= 1 && stored <= 7 ? header.kind(1) : ContentKind::Sentence;
    // Through the entry, so that what disables it (a command on the link) holds here too.
    QAction* entry = header.layout() == LayoutCode::TitleAndSentence
                         ? actions_.editTitleSentence
                         : actions_.editLine[0][static_cast<size_t>(kind) - 1];
    if (entry->isEnabled()) entry->trigger();
}

void CMainFrame::editTitleSentence() {
    const std::vector<int> selected = selection();
    if (selected.empty()) return;
    const ItemHeader header = doc_.record(selected.front()).header;
    const auto result = prompts_.editTitleSentence(this, doc_.titleSentenceDialogStart(selected.front()),
                                                   signSize(), header.heightCode(1), header.heightCode(2));
    if (result) report(doc_.setTitleSentence(selected, *result));
}

void CMainFrame::editHeights() {
    const std::vector<int> selected = selection();
    if (selected.empty()) return;
    const ItemHeader header = doc_.record(selected.front()).header;
    const std::array<uint8_t, 3> codes = {header.heightCode(1), header.heightCode(2), header.heightCode(3)};
    const auto heights = prompts_.askHeights(this, header.layout(), codes);
    if (heights && heightsAccepted(header.layout(), *heights)) report(doc_.setHeights(selected, *heights));
}

bool CMainFrame::heightsAccepted(LayoutCode layout, const std::array<uint8_t, 3>& heights) {
    const int line = doc_.lineTallerThanSign(layout, heights);
    if (line == 0) return true;
    const QString text = QString(
                             "%1번째줄의 높이(%2단)가 전광판(%3단)보다 높아 아랫부분이 "
                             "보이지 않습니다.\n계속하시겠습니까?")
                             .arg(line)
                             .arg(heights[static_cast<size_t>(line) - 1])
                             .arg(doc_.settings().signHeight());
    return prompts_.askGoOn(this, text, "높이설정");
}

SignSize CMainFrame::signSize() const {
    return {doc_.settings().signWidth(), doc_.settings().signHeight()};
}

void CMainFrame::showSignSize() {
    status_->setSignSize(doc_.settings().signWidth(), doc_.settings().signHeight());
}

void CMainFrame::editDisplayTime() {
    const std::vector<int> selected = selection();
    if (selected.empty()) return;
    const ItemHeader header = doc_.record(selected.front()).header;
    const auto times = prompts_.askTimes(this, kDisplayTimeTexts, {header.windowStart(), header.windowEnd()});
    if (times) report(doc_.setDisplayTime(selected, times->first, times->second));
}

void CMainFrame::cut() {
    const std::vector<int> selected = selection();
    if (report(doc_.cut(selected)) && doc_.rowCount() > 0)
        view_->selectRows({std::min(selected.front(), doc_.rowCount() - 1)});
}

void CMainFrame::paste() {
    const std::vector<int> selected = selection();
    if (report(doc_.paste(selected))) view_->selectRows({selected.front()});
}

void CMainFrame::deleteRows() {
    const std::vector<int> selected = selection();
    // The row that took the first deleted one's place stays selected, so Delete can go on.
    if (report(doc_.deleteRows(selected)) && doc_.rowCount() > 0)
        view_->selectRows({std::min(selected.front(), doc_.rowCount() - 1)});
}

void CMainFrame::undo() {
    report(doc_.undo());
}
void CMainFrame::redo() {
    report(doc_.redo());
}

void CMainFrame::preview() {
    ItemStore snapshot;
    if (doc_.snapshot(snapshot) != IoResult::Ok) {
        report(DocOutcome::StoreWriteFailed);
        return;
    }
    const BuildOutcome built = PreviewBuildDialog::build(this, snapshot, doc_.previewPath());
    activateWindow();  // back from the progress dialog, so the list gets the keys again
    if (built.result == BuildResult::TooLarge || built.result == BuildResult::StoreUnreadable) {
        prompts_.showMessage(
            this, qs(built.message), "미리보기",
            built.result == BuildResult::TooLarge ? MessageKind::Warning : MessageKind::Critical);
        return;
    }
    if (built.result == BuildResult::ImageFailed) {
        report(DocOutcome::PreviewFailed);
        return;
    }
    status_->setMessage(built.problems.empty() ? QString("준비") : qs(built.problems.front().text));
    const QString glimmer = QDir(QCoreApplication::applicationDirPath()).filePath("Glimmer");
    if (!launch_(glimmer, {qs(doc_.previewPath())})) report(DocOutcome::PreviewFailed);
}

void CMainFrame::chooseWindowMode(uint8_t mode) {
    report(doc_.setWindowMode(mode));
}

void CMainFrame::editOnOffTimes() {
    const SettingsBlock& s = doc_.settings();
    const auto times =
        prompts_.askTimes(this, kOnOffTimeTexts, {{s.onHour(), s.onMinute()}, {s.offHour(), s.offMinute()}});
    if (times) report(doc_.setOnOffTimes(times->first, times->second));
}

void CMainFrame::chooseOnOff(bool enabled) {
    report(doc_.setOnOffEnabled(enabled));
}

void CMainFrame::showAbout() {
    messageBox(this, MessageKind::Information, "Orb 정보", "Orb 버전 8.1")->exec();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // A command on the link ends first: a transfer after its frame in flight.
    if (sign_->activity() != SignActivity::Idle) {
        closeWhenIdle_ = true;
        sign_->cancel();
        event->ignore();
        return;
    }
    closeWhenIdle_ = false;
    if (mayDiscardChanges())
        event->accept();
    else
        event->ignore();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (!droppedProject(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    const QString path = droppedProject(event->mimeData());
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    openProject(path);
}

}  // namespace orb
