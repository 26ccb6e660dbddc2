#pragma once
// The frame every line dialog shares: it opens on a copy of the item's header and the line's
// payload (as the dialog of its kind opens them: a line of another kind starts empty with fresh
// effects), and on OK gives back the changed copies. Cancel gives back nothing.
#include <QDialog>

#include "content/LineEdit.h"
#include "editor/dialogs/DialogSupport.h"

class QDialogButtonBox;
class QVBoxLayout;

namespace orb {

class LineDialog : public QDialog {
    Q_OBJECT
  public:
    const ItemHeader& header() const { return header_; }
    const LinePayload& payload() const { return payload_; }
    int line() const { return line_; }
    ContentKind kind() const { return kind_; }
    // Whether OK produced something to store (a sentence with text, a bitmap with a file...).
    bool complete() const { return complete_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    // OK: the dialog's checks, then its result; a refused check keeps it open.
    void accept() override;

  protected:
    LineDialog(const QString& title, ContentKind kind, const ItemHeader& header, const LinePayload& payload,
               int line, const SignContext& sign, QWidget* parent);
    // Adds the OK and Cancel buttons at the bottom of the layout.
    void finishLayout();
    // Called by OK: fills header_ and payload_; false keeps the dialog open.
    virtual bool collect() = 0;

    QVBoxLayout* layout_;
    ItemHeader header_;
    LinePayload payload_;
    bool sameKind_ = false;
    int line_;
    ContentKind kind_;
    SignContext sign_;
    bool complete_ = false;

  private:
    QDialogButtonBox* buttons_ = nullptr;
};

}  // namespace orb
