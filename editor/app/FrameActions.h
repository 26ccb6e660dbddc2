#pragma once
// The main menu's entries, the toolbar's buttons and the keys, as QActions owned by the frame.
// Texts and order are the menus of the editor; the actions carry no behaviour of their own.
#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace orb {

struct FrameActions {
    // "파일(&F)"
    QAction* open = nullptr;
    QAction* save = nullptr;
    QAction* saveAs = nullptr;
    QAction* newProject = nullptr;
    QAction* saveBundle = nullptr;   // "그림과 함께 저장": the program with its pictures in one ZIP
    QAction* pullProgram = nullptr;  // "전광판에서 가져오기": the sign's program as a new project
    QAction* exit = nullptr;
    // "규격"
    QAction* signSize = nullptr;
    // "추가하기": layouts 1 to 4
    std::array<QAction*, 4> add{};
    // "편집": "1번째줄 편집" .. "3번째줄 편집", each "문장" .. "온도표시" (ContentKind - 1)
    std::array<std::array<QAction*, 7>, 3> editLine{};
    std::array<QMenu*, 3> lineMenus{};  // the submenus themselves, made by fillMenuBar
    QAction* editTitleSentence = nullptr;
    QAction* cut = nullptr;
    QAction* menuPaste = nullptr;  // the main menu's "붙여넣기": always disabled
    QAction* remove = nullptr;
    // "미리보기"
    QAction* preview = nullptr;
    // "시각설정"
    QAction* setClock = nullptr;
    // "통신설정"
    QAction* serial = nullptr;
    QAction* tcp = nullptr;
    QAction* portSettings = nullptr;
    QAction* ipSettings = nullptr;
    QAction* verify = nullptr;  // "전송 후 확인", checkable
    // "표출시간"
    QAction* windowAlways = nullptr;
    QAction* windowOnly = nullptr;
    QAction* windowApply = nullptr;
    // "ON/OFF"
    QAction* onOffTimes = nullptr;
    QAction* onOffOff = nullptr;
    QAction* onOffOn = nullptr;
    QAction* onOffApply = nullptr;
    // "밝기"
    QAction* brightness = nullptr;
    // "도움말(&H)"
    QAction* about = nullptr;

    // The toolbar's paste button (the view's paste command, as in the context menu), and the
    // keys the menus do not show.
    QAction* toolbarPaste = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* cancelTransfer = nullptr;  // Esc while a transfer runs
};

// The names of the seven content kinds in the "편집" submenus, in ContentKind order from 1.
inline constexpr std::array<const char*, 7> kKindEntries = {"문장",   "비트맵",     "애니메이션", "시각표시",
                                                            "디데이", "비트맵문구", "온도표시"};
inline constexpr std::array<const char*, 3> kLineMenus = {"1번째줄 편집", "2번째줄 편집", "3번째줄 편집"};

// Creates every action with its text, keys and checkability, owned by OWNER.
FrameActions createFrameActions(QWidget* owner);

void fillMenuBar(QMenuBar* bar, FrameActions& a);

// The buttons in order: open, save, save as, new | sign size | cut, paste, delete | the four
// adds | preview | set clock | port settings, IP settings.
void fillToolBar(QToolBar* bar, const FrameActions& a);

}  // namespace orb
