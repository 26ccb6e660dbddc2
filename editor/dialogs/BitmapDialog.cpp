#include "editor/dialogs/BitmapDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "content/BmpFile.h"

namespace orb {

namespace {
constexpr int kFrameWidth = 340, kFrameHeight = 120;
}

BitmapDialog::BitmapDialog(const ItemHeader& header, const LinePayload& payload, int line,
                           const SignContext& sign, QWidget* parent)
    : LineDialog(QString::fromUtf8("비트맵"), ContentKind::Bitmap, header, payload, line, sign, parent),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Bitmap), header_.effects(line), this)),
      openButton_(new QPushButton(QString::fromUtf8("열기"), this)),
      fileName_(new QLabel(this)),
      frame_(new QLabel(this)),
      signView_(new LedView(this)) {
    auto* row = new QHBoxLayout;
    row->addWidget(openButton_);
    row->addWidget(fileName_, 1);
    layout_->addLayout(row);
    frame_->setFixedSize(kFrameWidth, kFrameHeight);
    frame_->setFrameShape(QFrame::Box);
    frame_->setAlignment(Qt::AlignCenter);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(frame_);
    pictures->addWidget(signView_, 1);
    layout_->addLayout(pictures);
    layout_->addWidget(effects_);
    connect(openButton_, &QPushButton::clicked, this, &BitmapDialog::open);
    signView_->clear(16 * sign.signColumns, 16 * header_.heightCode(line));
    if (sameKind_ && !payload_.path().empty()) check(storedPathToQString(payload_.path()), false);
    finishLayout();
}

void BitmapDialog::open() {
    const QString chosen = QFileDialog::getOpenFileName(this, QString::fromUtf8("열기"), "*.bmp",
                                                        QString::fromUtf8("bmp파일(*.bmp);;모든파일(*.*)"));
    if (!chosen.isEmpty()) pick(chosen);
}

bool BitmapDialog::pick(const QString& path) {
    return check(path, true);
}

bool BitmapDialog::check(const QString& path, bool clearOnRefusal) {
    const BitmapCheck c = CheckBitmapFile(path.toStdString());
    if (c.result != BmpResult::Ok) {
        showMessage(this, QString::fromUtf8(bitmapCheckCaption(c.result)),
                    QString::fromUtf8(bitmapCheckMessage(c.result)));
        if (clearOnRefusal) {
            path_.clear();
            fileName_->clear();
            preview_ = QImage();
            frame_->clear();
            signView_->clear(16 * sign_.signColumns, 16 * header_.heightCode(line_));
        } else {
            // A stored line keeps its path and size when its file no longer passes.
            path_ = path;
            width_ = header_.pictureWidth(line_);
            height_ = header_.pictureHeight(line_);
            fileName_->setText(QFileInfo(path).fileName());
        }
        return false;
    }
    path_ = path;
    width_ = c.width;
    height_ = std::abs(c.height);
    fileName_->setText(QFileInfo(path).fileName());
    showPicture();
    return true;
}

void BitmapDialog::showPicture() {
    const QImage picture(path_);
    const int w = 16 * sign_.signColumns, h = 16 * header_.heightCode(line_);
    ColourPlanes planes;
    if (picture.isNull() || BmpPlanes(path_.toStdString(), planes) != BmpResult::Ok) {
        preview_ = QImage();
        frame_->clear();
        signView_->clear(w, h);
        showMessage(this, QString::fromUtf8("그림없음"), QString::fromUtf8("그림이 없습니다"));
        return;
    }
    // Stretched to the frame less 20 pixels across and 28 down.
    preview_ =
        picture.scaled(kFrameWidth - 20, kFrameHeight - 28, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    frame_->setPixmap(QPixmap::fromImage(preview_));
    signView_->showPicture(planes, w, h);
}

bool BitmapDialog::collect() {
    complete_ = !path_.isEmpty();
    if (!complete_) return true;
    payload_ = LinePayload{};
    if (!payload_.setPath(storedPathFromQString(path_))) {
        showMessage(this, QString::fromUtf8("경로 초과"),
                    QString::fromUtf8("파일 경로가 너무 깁니다 (511바이트까지)"));
        return false;
    }
    header_.setKind(line_, ContentKind::Bitmap);
    header_.setEffects(line_, effects_->block());
    header_.setPictureSize(line_, static_cast<uint16_t>(width_), static_cast<uint16_t>(height_));
    return true;
}

}  // namespace orb
