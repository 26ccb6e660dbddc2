#pragma once
// The view that paints the sign's LED matrix, the top-left LED at (10, 10); each LED is zoom x zoom
// pixels (2 unless the 보기 menu says otherwise).
#include <QWidget>
#include <memory>

#include "simulator/app/LedMatrixPainter.h"
#include "simulator/app/SignPlayer.h"

namespace orb {

class CGlimmerView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kMargin = 10;

    // Plays once shown. The image and the fonts must outlive the player (stopPlaying, or restart
    // with another image).
    CGlimmerView(const ImageSource& image, const SignFonts& fonts, QWidget* parent = nullptr);
    // Plays the host's virtual sign, at the brightness it was set to. The host must outlive the view.
    CGlimmerView(VirtualSignHost& host, const SignFonts& fonts, QWidget* parent = nullptr);
    ~CGlimmerView() override;

    // Stops the worker; the fonts may be released afterwards.
    void stopPlaying();
    // Plays an image from the start, as after the preview was built again; the previous image may
    // be released once this returns.
    void restart(const ImageSource& image);

    void setZoom(int zoom);
    int zoom() const { return painter_.zoom(); }
    // The matrix with its margins at the current zoom.
    QSize matrixSize() const;
    QSize sizeHint() const override { return matrixSize(); }

  signals:
    // The sign's size or the zoom changed: the window may want to fit the matrix again.
    void matrixSizeChanged();

  protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void setUp();
    void startPlayer(const ImageSource* image);
    void takeFrame();
    void redraw();

    const ImageSource* image_ = nullptr;
    VirtualSignHost* host_ = nullptr;
    const SignFonts& fonts_;
    int frameReady_ = -1;  // eventfd the worker counts finished frames on
    bool startQueued_ = false;
    bool stopped_ = false;
    std::unique_ptr<PlanePair> frame_;
    SignGeometry geometry_;
    LedMatrixPainter painter_;
    std::unique_ptr<SignPlayer> player_;
};

}  // namespace orb
