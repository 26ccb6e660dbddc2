#include "simulator/app/CGlimmerView.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdint>

namespace orb {

CGlimmerView::CGlimmerView(const ImageSource& image, const SignFonts& fonts, QWidget* parent)
    : QWidget(parent), image_(&image), fonts_(fonts), frame_(std::make_unique<PlanePair>()) {
    setUp();
}

CGlimmerView::CGlimmerView(VirtualSignHost& host, const SignFonts& fonts, QWidget* parent)
    : QWidget(parent), host_(&host), fonts_(fonts), frame_(std::make_unique<PlanePair>()) {
    setUp();
}

void CGlimmerView::setUp() {
    setAutoFillBackground(true);
    // The worker only writes to this counter; the window thread wakes on it and takes the frame,
    // so no Qt object is touched from the worker.
    frameReady_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (frameReady_ >= 0) {
        auto* notifier = new QSocketNotifier(frameReady_, QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            uint64_t count = 0;
            while (::read(frameReady_, &count, sizeof count) > 0) {
            }
            takeFrame();
        });
    }
    setMinimumSize(matrixSize());
    redraw();
}

void CGlimmerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Playing starts once the window is up and its first events are handled.
    if (!player_ && !startQueued_) {
        startQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            if (!player_ && !stopped_) startPlayer(image_);
        });
    }
}

CGlimmerView::~CGlimmerView() {
    stopPlaying();
    if (frameReady_ >= 0) ::close(frameReady_);
}

void CGlimmerView::startPlayer(const ImageSource* image) {
    auto ready = [fd = frameReady_] {
        const uint64_t one = 1;
        if (fd >= 0 && ::write(fd, &one, sizeof one) < 0) {
            // The counter is full only when the window is far behind; it will take the frame.
        }
    };
    if (host_)
        player_ = std::make_unique<SignPlayer>(*host_, ready);
    else
        player_ = std::make_unique<SignPlayer>(*image, fonts_, ready);
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
    startPlayer(&image);
}

void CGlimmerView::takeFrame() {
    if (!player_) return;
    const SignGeometry before = geometry_;
    player_->copyFrame(*frame_, geometry_);
    painter_.setBrightness(player_->brightness());
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
