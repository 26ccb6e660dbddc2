#include "editor/app/FrameActions.h"

#include <QAction>
#include <QMenuBar>
#include <QToolBar>

#include "editor/app/ToolbarIcons.h"

namespace orb {

namespace {

QAction* action(QWidget* owner, const char* text, const char* name) {
    auto* a = new QAction(QString::fromUtf8(text), owner);
    a->setObjectName(name);
    return a;
}

QAction* checkable(QWidget* owner, const char* text, const char* name) {
    QAction* a = action(owner, text, name);
    a->setCheckable(true);
    return a;
}

void withIcon(QAction* a, ToolIcon icon, const char* tip) {
    a->setIcon(toolIcon(icon));
    a->setToolTip(QString::fromUtf8(tip));
}

void keys(QAction* a, std::initializer_list<QKeySequence> sequences) {
    a->setShortcuts(QList<QKeySequence>(sequences));
    a->setShortcutContext(Qt::WindowShortcut);
}

}  // namespace

FrameActions createFrameActions(QWidget* owner) {
    FrameActions a;
    a.open = action(owner, "불러오기", "open");
    a.save = action(owner, "저장하기", "save");
    a.saveAs = action(owner, "다른이름으로 저장하기", "saveAs");
    a.newProject = action(owner, "새로만들기", "newProject");
    a.saveBundle = action(owner, "그림과 함께 저장", "saveBundle");
    a.pullProgram = action(owner, "전광판에서 가져오기", "pullProgram");
    a.exit = action(owner, "종료(&X)", "exit");
    keys(a.open, {QKeySequence(Qt::CTRL | Qt::Key_O)});
    keys(a.save, {QKeySequence(Qt::CTRL | Qt::Key_S)});
    keys(a.saveAs, {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
    keys(a.newProject, {QKeySequence(Qt::CTRL | Qt::Key_N)});
    keys(a.exit, {QKeySequence(Qt::CTRL | Qt::Key_Q)});
    withIcon(a.open, ToolIcon::Open, "불러오기");
    withIcon(a.save, ToolIcon::Save, "저장하기");
    withIcon(a.saveAs, ToolIcon::SaveAs, "다른이름으로 저장하기");
    withIcon(a.newProject, ToolIcon::New, "새로만들기");

    a.signSize = action(owner, "전광판 사이즈", "signSize");
    withIcon(a.signSize, ToolIcon::SignSize, "전광판 사이즈");

    static const char* const addTexts[] = {"1줄로 추가", "2줄로 추가", "3줄로 추가", "제목과문장 추가"};
    static const char* const addNames[] = {"addOneLine", "addTwoLines", "addThreeLines", "addTitleSentence"};
    static const ToolIcon addIcons[] = {ToolIcon::AddOneLine, ToolIcon::AddTwoLines, ToolIcon::AddThreeLines,
                                        ToolIcon::AddTitleAndSentence};
    for (size_t i = 0; i < a.add.size(); ++i) {
        a.add[i] = action(owner, addTexts[i], addNames[i]);
        withIcon(a.add[i], addIcons[i], addTexts[i]);
    }

    for (size_t line = 0; line < a.editLine.size(); ++line)
        for (size_t k = 0; k < kKindEntries.size(); ++k) {
            const std::string name = "editLine" + std::to_string(line + 1) + "Kind" + std::to_string(k + 1);
            a.editLine[line][k] = checkable(owner, kKindEntries[k], name.c_str());
        }
    a.editTitleSentence = checkable(owner, "제목과문장 편집", "editTitleSentence");
    a.cut = action(owner, "잘라내기", "cut");
    a.menuPaste = action(owner, "붙여넣기", "menuPaste");
    a.remove = action(owner, "삭제", "remove");
    keys(a.cut, {QKeySequence(Qt::CTRL | Qt::Key_X)});
    keys(a.remove, {QKeySequence(Qt::Key_Delete)});
    withIcon(a.cut, ToolIcon::Cut, "잘라내기");
    withIcon(a.remove, ToolIcon::Delete, "삭제");

    a.preview = action(owner, "보기", "preview");
    keys(a.preview, {QKeySequence(Qt::Key_F5)});
    withIcon(a.preview, ToolIcon::Preview, "미리보기");
    a.setClock = action(owner, "설정", "setClock");
    withIcon(a.setClock, ToolIcon::Clock, "시각설정");

    a.serial = checkable(owner, "RS232전송", "serial");
    a.tcp = checkable(owner, "TCP/IP전송", "tcp");
    a.portSettings = action(owner, "포트설정", "portSettings");
    a.ipSettings = action(owner, "IP설정", "ipSettings");
    a.verify = checkable(owner, "전송 후 확인", "verify");
    withIcon(a.portSettings, ToolIcon::PortSettings, "포트설정");
    withIcon(a.ipSettings, ToolIcon::IpSettings, "IP설정");

    a.windowAlways = checkable(owner, "표출시간에 관계없이 표출", "windowAlways");
    a.windowOnly = checkable(owner, "표출시간에만 표출", "windowOnly");
    a.windowApply = action(owner, "적용", "windowApply");
    a.onOffTimes = action(owner, "ON/OFF시간설정", "onOffTimes");
    a.onOffOff = checkable(owner, "ON/OFF기능사용안함", "onOffOff");
    a.onOffOn = checkable(owner, "ON/OFF기능사용함", "onOffOn");
    a.onOffApply = action(owner, "적용", "onOffApply");
    a.brightness = action(owner, "LED밝기", "brightness");
    a.about = action(owner, "Orb 정보(&A)...", "about");

    a.toolbarPaste = action(owner, "붙여넣기", "toolbarPaste");
    keys(a.toolbarPaste, {QKeySequence(Qt::CTRL | Qt::Key_V)});
    withIcon(a.toolbarPaste, ToolIcon::Paste, "붙여넣기");
    a.undo = action(owner, "실행 취소", "undo");
    keys(a.undo, {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    a.redo = action(owner, "다시 실행", "redo");
    keys(a.redo, {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    // Keys without a menu entry still work while the window is active.
    a.cancelTransfer = action(owner, "취소", "cancelTransfer");
    keys(a.cancelTransfer, {QKeySequence(Qt::Key_Escape)});
    owner->addAction(a.undo);
    owner->addAction(a.redo);
    owner->addAction(a.cancelTransfer);
    return a;
}

void fillMenuBar(QMenuBar* bar, FrameActions& a) {
    QMenu* file = bar->addMenu("파일(&F)");
    file->addActions({a.open, a.save, a.saveAs, a.saveBundle, a.newProject});
    file->addSeparator();
    file->addAction(a.pullProgram);
    file->addSeparator();
    file->addAction(a.exit);

    bar->addMenu("규격")->addAction(a.signSize);

    QMenu* add = bar->addMenu("추가하기");
    for (QAction* entry : a.add) add->addAction(entry);

    QMenu* edit = bar->addMenu("편집");
    for (size_t line = 0; line < a.editLine.size(); ++line) {
        QMenu* sub = edit->addMenu(QString::fromUtf8(kLineMenus[line]));
        for (QAction* entry : a.editLine[line]) sub->addAction(entry);
        a.lineMenus[line] = sub;
    }
    edit->addAction(a.editTitleSentence);
    edit->addSeparator();
    edit->addActions({a.cut, a.menuPaste, a.remove});

    bar->addMenu("미리보기")->addAction(a.preview);
    bar->addMenu("시각설정")->addAction(a.setClock);

    QMenu* link = bar->addMenu("통신설정");
    link->addActions({a.serial, a.tcp});
    link->addSeparator();
    link->addActions({a.portSettings, a.ipSettings});
    link->addSeparator();
    link->addAction(a.verify);

    QMenu* window = bar->addMenu("표출시간");
    window->addActions({a.windowAlways, a.windowOnly});
    window->addSeparator();
    window->addAction(a.windowApply);

    QMenu* onOff = bar->addMenu("ON/OFF");
    onOff->addAction(a.onOffTimes);
    onOff->addSeparator();
    onOff->addActions({a.onOffOff, a.onOffOn});
    onOff->addSeparator();
    onOff->addAction(a.onOffApply);

    bar->addMenu("밝기")->addAction(a.brightness);
    bar->addMenu("도움말(&H)")->addAction(a.about);
}

void fillToolBar(QToolBar* bar, const FrameActions& a) {
    bar->addActions({a.open, a.save, a.saveAs, a.newProject});
    bar->addSeparator();
    bar->addAction(a.signSize);
    bar->addSeparator();
    bar->addActions({a.cut, a.toolbarPaste, a.remove});
    bar->addSeparator();
    for (QAction* entry : a.add) bar->addAction(entry);
    bar->addSeparator();
    bar->addAction(a.preview);
    bar->addSeparator();
    bar->addAction(a.setClock);
    bar->addSeparator();
    bar->addActions({a.portSettings, a.ipSettings});
}

}  // namespace orb
