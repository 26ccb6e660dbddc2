#include "simulator/app/LedMatrixPainter.h"

#include <QPainter>
#include <algorithm>
#include <array>
#include <cstring>

namespace orb {

namespace {

constexpr QRgb kLit[4] = {qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0)};
// A dark LED's lens in the round look: just visible on the black face.
constexpr QRgb kDimDot = qRgb(52, 34, 30);

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
    states_.clear();  // drawn anew at the next render
}

void LedMatrixPainter::setBrightness(double share) {
    share = std::clamp(share, 0.0, 1.0);
    if (share == brightness_) return;
    brightness_ = share;
    makeSprites();
    states_.clear();
}

void LedMatrixPainter::makeSprites() {
    const bool round = zoom_ >= kRoundFrom;
    // A dimmed sign lights its LEDs less; the dark ones look the same.
    auto lit = [this](QRgb c) {
        return qRgb(int(qRed(c) * brightness_ + 0.5), int(qGreen(c) * brightness_ + 0.5),
                    int(qBlue(c) * brightness_ + 0.5));
    };
    for (int s = 0; s < 4; ++s) {
        if (!round)
            sprites_[s] = squareSprite(zoom_, lit(kLit[s]));
        else
            sprites_[s] = roundSprite(zoom_, s == 0 ? kDimDot : lit(kLit[s]));
    }
}

const QImage& LedMatrixPainter::render(const PlanePair& frame, const SignGeometry& geometry) {
    const int width = geometry.pixels(), rows = geometry.ledRows();
    const QSize size(width * zoom_, rows * zoom_);
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(rows);
    if (image_.size() != size || states_.size() != count) {
        image_ = QImage(size, QImage::Format_RGB32);
        states_.assign(count, 0);
        drawRows(0, rows);  // every LED dark, as the states say
    }
    rowStates_.resize(static_cast<size_t>(width));
    const PlaneView view(frame, width, rows);
    for (int y = 0; y < rows; ++y) {
        for (int x = 0; x < width; ++x)
            rowStates_[static_cast<size_t>(x)] = static_cast<uint8_t>(view.ledAt(x, y));
        // Rows that did not change keep their pixels: at large zooms the copying is what costs.
        uint8_t* known = &states_[static_cast<size_t>(y) * static_cast<size_t>(width)];
        if (std::equal(rowStates_.begin(), rowStates_.end(), known)) continue;
        std::copy(rowStates_.begin(), rowStates_.end(), known);
        drawRows(y, 1);
    }
    return image_;
}

void LedMatrixPainter::drawRows(int first, int count) {
    const bool square = zoom_ < kRoundFrom;
    const size_t line = static_cast<size_t>(image_.width()) * sizeof(QRgb);
    const size_t perRow = static_cast<size_t>(image_.width() / zoom_);
    for (int y = first; y < first + count; ++y) {
        const uint8_t* states = &states_[static_cast<size_t>(y) * perRow];
        // A square LED's rows are all alike: draw the first, copy it to the others.
        const int drawn = square ? 1 : zoom_;
        for (int dy = 0; dy < drawn; ++dy) drawSpriteRow(states, perRow, y * zoom_ + dy, dy);
        for (int dy = drawn; dy < zoom_; ++dy)
            std::memcpy(image_.scanLine(y * zoom_ + dy), image_.constScanLine(y * zoom_), line);
    }
}

void LedMatrixPainter::drawSpriteRow(const uint8_t* states, size_t count, int imageRow, int spriteRow) {
    std::array<const QRgb*, 4> from;
    for (size_t s = 0; s < from.size(); ++s)
        from[s] = reinterpret_cast<const QRgb*>(sprites_[s].constScanLine(spriteRow));
    QRgb* out = reinterpret_cast<QRgb*>(image_.scanLine(imageRow));
    for (size_t x = 0; x < count; ++x) {
        const QRgb* pixels = from[states[x]];
        for (int dx = 0; dx < zoom_; ++dx) *out++ = pixels[dx];
    }
}

}  // namespace orb
