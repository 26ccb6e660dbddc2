#pragma once
// The steps of the document's undo history: one type per list command, each applying itself
// and undoing itself through the document's few primitives, which change the store's records,
// the rows and the cut buffer together and tell the observers.
#include <vector>

#include "editor/core/ListRow.h"
#include "image/ItemRecord.h"

namespace orb {

class OrbDocument;

class DocumentEdit {
  public:
    virtual ~DocumentEdit() = default;
    virtual IoResult apply(OrbDocument& doc) = 0;
    virtual IoResult undo(OrbDocument& doc) = 0;

  protected:
    static IoResult insertItem(OrbDocument& doc, int at, const ItemRecord& record, const ListRow& row);
    static IoResult removeItem(OrbDocument& doc, int at);
    static IoResult replaceItem(OrbDocument& doc, int at, const ItemRecord& record, const ListRow& row);
    static void setCutBuffer(OrbDocument& doc, const ItemRecord& record, bool full);
    static const ItemRecord& cutBuffer(const OrbDocument& doc);
    static bool cutBufferFull(const OrbDocument& doc);
};

// An item inserted before row AT; undo removes it.
class InsertItemEdit : public DocumentEdit {
  public:
    InsertItemEdit(int at, const ItemRecord& record)
        : at_(at), record_(record), row_(rowFromRecord(record)) {}
    IoResult apply(OrbDocument& doc) override { return insertItem(doc, at_, record_, row_); }
    IoResult undo(OrbDocument& doc) override { return removeItem(doc, at_); }

  private:
    int at_;
    ItemRecord record_;
    ListRow row_;
};

// A new item at the end of the list.
class AddItemEdit final : public InsertItemEdit {
    using InsertItemEdit::InsertItemEdit;
};

// One item's record and row before and after a change in place.
class ReplaceItemEdit : public DocumentEdit {
  public:
    ReplaceItemEdit(int at, const ItemRecord& before, const ListRow& beforeRow, const ItemRecord& after,
                    const ListRow& afterRow)
        : at_(at), before_(before), after_(after), beforeRow_(beforeRow), afterRow_(afterRow) {}
    IoResult apply(OrbDocument& doc) override { return replaceItem(doc, at_, after_, afterRow_); }
    IoResult undo(OrbDocument& doc) override { return replaceItem(doc, at_, before_, beforeRow_); }

  private:
    int at_;
    ItemRecord before_, after_;
    ListRow beforeRow_, afterRow_;
};

class HeightEdit final : public ReplaceItemEdit {
    using ReplaceItemEdit::ReplaceItemEdit;
};
class DisplayTimeEdit final : public ReplaceItemEdit {
    using ReplaceItemEdit::ReplaceItemEdit;
};
class LineContentEdit final : public ReplaceItemEdit {
    using ReplaceItemEdit::ReplaceItemEdit;
};
class TitleSentenceEdit final : public ReplaceItemEdit {
    using ReplaceItemEdit::ReplaceItemEdit;
};

// The item at AT moves into the cut buffer; undo puts it back and the buffer as it was.
class CutEdit final : public DocumentEdit {
  public:
    CutEdit(int at, const ItemRecord& record, const ListRow& row, const ItemRecord& oldBuffer, bool oldFull)
        : at_(at), record_(record), row_(row), oldBuffer_(oldBuffer), oldFull_(oldFull) {}
    IoResult apply(OrbDocument& doc) override;
    IoResult undo(OrbDocument& doc) override;

  private:
    int at_;
    ItemRecord record_;
    ListRow row_;
    ItemRecord oldBuffer_;
    bool oldFull_;
};

// The cut item inserted before row AT.
class PasteEdit final : public InsertItemEdit {
    using InsertItemEdit::InsertItemEdit;
};

// Several rows deleted; ROWS ascending.
class DeleteEdit final : public DocumentEdit {
  public:
    struct Removed {
        int at;
        ItemRecord record;
        ListRow row;
    };
    explicit DeleteEdit(std::vector<Removed> removed) : removed_(std::move(removed)) {}
    IoResult apply(OrbDocument& doc) override;
    IoResult undo(OrbDocument& doc) override;

  private:
    std::vector<Removed> removed_;
};

}  // namespace orb
