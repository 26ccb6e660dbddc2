#pragma once
// What a view of the document (the window's table model, tests) is told after each change. Every
// call comes after the document has changed, on the thread that changed it. Rows are 0-based.
#include <string>

namespace orb {

class DocumentObserver {
  public:
    virtual ~DocumentObserver() = default;
    // Rows FIRST .. FIRST + COUNT - 1 are new; the rows after them moved down.
    virtual void rowsInserted(int /*first*/, int /*count*/) {}
    // Rows FIRST .. FIRST + COUNT - 1 are gone; the rows after them moved up.
    virtual void rowsRemoved(int /*first*/, int /*count*/) {}
    // The texts of rows FIRST .. FIRST + COUNT - 1 changed.
    virtual void rowsChanged(int /*first*/, int /*count*/) {}
    // Every row was replaced (open, new, start-up).
    virtual void rowsReset() {}
    // A field of the settings block changed (also after open and new).
    virtual void settingsChanged() {}
    // The cut buffer became full or empty.
    virtual void cutBufferChanged(bool /*full*/) {}
    // Whether there are unsaved changes, or the project path, changed; TITLE is the new title.
    virtual void titleChanged(const std::string& /*title*/, bool /*clean*/) {}
    // What undo and redo can do changed.
    virtual void historyChanged() {}
};

}  // namespace orb
