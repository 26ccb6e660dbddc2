#include "editor/dialogs/LineDialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace orb {

LineDialog::LineDialog(const QString& title, ContentKind kind, const ItemHeader& header,
                       const LinePayload& payload, int line, const SignContext& sign, QWidget* parent)
    : QDialog(parent), layout_(new QVBoxLayout(this)), line_(line), kind_(kind), sign_(sign) {
    setWindowTitle(title);
    const LineEditStart start = openLineEdit(header, payload, line, kind);
    header_ = start.header;
    payload_ = start.payload;
    sameKind_ = start.sameKind;
}

void LineDialog::finishLayout() {
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout_->addWidget(buttons_);
}

void LineDialog::accept() {
    if (!collect()) return;
    QDialog::accept();
}

}  // namespace orb
