#pragma once
// The view that paints the sign's LED matrix: each LED a 2 x 2 square, the top-left LED at (10, 10).
#include <QWidget>
#include <memory>

#include "simulator/app/SignPlayer.h"

namespace orb {

class CGlimmerView : public QWidget {
    Q_OBJECT
  public:
    CGlimmerView(const ImageSource& image, const SignFonts& fonts, QWidget* parent = nullptr);
    ~CGlimmerView() override;

    // Stops the worker; the fonts may be released afterwards.
    void stopPlaying();

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::unique_ptr<PlanePair> frame_;
    SignGeometry geometry_;
    std::unique_ptr<SignPlayer> player_;
};

}  // namespace orb
