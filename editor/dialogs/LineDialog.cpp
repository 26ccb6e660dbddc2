#include "editor/dialogs/LineDialog.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>
#include <algorithm>

namespace orb {

LineDialog::LineDialog(const QString& title, const LineContent& start, int line, int heightCode,
                       const SignContext& sign, QWidget* parent)
    : QDialog(parent),
      layout_(new QVBoxLayout(this)),
      content_(start),
      line_(line),
      heightCode_(std::clamp(heightCode, 1, 8)),
      sign_(sign) {
    setWindowTitle(title);
}

void LineDialog::finishLayout() {
    buttons_ = new QDialogButtonBox(this);
    buttons_->addButton(QString::fromUtf8("확인"), QDialogButtonBox::AcceptRole);
    buttons_->addButton(QString::fromUtf8("취소"), QDialogButtonBox::RejectRole);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout_->addWidget(buttons_);
}

void LineDialog::accept() {
    if (!collect()) return;
    complete_ = isComplete(content_);
    QDialog::accept();
}

}  // namespace orb
