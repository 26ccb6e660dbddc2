#include "editor/dialogs/LedView.h"

#include <QPainter>
#include <algorithm>

namespace orb {

namespace {
constexpr int kPitch = 3;  // screen pixels per LED
}

LedView::LedView(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
}

void LedView::resizeTo(int width, int height) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    leds_.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
    setFixedHeight(height_ * kPitch + 4);
    setMinimumWidth(std::min(width_ * kPitch + 4, 1300));
    updateGeometry();
}

void LedView::setRowsShown(int rows) {
    rowsShown_ = rows;
    hideRowsBelowSign();
    update();
}

void LedView::hideRowsBelowSign() {
    if (rowsShown_ < 0 || rowsShown_ >= height_) return;
    std::fill(leds_.begin() + static_cast<std::ptrdiff_t>(rowsShown_) * width_, leds_.end(), uint8_t{0});
}

void LedView::showPlanes(const PlanePair& planes, int width, int height) {
    resizeTo(std::min(width, BitPlane::kBytesPerRow * 8), std::min(height, BitPlane::kRows));
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            leds_[static_cast<size_t>(y * width_ + x)] =
                static_cast<uint8_t>((planes.red.pixel(x, y) ? 1 : 0) | (planes.green.pixel(x, y) ? 2 : 0));
    hideRowsBelowSign();
    update();
}

void LedView::showPicture(const ColourPlanes& picture, int width, int height) {
    resizeTo(width, height);
    for (int y = 0; y < std::min(height_, picture.height()); ++y)
        for (int x = 0; x < std::min(width_, picture.width()); ++x)
            leds_[static_cast<size_t>(y * width_ + x)] =
                static_cast<uint8_t>((picture.test(1, x, y) ? 1 : 0) | (picture.test(2, x, y) ? 2 : 0));
    hideRowsBelowSign();
    update();
}

void LedView::clear(int width, int height) {
    resizeTo(width, height);
    update();
}

int LedView::ledAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return leds_[static_cast<size_t>(y * width_ + x)];
}

QSize LedView::sizeHint() const {
    return {width_ * kPitch + 4, height_ * kPitch + 4};
}

void LedView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(16, 16, 16));
    static const QColor kColours[4] = {QColor(48, 40, 40), QColor(255, 40, 30), QColor(40, 230, 60),
                                       QColor(255, 220, 40)};
    // A sign wider than the view is drawn smaller rather than cut.
    const int pitch = width_ > 0 ? std::clamp((width() - 4) / width_, 1, kPitch) : kPitch;
    const int shown = rowsShown_ < 0 ? height_ : std::min(rowsShown_, height_);
    for (int y = 0; y < shown; ++y)
        for (int x = 0; x < width_; ++x)
            p.fillRect(2 + x * pitch, 2 + y * pitch, std::max(1, pitch - 1), std::max(1, pitch - 1),
                       kColours[leds_[static_cast<size_t>(y * width_ + x)]]);
}

}  // namespace orb
