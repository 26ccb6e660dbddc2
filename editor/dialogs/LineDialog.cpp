#include "editor/dialogs/LineDialog.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QVBoxLayout>
#include <algorithm>

#include "editor/dialogs/DialogButtons.h"

namespace orb {

QString missingPartText(ContentKind kind) {
    switch (kind) {
        case ContentKind::Bitmap:
            return QString::fromUtf8("열기로 비트맵(bmp) 파일을 선택하십시오");
        case ContentKind::Animation:
            return QString::fromUtf8("열기로 GIF 파일을 선택하십시오");
        default:
            return QString::fromUtf8("문장을 입력하십시오");
    }
}

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

QString LineDialog::chooseFile(const QString& kind, const QString& current, const QString& filter) {
    const QString start = current.isEmpty() ? lastFolder(kind) : QFileInfo(current).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(this, QString::fromUtf8("열기"), start, filter);
    rememberFolder(kind, chosen);
    return chosen;
}

void LineDialog::focusOk() {
    for (QAbstractButton* b : buttons_->buttons())
        if (buttons_->buttonRole(b) == QDialogButtonBox::AcceptRole) b->setFocus(Qt::OtherFocusReason);
}

void LineDialog::accept() {
    if (!collect()) return;
    complete_ = isComplete(content_);
    if (!complete_) {
        // Nothing is dropped without a word: the dialog says what is missing and stays open.
        showMessage(this, MessageKind::Warning, windowTitle(), missingPartText(content_.kind));
        return;
    }
    QDialog::accept();
}

}  // namespace orb
