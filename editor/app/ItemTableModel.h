#pragma once
// The item list's table: one row per item, the nine columns of kListColumns (ListRow.h). It keeps no texts
// of its own; it follows the document's change notifications and reads the rows from it.
#include <QAbstractTableModel>

#include "editor/core/DocumentObserver.h"

namespace orb {

class OrbDocument;

class ItemTableModel : public QAbstractTableModel, private DocumentObserver {
    Q_OBJECT
  public:
    explicit ItemTableModel(OrbDocument& doc, QObject* parent = nullptr);
    ~ItemTableModel() override;

    OrbDocument& document() const { return doc_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    void rowsInserted(int first, int count) override;
    void rowsRemoved(int first, int count) override;
    void rowsChanged(int first, int count) override;
    void rowsReset() override;

    OrbDocument& doc_;
    // The row count the views were last told; the document's may already be ahead of it while
    // a notification is being passed on.
    int rows_ = 0;
};

}  // namespace orb
