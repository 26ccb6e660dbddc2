#include "simulator/app/LedMatrixPainter.h"

#include <QPainter>
#include <algorithm>
#include <cstring>

namespace orb {

namespace {

constexpr QRgb kLit[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0)};
// A dark LED's lens in the round look: just visible on the black face.
constexpr QRgb kDimDot = qRgb(52, 34, 30);

// 0 dark, 1 red, 2 green, 3 yellow.
int ledState(const PlanePair& frame, int x, int y) {
    return (frame.red.pixel(x, y) ? 1 : 0) | (frame.green.pixel(x, y) ? 2 : 0);
}

QImage squareSprite(int zoom, QRgb colour) {
    QImage sprite(zoom, zoom, QImage::Format_RGB32);
    sprite.fill(colour);
    return sprite;
}

// A disc filling most of the cell, antialiased onto black, so LEDs keep a gap between them.
QImage roundSprite(int zoom, QRgb colour) {
    QImage sprite(zoom, zoom, QImage::Format_RGB32);
    sprite.fill(Qt::black);
    QPainter p(&sprite);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(colour));
    const qreal gap = std::max<qreal>(1.0, zoom * 0.12);
    p.drawEllipse(QRectF(gap, gap, zoom - 2 * gap, zoom - 2 * gap));
    return sprite;
}

}  // namespace

void LedMatrixPainter::setZoom(int zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    if (zoom == zoom_) return;
    zoom_ = zoom;
    makeSprites();
}

void LedMatrixPainter::makeSprites() {
    const bool round = zoom_ >= kRoundFrom;
    for (int s = 0; s < 4; ++s) {
        if (!round)
            sprites_[s] = squareSprite(zoom_, kLit[s]);
        else
            sprites_[s] = roundSprite(zoom_, s == 0 ? kDimDot : kLit[s]);
    }
}

const QImage& LedMatrixPainter::render(const PlanePair& frame, const SignGeometry& geometry) {
    const int width = geometry.pixels(), rows = geometry.ledRows();
    const QSize size(width * zoom_, rows * zoom_);
    if (image_.size() != size) image_ = QImage(size, QImage::Format_RGB32);
    const size_t spriteRow = static_cast<size_t>(zoom_) * sizeof(QRgb);
    rowStates_.resize(static_cast<size_t>(width));
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x) rowStates_[static_cast<size_t>(x)] = ledState(frame, x, y);
        for (int dy = 0; dy < zoom_; ++dy) {
            auto* line = reinterpret_cast<QRgb*>(image_.scanLine(y * zoom_ + dy));
            for (int x = 0; x < width; ++x)
                std::memcpy(line + x * zoom_, sprites_[rowStates_[static_cast<size_t>(x)]].constScanLine(dy),
                            spriteRow);
        }
    }
    return image_;
}

}  // namespace orb
