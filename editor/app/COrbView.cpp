#include "editor/app/COrbView.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "editor/app/ItemTableModel.h"
#include "editor/app/TimelineBar.h"
#include "editor/core/ListRow.h"

namespace orb {

namespace {

bool isMoveKey(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        default:
            return false;
    }
}

// A table that moves like a list: Home and End go to the first and last row (not along the
// row), and a move key never leaves the current row unselected (the view makes row 0 current
// without selecting it when it first gets the focus, so Home alone would otherwise do nothing).
class ItemListView : public QTableView {
    Q_OBJECT
  public:
    using QTableView::QTableView;

  signals:
    void rowEntered(int row);

  protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action == MoveHome || action == MoveEnd) modifiers |= Qt::ControlModifier;
        return QTableView::moveCursor(action, modifiers);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
            emit rowEntered(currentIndex().row());
            return;
        }
        QTableView::keyPressEvent(event);
        if (!isMoveKey(event->key()) || !currentIndex().isValid() || selectionModel()->hasSelection()) return;
        selectionModel()->select(currentIndex(),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
};

}  // namespace

COrbView::COrbView(ItemTableModel* model, QWidget* parent)
    : QWidget(parent), list_(new ItemListView(this)), transfer_(new QPushButton("전 송", this)) {
    list_->setObjectName("itemList");
    list_->setModel(model);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->setAlternatingRowColors(true);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeader()->setHighlightSections(false);
    for (size_t c = 0; c < std::size(kListColumns); ++c)
        list_->setColumnWidth(static_cast<int>(c), kListColumns[c].width);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, &COrbView::openContextMenu);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &COrbView::selectionChanged);
    connect(list_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& at) {
        if (at.isValid()) emit rowActivated(at.row());
    });
    connect(static_cast<ItemListView*>(list_), &ItemListView::rowEntered, this, &COrbView::rowActivated);

    transfer_->setObjectName("transferButton");
    transfer_->setMinimumWidth(120);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    timeline_ = new TimelineBar(model->document(), this);
    layout->addWidget(timeline_);
    layout->addWidget(transfer_, 0, Qt::AlignRight);
}

std::vector<int> COrbView::selectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void COrbView::selectRows(const std::vector<int>& rows) {
    QItemSelectionModel* selection = list_->selectionModel();
    selection->clearSelection();
    const int count = list_->model()->rowCount();
    for (int r : rows) {
        if (r < 0 || r >= count) continue;
        selection->select(list_->model()->index(r, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    if (!rows.empty() && rows.front() >= 0 && rows.front() < count)
        selection->setCurrentIndex(list_->model()->index(rows.front(), 0), QItemSelectionModel::NoUpdate);
}

void COrbView::focusList() {
    list_->setFocus(Qt::OtherFocusReason);
}

bool COrbView::contextMenuAllowedAt(const QPoint& viewportPoint) const {
    return !selectedRows().empty() && list_->viewport()->rect().contains(viewportPoint);
}

void COrbView::openContextMenu(const QPoint& viewportPoint) {
    if (!buildMenu_ || !contextMenuAllowedAt(viewportPoint)) return;
    QMenu* menu = buildMenu_(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(list_->viewport()->mapToGlobal(viewportPoint));
}

}  // namespace orb

#include "COrbView.moc"
