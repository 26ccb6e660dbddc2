#include "simulator/app/CGlimmerView.h"

#include <QImage>
#include <QMetaObject>
#include <QPainter>

namespace orb {

CGlimmerView::CGlimmerView(const ImageSource& image, const SignFonts& fonts, QWidget* parent)
    : QWidget(parent), frame_(std::make_unique<PlanePair>()) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, palette().color(QPalette::Window));
    setPalette(p);
    // The worker asks for a repaint from its own thread; the update runs on the window's.
    player_ = std::make_unique<SignPlayer>(image, fonts, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                player_->copyFrame(*frame_, geometry_);
                setMinimumSize(geometry_.pixels() * 2 + 20, geometry_.ledRows() * 2 + 20);
                update();
            },
            Qt::QueuedConnection);
    });
    player_->startPlaying();
}

CGlimmerView::~CGlimmerView() {
    stopPlaying();
}

void CGlimmerView::stopPlaying() {
    if (player_) player_->stop();
}

void CGlimmerView::paintEvent(QPaintEvent*) {
    const PlaneView view(*frame_, geometry_.pixels(), geometry_.ledRows());
    static constexpr QRgb kColours[] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0)};
    QImage matrix(view.width * 2, view.rows * 2, QImage::Format_RGB32);
    for (int y = 0; y < view.rows; ++y) {
        for (int x = 0; x < view.width; ++x) {
            const QRgb c = kColours[static_cast<int>(view.ledAt(x, y))];
            for (int dy = 0; dy < 2; ++dy) {
                QRgb* line = reinterpret_cast<QRgb*>(matrix.scanLine(2 * y + dy));
                line[2 * x] = c;
                line[2 * x + 1] = c;
            }
        }
    }
    QPainter painter(this);
    painter.drawImage(10, 10, matrix);
}

}  // namespace orb
