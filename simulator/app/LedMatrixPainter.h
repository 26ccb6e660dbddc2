#pragma once
// Draws the sign's LED matrix into an image at a zoom of 1 to 8 pixels per LED. Below 4 an LED is
// a square without a gap (2 is the sign's own look); from 4 on it is a round LED on black, and a
// dark LED shows as a dim dot, as on a real sign.
#include <QImage>
#include <array>
#include <cstdint>
#include <vector>

#include "simulator/engine/SignEngine.h"

namespace orb {

class LedMatrixPainter {
  public:
    static constexpr int kMinZoom = 1;
    static constexpr int kMaxZoom = 8;
    static constexpr int kDefaultZoom = 2;
    static constexpr int kRoundFrom = 4;

    LedMatrixPainter() { setZoom(kDefaultZoom); }

    // Clamped into kMinZoom..kMaxZoom.
    void setZoom(int zoom);
    int zoom() const { return zoom_; }
    // The share of full brightness the lit LEDs are drawn at, 0..1 (the sign's brightness level).
    void setBrightness(double share);
    double brightness() const { return brightness_; }

    // Draws every LED of the frame shown on a sign of that geometry; the image is
    // (pixels x zoom) x (LED rows x zoom).
    const QImage& render(const PlanePair& frame, const SignGeometry& geometry);
    const QImage& image() const { return image_; }

  private:
    void makeSprites();
    // Draws LED rows [first, first + count) from states_.
    void drawRows(int first, int count);
    // One pixel row of a row of `count` LEDs in the given states.
    void drawSpriteRow(const uint8_t* states, size_t count, int imageRow, int spriteRow);
    int zoom_ = 0;
    double brightness_ = 1.0;
    // One zoom x zoom picture per LED state: dark, red, green, yellow.
    std::array<QImage, 4> sprites_;
    QImage image_;
    // The state of every LED drawn into image_ (row by row), and of the row being read.
    std::vector<uint8_t> states_;
    std::vector<uint8_t> rowStates_;
};

}  // namespace orb
