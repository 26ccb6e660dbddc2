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

bool LineDialog::storePath(const QString& path, const std::optional<QString>& rtfPath) {
    if (content_.payload.setPath(storedPathFromQString(path)) &&
        (!rtfPath || content_.payload.setRtfPath(storedPathFromQString(*rtfPath))))
        return true;
    showMessage(this, MessageKind::Warning, QString::fromUtf8("경로 초과"),
                QString::fromUtf8("파일 경로가 너무 깁니다 (511바이트까지)"));
    return false;
}

void LineDialog::accept() {
    if (!collect()) return;
    complete_ = isComplete(content_);
    QDialog::accept();
}

}  // namespace orb
