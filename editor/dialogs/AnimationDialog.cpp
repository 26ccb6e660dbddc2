#include "editor/dialogs/AnimationDialog.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "content/BmpFile.h"
#include "editor/dialogs/EffectBlockWidget.h"
#include "editor/dialogs/PhraseRender.h"
#include "image/CodeLists.h"

namespace orb {

namespace {
constexpr int kFrameWidth = 300, kFrameHeight = 130;
}  // namespace

AnimationDialog::AnimationDialog(const LineContent& start, int line, int heightCode, const SignContext& sign,
                                 QWidget* parent)
    : LineDialog(QString::fromUtf8("애니메이션"), start, line, heightCode, sign, parent),
      openButton_(new QPushButton(QString::fromUtf8("열기"), this)),
      fileName_(new QLabel(this)),
      picture_(new QLabel(this)),
      signView_(new LedView(this)),
      speed_(makeCodeList(speeds(), content_.animationSpeed, this)) {
    auto* row = new QHBoxLayout;
    row->addWidget(openButton_);
    row->addWidget(fileName_, 1);
    layout_->addLayout(row);
    picture_->setFixedSize(kFrameWidth, kFrameHeight);
    picture_->setFrameShape(QFrame::Box);
    // The frame is shown inset 10 pixels left and right, 20 at the top and 10 at the bottom.
    picture_->setContentsMargins(10, 20, 10, 10);
    picture_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* pictures = new QHBoxLayout;
    pictures->addWidget(picture_);
    pictures->addWidget(signView_, 1);
    layout_->addLayout(pictures);
    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("속도:"), speed_);
    layout_->addLayout(form);
    signView_->setRowsShown(sign.rowsShown(heightCode));
    signView_->clear(lineWidth(), lineHeight());
    connect(openButton_, &QPushButton::clicked, this, &AnimationDialog::open);
    connect(&timer_, &QTimer::timeout, this, &AnimationDialog::tick);
    if (!content_.payload.path().empty()) load(storedPathToQString(content_.payload.path()));
    finishLayout();
}

void AnimationDialog::open() {
    const QString chosen = chooseFile("animation", path_, QString::fromUtf8("gif파일(*.gif);;모든파일(*.*)"));
    if (!chosen.isEmpty() && pick(chosen)) focusOk();
}

bool AnimationDialog::pick(const QString& path) {
    if (QFileInfo(path).suffix().toLower() != "gif") {
        timer_.stop();
        path_.clear();
        fileName_->clear();
        showMessage(this, MessageKind::Warning, QString::fromUtf8("GIF파일아님"),
                    QString::fromUtf8("GIF파일이 아닙니다"));
        return false;
    }
    return load(path);
}

bool AnimationDialog::load(const QString& path) {
    timer_.stop();
    if (!gif_.LoadFile(path.toStdString())) {
        path_.clear();
        fileName_->clear();
        picture_->clear();
        signView_->clear(lineWidth(), lineHeight());
        showMessage(this, MessageKind::Critical, QString::fromUtf8("파일오픈실패"),
                    QString::fromUtf8("파일을 오픈할수 없습니다"));
        return false;
    }
    path_ = path;
    fileName_->setText(QFileInfo(path).fileName());
    frame_ = 0;
    tick();
    timer_.start(50);
    return true;
}

void AnimationDialog::tick() {
    const auto& frames = gif_.Frames();
    if (frames.empty()) return;
    // The sequence starts again from the grey canvas, as the sign plays it.
    if (frame_ == 0) gif_.clearCanvas();
    const RgbImage& canvas = gif_.RenderFrame(frame_);
    frame_ = (frame_ + 1) % frames.size();
    picture_->setPixmap(QPixmap::fromImage(toQImage(canvas).scaled(
        kFrameWidth - 20, kFrameHeight - 30, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    signView_->showPicture(FramePlanes(canvas), lineWidth(), lineHeight());
}

bool AnimationDialog::collect() {
    timer_.stop();
    content_.kind = ContentKind::Animation;
    content_.payload = LinePayload{};
    content_.animationSpeed = static_cast<uint8_t>(speed_->currentIndex());
    if (path_.isEmpty()) return true;  // nothing chosen: nothing is stored
    if (!storePath(path_)) return false;
    content_.pictureWidth = static_cast<uint16_t>(gif_.Width());
    content_.pictureHeight = static_cast<uint16_t>(gif_.Height());
    content_.frameCount = static_cast<uint16_t>(std::min<size_t>(gif_.Frames().size(), 65535));
    return true;
}

}  // namespace orb
