#include "editor/dialogs/BitmapDialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

#include "content/BmpFile.h"
#include "content/FileBytes.h"
#include "editor/dialogs/PhraseRender.h"

namespace orb {

namespace {
constexpr int kFrameWidth = 340, kFrameHeight = 120;
}

BitmapDialog::BitmapDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                           QWidget* parent)
    : LineDialog(QString::fromUtf8("비트맵"), start, line, heightCode, sign, parent),
      effects_(new EffectBlockWidget(entryEffectsFor(ContentKind::Bitmap), content_.effects, this)),
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
    signView_->setRowsShown(sign.rowsShown(heightCode));
    signView_->clear(lineWidth(), lineHeight());
    if (!content_.payload.path().empty()) check(storedPathToQString(content_.payload.path()), false);
    finishLayout();
}

void BitmapDialog::open() {
    const QString chosen = chooseFile("bitmap", path_, QString::fromUtf8("bmp파일(*.bmp);;모든파일(*.*)"));
    if (!chosen.isEmpty() && pick(chosen)) focusOk();
}

bool BitmapDialog::pick(const QString& path) {
    return check(path, true);
}

bool BitmapDialog::check(const QString& path, bool clearOnRefusal) {
    const BitmapCheck c = CheckBitmapFile(path.toStdString());
    if (c.result != BmpResult::Ok) {
        // A file that cannot be read failed; any other is refused.
        const MessageKind kind =
            c.result == BmpResult::CannotRead ? MessageKind::Critical : MessageKind::Warning;
        showMessage(this, kind, QString::fromUtf8(bitmapCheckCaption(c.result)),
                    QString::fromUtf8(bitmapCheckMessage(c.result)));
        if (clearOnRefusal) {
            path_.clear();
            fileName_->clear();
            preview_ = QImage();
            frame_->clear();
            signView_->clear(lineWidth(), lineHeight());
        } else {
            // A stored line keeps its path and size when its file no longer passes.
            path_ = path;
            width_ = content_.pictureWidth;
            height_ = content_.pictureHeight;
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
    // The project's own decoder for both pictures, so the preview shows what the build will read.
    std::vector<uint8_t> bytes;
    RgbImage decoded;
    const bool ok = readFileBytes(path_.toStdString(), 64u << 20, bytes) == ReadResult::Ok &&
                    decodeBmp(bytes, decoded) == BmpResult::Ok;
    const int w = lineWidth(), h = lineHeight();
    if (!ok) {
        preview_ = QImage();
        frame_->clear();
        signView_->clear(w, h);
        showMessage(this, MessageKind::Critical, QString::fromUtf8("그림없음"),
                    QString::fromUtf8("그림이 없습니다"));
        return;
    }
    // Stretched to the frame less 20 pixels across and 28 down.
    preview_ = toQImage(decoded).scaled(kFrameWidth - 20, kFrameHeight - 28, Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation);
    frame_->setPixmap(QPixmap::fromImage(preview_));
    signView_->showPicture(bitmapPlanes(decoded), w, h);
}

bool BitmapDialog::collect() {
    content_.kind = ContentKind::Bitmap;
    content_.payload = LinePayload{};
    content_.effects = effects_->block();
    if (path_.isEmpty()) return true;  // nothing chosen: nothing is stored
    if (!storePath(path_)) return false;
    content_.pictureWidth = static_cast<uint16_t>(width_);
    content_.pictureHeight = static_cast<uint16_t>(height_);
    return true;
}

}  // namespace orb
