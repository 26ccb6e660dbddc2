#pragma once
// Which commands of the main menu, the toolbar and the list's context menu are enabled and
// checked, as one pure function of the document and the selected rows.
#include <array>
#include <span>

#include "image/ItemHeader.h"

namespace orb {

class OrbDocument;

// One line's seven "편집" entries ("문장" ... "온도표시"), indexed by ContentKind - 1.
struct LineEntries {
    bool enabled = false;
    std::array<bool, 7> checked{};  // the entry of the line's current kind
};

struct MenuEntries {
    std::array<LineEntries, 3> lines;   // "1번째줄 편집" .. "3번째줄 편집"
    bool titleSentenceEnabled = false;  // "제목과문장 편집"
    bool titleSentenceChecked = false;
    bool cut = false;          // "잘라내기"
    bool paste = false;        // "붙여넣기"
    bool remove = false;       // "삭제" / "삭제하기"
    bool height = false;       // "높이설정" (context menu)
    bool displayTime = false;  // "표출시간" (context menu)
};

struct CommandState {
    // "추가하기": always enabled.
    bool add = true;
    // The main menu "편집" and the toolbar. Line n is enabled for a first selected item whose
    // layout has line n (layouts 1 to 3); "제목과문장 편집" enabled and checked for layout 4;
    // "삭제" with a selection, "잘라내기" with exactly one row; the toolbar's paste with exactly
    // one row and a full cut buffer. The main menu's own "붙여넣기" entry is always disabled
    // (pasting is done from the context menu and the toolbar): mainMenuPaste is false.
    MenuEntries main;
    bool mainMenuPaste = false;
    bool toolbarPaste = false;

    // The context menu: shown only with at least one selected row (and the pointer inside the
    // list, which the window decides). Entries follow the first selected item's header: lines
    // the layout lacks disabled; layout 4: "제목과문장 편집" checked, every line entry disabled;
    // layouts 1 to 3: "제목과문장 편집" disabled; "붙여넣기" disabled while the buffer is empty.
    // Cut, delete, height and display time stay enabled (their refusals say why).
    bool contextMenuShown = false;
    MenuEntries context;

    bool undo = false;
    bool redo = false;
    bool save = true;  // always; without a path it asks for a name
    bool preview = true;

    // The project commands ("불러오기", "저장하기", "다른이름으로 저장하기", "새로만들기").
    bool project = true;
    // The commands that talk to the sign: "전 송", "전광판 사이즈", "설정", both "적용", "LED밝기".
    bool signCommands = true;
    // The settings commands: link choice, "포트설정", "IP설정", "ON/OFF시간설정", the ON/OFF flag,
    // the display-window mode, "전송 후 확인".
    bool settings = true;
    // "취소" and Esc: only while a transfer runs.
    bool cancelTransfer = false;

    // "통신설정", "표출시간", "ON/OFF": the checked entry of each pair.
    bool serialChecked = false;        // "RS232전송"
    bool tcpChecked = false;           // "TCP/IP전송"
    bool windowAlwaysChecked = false;  // "표출시간에 관계없이 표출"
    bool windowOnlyChecked = false;    // "표출시간에만 표출"
    bool onOffOffChecked = false;      // "ON/OFF기능사용안함"
    bool onOffOnChecked = false;       // "ON/OFF기능사용함"
};

// What is running on the sign's link: while a command runs, every command that talks to the
// sign, changes the list, the project or the link is disabled until it ends.
enum class SignActivity { Idle, Command, Transfer };

// SELECTED: the selected rows in any order; rows outside the list are ignored.
CommandState commandState(const OrbDocument& doc, std::span<const int> selected,
                          SignActivity activity = SignActivity::Idle);

}  // namespace orb
