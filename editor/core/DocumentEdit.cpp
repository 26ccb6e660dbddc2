#include "editor/core/DocumentEdit.h"

#include "editor/core/OrbDocument.h"

namespace orb {

IoResult DocumentEdit::insertItem(OrbDocument& doc, int at, const ItemRecord& record, const ListRow& row) {
    const IoResult r = doc.store_->insertRecord(at, record);
    if (r != IoResult::Ok) return r;
    doc.rows_.insert(doc.rows_.begin() + at, row);
    doc.memoryKnown_ = false;  // observers may ask for the gauge at once
    for (DocumentObserver* o : doc.observers_) o->rowsInserted(at, 1);
    return r;
}

IoResult DocumentEdit::removeItem(OrbDocument& doc, int at) {
    const IoResult r = doc.store_->removeRecord(at);
    if (r != IoResult::Ok) return r;
    doc.rows_.erase(doc.rows_.begin() + at);
    doc.memoryKnown_ = false;  // observers may ask for the gauge at once
    for (DocumentObserver* o : doc.observers_) o->rowsRemoved(at, 1);
    return r;
}

IoResult DocumentEdit::replaceItem(OrbDocument& doc, int at, const ItemRecord& record, const ListRow& row) {
    const IoResult r = doc.store_->writeRecord(at, record);
    if (r != IoResult::Ok) return r;
    doc.rows_.at(static_cast<size_t>(at)) = row;
    doc.memoryKnown_ = false;  // observers may ask for the gauge at once
    for (DocumentObserver* o : doc.observers_) o->rowsChanged(at, 1);
    return r;
}

void DocumentEdit::setCutBuffer(OrbDocument& doc, const ItemRecord& record, bool full) {
    const bool was = doc.cutFull_;
    doc.cutBuffer_ = record;
    doc.cutFull_ = full;
    if (was != full)
        for (DocumentObserver* o : doc.observers_) o->cutBufferChanged(full);
}

const ItemRecord& DocumentEdit::cutBuffer(const OrbDocument& doc) {
    return doc.cutBuffer_;
}

bool DocumentEdit::cutBufferFull(const OrbDocument& doc) {
    return doc.cutFull_;
}

IoResult CutEdit::apply(OrbDocument& doc) {
    const IoResult r = removeItem(doc, at_);
    if (r == IoResult::Ok) setCutBuffer(doc, record_, true);
    return r;
}

IoResult CutEdit::undo(OrbDocument& doc) {
    const IoResult r = insertItem(doc, at_, record_, row_);
    if (r == IoResult::Ok) setCutBuffer(doc, oldBuffer_, oldFull_);
    return r;
}

// From the last row back, so the earlier rows keep their indexes; the records end as the
// deletion one row at a time leaves them.
IoResult DeleteEdit::apply(OrbDocument& doc) {
    for (auto it = removed_.rbegin(); it != removed_.rend(); ++it) {
        const IoResult r = removeItem(doc, it->at);
        if (r != IoResult::Ok) return r;
    }
    return IoResult::Ok;
}

IoResult DeleteEdit::undo(OrbDocument& doc) {
    for (const Removed& item : removed_) {
        const IoResult r = insertItem(doc, item.at, item.record, item.row);
        if (r != IoResult::Ok) return r;
    }
    return IoResult::Ok;
}

}  // namespace orb
