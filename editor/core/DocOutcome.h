#pragma once
// How a command of the editor's document went: done, nothing to do, a question for the user
// (save needs a name), or refused. Every refusal has one Korean message box text and caption,
// given by messageOf(); the window shows them, orbctl prints them, the document never does.
#include <string>

#include "editor/core/MessageKind.h"

namespace orb {

enum class DocOutcome {
    Done,
    Unchanged,    // nothing to do: a setting already had that value, nothing to undo, ...
    Incomplete,   // a dialog's result that is not complete (an empty sentence, no file): no change
    NeedsSaveAs,  // save without a project path: ask for a name, then saveAs()

    // The item list.
    LinesTooTall,         // add of 2 or 3 lines whose heights sum above 8
    TitleTooTall,         // add of a title and sentence whose heights sum above 8
    HeightChangeTooTall,  // the height command with a sum above 8
    StoreFull,            // add or paste at 100 items
    NothingToDelete,      // delete on an empty list
    NoDeleteSelection,    // delete with rows but none selected
    CutNeedsOneRow,       // cut with two or more rows selected
    NothingToCut,         // cut on an empty list
    CutBufferEmpty,       // paste before anything was cut
    NoPasteSelection,     // paste with no row selected
    PasteNeedsOneRow,     // paste with two or more rows selected
    NoRowSelected,        // an edit of a row that is not in the list
    LineNotInLayout,      // an edit of a line the item's layout does not have
    InvalidValue,         // a height code, time or setting outside its range

    // Project files.
    WrongExtension,  // the name does not end in ".dat" (any case)
    WrongSize,       // not 473,632 bytes: not a project
    CannotOpen,
    CannotSave,

    // The working folder.
    WorkingFolderUnusable,  // "data.tmp" can be neither opened nor created
    StoreInUse,             // another editor has the working folder
    StoreWriteFailed,       // a write to "data.tmp" failed; the command is abandoned

    // The preview.
    PreviewFailed,  // the simulator could not be started
};

struct DocMessage {
    std::string text;                         // UTF-8; empty for Done, Unchanged, Incomplete and NeedsSaveAs
    std::string caption;                      // the message box's caption
    MessageKind kind = MessageKind::Warning;  // refusals warn; files and the store that fail are critical
};

DocMessage messageOf(DocOutcome outcome);

// Whether the window shows a message box for it.
bool isRefusal(DocOutcome outcome);

// The application title, also the caption of the list's refusals.
inline constexpr const char* kAppTitle = "Orb";

}  // namespace orb
