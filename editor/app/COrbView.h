#pragma once
// The editor's form: the item list (several rows selectable) and the "전 송" button. The list
// shows the document through ItemTableModel; the commands live in the frame, which gives the view
// the context menu to open.
#include <QWidget>
#include <functional>
#include <vector>

class QMenu;
class QPushButton;
class QTableView;

namespace orb {

class ItemTableModel;
class TimelineBar;

class COrbView : public QWidget {
    Q_OBJECT
  public:
    explicit COrbView(ItemTableModel* model, QWidget* parent = nullptr);

    QTableView* list() const { return list_; }
    QPushButton* transferButton() const { return transfer_; }
    TimelineBar* timeline() const { return timeline_; }

    // Selected rows in increasing order.
    std::vector<int> selectedRows() const;
    void selectRows(const std::vector<int>& rows);
    // Gives the list the keyboard focus; without a current row the first key moves to row 0.
    void focusList();

    // Builds the context menu for the current selection; the view opens it at the pointer.
    void setContextMenuBuilder(std::function<QMenu*(QWidget* parent)> builder) {
        buildMenu_ = std::move(builder);
    }
    // The menu is offered only when a row is selected and the point lies inside the list.
    bool contextMenuAllowedAt(const QPoint& viewportPoint) const;

  signals:
    void selectionChanged();
    // A row was double-clicked, or Enter pressed on the current one.
    void rowActivated(int row);

  private:
    void openContextMenu(const QPoint& viewportPoint);

    QTableView* list_;
    QPushButton* transfer_;
    TimelineBar* timeline_ = nullptr;
    std::function<QMenu*(QWidget*)> buildMenu_;
};

}  // namespace orb
