#include "editor/app/ItemTableModel.h"

#include <iterator>

#include "editor/core/ListRow.h"
#include "editor/core/OrbDocument.h"

namespace orb {

ItemTableModel::ItemTableModel(OrbDocument& doc, QObject* parent)
    : QAbstractTableModel(parent), doc_(doc), rows_(doc.rowCount()) {
    doc_.addObserver(this);
}

ItemTableModel::~ItemTableModel() {
    doc_.removeObserver(this);
}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(std::size(kListColumns));
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= doc_.rowCount()) return {};
    const auto column = static_cast<size_t>(index.column());
    if (column >= std::size(kListColumns)) return {};
    return QString::fromStdString(doc_.row(index.row()).columns[column]);
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= static_cast<int>(std::size(kListColumns))) return {};
    return QString::fromUtf8(kListColumns[static_cast<size_t>(section)].heading);
}

void ItemTableModel::rowsInserted(int first, int count) {
    if (count <= 0) return;
    beginInsertRows({}, first, first + count - 1);
    rows_ += count;
    endInsertRows();
}

void ItemTableModel::rowsRemoved(int first, int count) {
    if (count <= 0) return;
    beginRemoveRows({}, first, first + count - 1);
    rows_ -= count;
    endRemoveRows();
}

void ItemTableModel::rowsChanged(int first, int count) {
    if (count <= 0) return;
    emit dataChanged(index(first, 0), index(first + count - 1, columnCount() - 1));
}

void ItemTableModel::rowsReset() {
    beginResetModel();
    rows_ = doc_.rowCount();
    endResetModel();
}

}  // namespace orb
