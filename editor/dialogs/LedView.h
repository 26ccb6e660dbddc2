#pragma once
// Paints LEDs as the sign shows them: each LED a round dot, dark, red, green or yellow.
#include <QWidget>
#include <vector>

#include "image/ColourPlanes.h"
#include "simulator/engine/BitPlane.h"

namespace orb {

class LedView : public QWidget {
    Q_OBJECT
  public:
    explicit LedView(QWidget* parent = nullptr);

    // The top-left width x height LEDs of a plane pair.
    void showPlanes(const PlanePair& planes, int width, int height);
    // A picture's colour planes, clipped to width x height LEDs (the line's area).
    void showPicture(const ColourPlanes& picture, int width, int height);
    void clear(int width, int height);
    // How many rows from the top the sign shows: the rows of a line below the sign's last are
    // drawn without LEDs. Negative: all of them.
    void setRowsShown(int rows);

    int ledWidth() const { return width_; }
    int ledHeight() const { return height_; }
    // 0 dark, 1 red, 2 green, 3 yellow; 0 on rows the sign does not show.
    int ledAt(int x, int y) const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    void resizeTo(int width, int height);
    // Rows below the sign lose their colour, as the sign never lights them.
    void hideRowsBelowSign();
    int width_ = 0, height_ = 0;
    int rowsShown_ = -1;
    std::vector<uint8_t> leds_;
};

}  // namespace orb
