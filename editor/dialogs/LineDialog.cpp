#include "editor/dialogs/LineDialog.h"

#include <QVBoxLayout>
#include <algorithm>

#include "editor/dialogs/DialogButtons.h"

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
    buttons_ = okCancelButtons(this);
    layout_->addWidget(buttons_);
}

void LineDialog::accept() {
    if (!collect()) return;
    complete_ = isComplete(content_);
    QDialog::accept();
}

}  // namespace orb
