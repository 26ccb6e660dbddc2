#include "editor/core/CommandState.h"

#include <algorithm>

#include "editor/core/OrbDocument.h"

namespace orb {

namespace {

struct Selected {
    int count = 0;
    int first = -1;
};

Selected inList(const OrbDocument& doc, std::span<const int> selected) {
    Selected s;
    std::vector<int> rows;
    for (int r : selected)
        if (r >= 0 && r < doc.rowCount()) rows.push_back(r);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    s.count = static_cast<int>(rows.size());
    if (!rows.empty()) s.first = rows.front();
    return s;
}

// The line entries and "제목과문장 편집" from the first selected item's header; both menus
// follow the same rule.
void fillLineEntries(MenuEntries& m, const ItemHeader& h) {
    const LayoutCode layout = h.layout();
    const bool lineLayout =
        layout == LayoutCode::OneLine || layout == LayoutCode::TwoLines || layout == LayoutCode::ThreeLines;
    for (int line = 1; line <= 3; ++line) {
        LineEntries& e = m.lines[static_cast<size_t>(line - 1)];
        e.enabled = lineLayout && line <= linesOf(layout);
        const auto kind = static_cast<size_t>(h.kind(line));
        if (e.enabled && kind >= 1 && kind <= 7) e.checked[kind - 1] = true;
    }
    m.titleSentenceEnabled = m.titleSentenceChecked = layout == LayoutCode::TitleAndSentence;
}

}  // namespace

// While the link is busy only what cannot disturb it stays: the selection, "취소", the checks.
void holdForSign(CommandState& s, SignActivity activity) {
    const MenuEntries idle{};
    const std::array<LineEntries, 3> lines = s.main.lines, contextLines = s.context.lines;
    s.main = s.context = idle;
    for (size_t i = 0; i < lines.size(); ++i) {
        s.main.lines[i].checked = lines[i].checked;
        s.context.lines[i].checked = contextLines[i].checked;
    }
    s.add = s.toolbarPaste = s.contextMenuShown = false;
    s.undo = s.redo = s.save = s.preview = false;
    s.project = s.signCommands = s.settings = false;
    s.cancelTransfer = activity == SignActivity::Transfer;
}

CommandState commandState(const OrbDocument& doc, std::span<const int> selected, SignActivity activity) {
    CommandState s;
    const Selected sel = inList(doc, selected);
    const bool one = sel.count == 1;
    const bool any = sel.count >= 1;

    if (any) fillLineEntries(s.main, doc.record(sel.first).header);
    s.main.remove = any;
    s.main.cut = one;
    s.main.paste = one && doc.cutBufferFull();
    s.main.height = any;
    s.main.displayTime = any;
    s.mainMenuPaste = false;
    s.toolbarPaste = s.main.paste;

    s.contextMenuShown = any;
    if (any) {
        fillLineEntries(s.context, doc.record(sel.first).header);
        s.context.cut = s.context.remove = s.context.height = s.context.displayTime = true;
        s.context.paste = doc.cutBufferFull();
    }

    s.undo = doc.canUndo();
    s.redo = doc.canRedo();

    const SettingsBlock& st = doc.settings();
    s.serialChecked = st.linkMode() == LinkMode::Serial;
    s.tcpChecked = st.linkMode() == LinkMode::Tcp;
    s.windowAlwaysChecked = st.windowMode() == 0;
    s.windowOnlyChecked = st.windowMode() == 1;
    s.onOffOffChecked = !st.onOffEnabled();
    s.onOffOnChecked = st.onOffEnabled();
    if (activity != SignActivity::Idle) holdForSign(s, activity);
    return s;
}

}  // namespace orb
