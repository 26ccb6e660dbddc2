#include "simulator/app/CGlimmerView.h"

#include <QMetaObject>
#include <QPainter>
#include <QTimer>

namespace orb {

CGlimmerView::CGlimmerView(const ImageSource& image, const SignFonts& fonts, QWidget* parent)
    : QWidget(parent), image_(&image), fonts_(fonts), frame_(std::make_unique<PlanePair>()) {
    setAutoFillBackground(true);
    setMinimumSize(matrixSize());
    redraw();
}

void CGlimmerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Playing starts once the window is up and its first events are handled, so the worker's
    // frames never meet the burst of events that building and showing the window posts.
    if (!player_ && !startQueued_) {
        startQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!player_ && !stopped_) startPlayer(*image_);
        });
    }
}

CGlimmerView::~CGlimmerView() {
    stopPlaying();
}

void CGlimmerView::startPlayer(const ImageSource& image) {
    // The worker asks for a repaint from its own thread; the frame is taken on the window's.
    player_ = std::make_unique<SignPlayer>(image, fonts_, [this] {
        QMetaObject::invokeMethod(
            this, [this] { takeFrame(); }, Qt::QueuedConnection);
    });
    player_->startPlaying();
}

void CGlimmerView::stopPlaying() {
    stopped_ = true;
    if (player_) player_->stop();
}

void CGlimmerView::restart(const ImageSource& image) {
    if (player_) player_->stop();
    player_.reset();
    image_ = &image;
    stopped_ = false;
    startPlayer(image);
}

void CGlimmerView::takeFrame() {
    if (!player_) return;
    const SignGeometry before = geometry_;
    player_->copyFrame(*frame_, geometry_);
    redraw();
    if (!(before == geometry_)) {
        setMinimumSize(matrixSize());
        emit matrixSizeChanged();
    }
}

void CGlimmerView::setZoom(int zoom) {
    const int before = painter_.zoom();
    painter_.setZoom(zoom);
    if (painter_.zoom() == before) return;
    redraw();
    setMinimumSize(matrixSize());
    emit matrixSizeChanged();
}

QSize CGlimmerView::matrixSize() const {
    return QSize(geometry_.pixels() * zoom() + 2 * kMargin, geometry_.ledRows() * zoom() + 2 * kMargin);
}

void CGlimmerView::redraw() {
    painter_.render(*frame_, geometry_);
    update();
}

void CGlimmerView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(kMargin, kMargin, painter_.image());
}

}  // namespace orb
